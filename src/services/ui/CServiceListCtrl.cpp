// The services list view and its table model.
#include "services/ui/CServiceListCtrl.h"

#include <QHeaderView>
#include <array>

namespace services::ui {
namespace {

constexpr std::array<const char*, 3> kColumns = {"Service", "Status", "Startup"};
constexpr std::array<int, 3> kWidths = {207, 70, 70};

}  // namespace

ServiceTableModel::ServiceTableModel(const ServicesDialogModel& model, QObject* parent)
    : QAbstractTableModel(parent),
      m_model(model) {}

int ServiceTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_model.RowCount());
}

int ServiceTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 3; }

QVariant ServiceTableModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || static_cast<std::size_t>(index.row()) >= m_model.RowCount())
        return {};
    const ServiceRow row = m_model.Row(static_cast<std::size_t>(index.row()));
    switch (index.column()) {
        case 0:
            return QString::fromStdString(row.service);
        case 1:
            return QString::fromStdString(row.status);
        case 2:
            return QString::fromStdString(row.startup);
        default:
            return {};
    }
}

QVariant ServiceTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= 3) return {};
    return QString::fromLatin1(kColumns.at(static_cast<std::size_t>(section)));
}

void ServiceTableModel::Reset() {
    beginResetModel();
    endResetModel();
}

void ServiceTableModel::RowsChanged() {
    if (rowCount() > 0) emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

CServiceListCtrl::CServiceListCtrl(const ServicesDialogModel& model, QWidget* parent)
    : QTreeView(parent),
      m_rows(new ServiceTableModel(model, this)) {
    setModel(m_rows);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setTextElideMode(Qt::ElideRight);
    header()->setStretchLastSection(true);
    for (int c = 0; c < 3; ++c) setColumnWidth(c, kWidths.at(static_cast<std::size_t>(c)));
}

std::optional<std::size_t> CServiceListCtrl::SelectedRow() const {
    const auto rows = selectionModel()->selectedRows();
    if (rows.isEmpty()) return std::nullopt;
    return static_cast<std::size_t>(rows.first().row());
}

void CServiceListCtrl::SelectRow(std::optional<std::size_t> row) {
    if (!row) {
        clearSelection();
        return;
    }
    const QModelIndex index = m_rows->index(static_cast<int>(*row), 0);
    setCurrentIndex(index);
    selectionModel()->select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(index);
}

}  // namespace services::ui
