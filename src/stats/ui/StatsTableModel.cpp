// The table model of the conversations and endpoints windows.
#include "stats/ui/StatsTableModel.h"

#include <QFont>
#include <algorithm>
#include <numeric>
#include <set>

namespace stats::ui {

void StatsTableModel::SetTable(std::shared_ptr<const StatsTable> table) {
    beginResetModel();
    m_table = std::move(table);
    Order();
    endResetModel();
}

void StatsTableModel::Order() {
    if (!m_table) {
        m_order.clear();
        return;
    }
    if (m_sortColumn && static_cast<std::size_t>(*m_sortColumn) < m_table->Columns().size()) {
        m_order = m_table->SortedBy(static_cast<std::size_t>(*m_sortColumn), m_sortOrder == Qt::DescendingOrder);
        return;
    }
    m_order.resize(m_table->RowCount());
    std::iota(m_order.begin(), m_order.end(), std::size_t{0});
}

int StatsTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_order.size());
}

int StatsTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() || !m_table ? 0 : static_cast<int>(m_table->Columns().size());
}

QVariant StatsTableModel::data(const QModelIndex& index, int role) const {
    if (!m_table || !index.isValid() || index.row() >= rowCount()) return {};
    const std::size_t row = m_order[static_cast<std::size_t>(index.row())];
    const auto column = static_cast<std::size_t>(index.column());
    switch (role) {
        case Qt::DisplayRole:
            return QString::fromStdString(m_table->Text(row, column));
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(Qt::AlignVCenter |
                                       (m_table->Columns()[column].numeric ? Qt::AlignRight : Qt::AlignLeft));
        case Qt::FontRole:
            if (m_table->IsOther(row)) {
                QFont italic;
                italic.setItalic(true);
                return italic;
            }
            return {};
        default:
            return {};
    }
}

QVariant StatsTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || !m_table) return {};
    if (section < 0 || section >= columnCount()) return {};
    return QString::fromStdString(m_table->Columns()[static_cast<std::size_t>(section)].name);
}

void StatsTableModel::sort(int column, Qt::SortOrder order) {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<std::size_t> rowsBefore;
    for (const QModelIndex& i : before) rowsBefore.push_back(m_order[static_cast<std::size_t>(i.row())]);
    m_sortColumn = column >= 0 ? std::optional(column) : std::nullopt;
    m_sortOrder = order;
    Order();
    // Selections and the current row stay on the same table rows.
    std::vector<int> shownAt(m_order.size());
    for (std::size_t i = 0; i < m_order.size(); ++i) shownAt[m_order[i]] = static_cast<int>(i);
    QModelIndexList after;
    for (std::size_t i = 0; i < static_cast<std::size_t>(before.size()); ++i)
        after.push_back(index(shownAt[rowsBefore[i]], before[static_cast<int>(i)].column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

std::optional<std::uint32_t> StatsTableModel::FirstFrame(int row) const {
    if (!m_table || row < 0 || row >= rowCount()) return std::nullopt;
    return m_table->FirstFrame(m_order[static_cast<std::size_t>(row)]);
}

QString StatsTableModel::Tsv(const QModelIndexList& rows) const {
    if (!m_table) return {};
    std::vector<std::size_t> picked;
    if (rows.isEmpty()) {
        picked = m_order;
    } else {
        std::set<int> shown;
        for (const QModelIndex& i : rows)
            if (i.isValid() && i.row() < rowCount()) shown.insert(i.row());
        for (const int r : shown) picked.push_back(m_order[static_cast<std::size_t>(r)]);
    }
    return QString::fromStdString(m_table->Tsv(picked));
}

}  // namespace stats::ui
