// Packet-list widget.
#include "views/PacketListView.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <algorithm>

#include "views/ReportItemDelegate.h"

namespace views {

namespace {
std::optional<packetlist::NavKey> NavKeyOf(int key) {
    switch (key) {
        case Qt::Key_Home:
            return packetlist::NavKey::Home;
        case Qt::Key_PageUp:
            return packetlist::NavKey::PageUp;
        case Qt::Key_Up:
            return packetlist::NavKey::Up;
        case Qt::Key_Down:
            return packetlist::NavKey::Down;
        case Qt::Key_PageDown:
            return packetlist::NavKey::PageDown;
        case Qt::Key_End:
            return packetlist::NavKey::End;
        default:
            return std::nullopt;
    }
}
}  // namespace

PacketListView::PacketListView(packetlist::CKestroView& view, QWidget* parent)
    : CListViewEx(parent),
      m_view(view),
      m_table(view, this) {
    SetShowSelectionAlways(true);
    setModel(&m_table);
    // The widths are those of a small dialog font; a wider font widens every column alike, so
    // that a dotted address still fits its column.
    const int address =
        fontMetrics().horizontalAdvance(QStringLiteral("255.255.255.255")) + ReportItemDelegate::kOtherOffset;
    const double scale =
        std::max(1.0, address / static_cast<double>(PacketTableModel::kWidths[PacketTableModel::kSource]));
    for (int c = 0; c < PacketTableModel::kColumnCount; ++c)
        setColumnWidth(c, static_cast<int>(PacketTableModel::kWidths[c] * scale));
    // The Summary column reaches the window's edge; the user may widen or narrow any column.
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setStretchLastSection(true);
    // The last column follows the window, not the user.
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column) {
        if (column + 1 < PacketTableModel::kColumnCount) emit ColumnsResized();
    });
}

QList<int> PacketListView::ColumnWidths() const {
    QList<int> widths;
    // The last column's width is the window's, not the user's choice.
    for (int c = 0; c + 1 < PacketTableModel::kColumnCount; ++c) widths << columnWidth(c);
    return widths;
}

void PacketListView::SetColumnWidths(const QList<int>& widths) {
    if (widths.size() != PacketTableModel::kColumnCount - 1) return;
    for (int c = 0; c < widths.size(); ++c)
        if (widths[c] > 0) setColumnWidth(c, widths[c]);
}

void PacketListView::ShowRow(std::optional<std::uint32_t> row) {
    m_showing = true;
    if (row && static_cast<int>(*row) < m_table.rowCount()) {
        const QModelIndex index = m_table.index(static_cast<int>(*row), 0);
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        scrollTo(index);
    } else {
        selectionModel()->clear();
    }
    m_showing = false;
}

QString PacketListView::SelectedRowText() const {
    const QModelIndex current = currentIndex();
    if (!current.isValid()) return {};
    QStringList cells;
    for (int c = 0; c < m_table.columnCount(); ++c)
        cells << m_table.data(current.siblingAtColumn(c), Qt::DisplayRole).toString();
    return cells.join(QLatin1Char('\t'));
}

void PacketListView::keyPressEvent(QKeyEvent* event) {
    const auto key = event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier
                         ? NavKeyOf(event->key())
                         : std::nullopt;
    if (!key) {
        CListViewEx::keyPressEvent(event);
        return;
    }
    // A key the packet list takes never reaches the table's own handling: the table would move
    // Home and End along the row and scroll the Counter column out of sight.
    const packetlist::KeyOutcome out = m_view.OnKey(*key);
    if (out.beep) QApplication::beep();
    if (out.passOn) MoveWithinScreen(*key);
    event->accept();
    emit StateChanged();
}

void PacketListView::MoveWithinScreen(packetlist::NavKey key) {
    const int rows = m_table.rowCount();
    if (rows == 0) return;
    const int current = std::max(currentIndex().row(), 0);
    const int page = std::max(1, viewport()->height() / std::max(1, rowHeight(0)) - 1);
    int row = current;
    switch (key) {
        case packetlist::NavKey::Home:
            row = 0;
            break;
        case packetlist::NavKey::End:
            row = rows - 1;
            break;
        case packetlist::NavKey::PageUp:
            row = std::max(0, current - page);
            break;
        case packetlist::NavKey::PageDown:
            row = std::min(rows - 1, current + page);
            break;
        case packetlist::NavKey::Up:
        case packetlist::NavKey::Down:
            return;
    }
    // Down the rows only: the first column keeps its place.
    const QModelIndex index = m_table.index(row, currentIndex().isValid() ? currentIndex().column() : 0);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    const int left = horizontalScrollBar()->value();
    scrollTo(index);
    horizontalScrollBar()->setValue(left);
}

void PacketListView::mousePressEvent(QMouseEvent* event) {
    // A click beside the rows keeps the selection where it is.
    if (!indexAt(event->position().toPoint()).isValid()) {
        event->accept();
        return;
    }
    CListViewEx::mousePressEvent(event);
}

void PacketListView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    CListViewEx::currentChanged(current, previous);
    if (m_showing || !current.isValid()) return;
    const std::int64_t frame = std::int64_t{m_view.ScreenFirst()} + current.row();
    if (frame == m_view.ShownFrame()) return;
    m_view.Select(static_cast<std::uint32_t>(current.row()));
    emit StateChanged();
}

}  // namespace views
