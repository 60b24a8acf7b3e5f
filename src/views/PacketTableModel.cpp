// Packet-list table.
#include "views/PacketTableModel.h"

#include <climits>

namespace views {

namespace {
static_assert(PacketTableModel::kColumnCount == packetlist::kRowColumnCount);

int ClampedRows(std::uint32_t rows) { return rows > INT_MAX ? INT_MAX : static_cast<int>(rows); }
}  // namespace

PacketTableModel::PacketTableModel(packetlist::CKestroView& view, QObject* parent)
    : QAbstractTableModel(parent),
      m_view(&view),
      m_rows(ClampedRows(view.RowCount())) {}

int PacketTableModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_rows; }

int PacketTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumnCount; }

QVariant PacketTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_rows) return {};
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    if (role != Qt::DisplayRole) return {};
    if (index.column() < 0 || index.column() >= kColumnCount) return {};
    const packetlist::RowTexts& row = m_view->Row(static_cast<std::uint32_t>(index.row()));
    return QString::fromUtf8(row.Text(static_cast<packetlist::RowColumn>(index.column())));
}

QVariant PacketTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount) return {};
    if (role == Qt::DisplayRole) {
        const std::string_view name = packetlist::kRowColumnNames[static_cast<std::size_t>(section)];
        return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
    }
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    return {};
}

Qt::ItemFlags PacketTableModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

void PacketTableModel::Refill() {
    // The rows changed wholesale under the table (the view swapped its batch before telling),
    // and nothing reads them between the two calls.
    beginResetModel();
    m_rows = ClampedRows(m_view->RowCount());
    endResetModel();
}

void PacketTableModel::Retext() {
    if (m_rows == 0) return;
    emit dataChanged(index(0, kSource), index(m_rows - 1, kSummary), {Qt::DisplayRole});
}

}  // namespace views
