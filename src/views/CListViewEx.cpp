// The full-row report list.
#include "views/CListViewEx.h"

#include <QFocusEvent>
#include <QHeaderView>
#include <QPainter>

#include "views/ReportItemDelegate.h"

namespace views {

CListViewEx::CListViewEx(QWidget* parent) : QTableView(parent) {
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setShowGrid(false);
    setWordWrap(false);
    setTabKeyNavigation(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setItemDelegate(new ReportItemDelegate(this));
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    // The row height of a report list: the font's height, at least 13, plus 4.
    verticalHeader()->setDefaultSectionSize(std::max(fontMetrics().height(), 13) + 4);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsMovable(false);
}

void CListViewEx::SetShowSelectionAlways(bool always) {
    m_showSelectionAlways = always;
    viewport()->update();
}

void CListViewEx::paintEvent(QPaintEvent* event) {
    QTableView::paintEvent(event);
    // The highlight of a selected row reaches the window's right edge when the columns end
    // sooner; the delegate draws only the cells.
    const int columns = model() != nullptr ? model()->columnCount() : 0;
    if (columns == 0) return;
    const int right = columnViewportPosition(columns - 1) + columnWidth(columns - 1);
    if (right >= viewport()->width()) return;
    const bool visible = hasFocus() || m_showSelectionAlways;
    QPainter painter(viewport());
    for (const QModelIndex& index : selectionModel()->selectedRows()) {
        const QRect cell = visualRect(index);
        if (!visible || !cell.intersects(event->rect())) continue;
        painter.fillRect(QRect(right, cell.top(), viewport()->width() - right, cell.height()),
                         palette().brush(QPalette::Active, QPalette::Highlight));
    }
}

void CListViewEx::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) {
    QTableView::selectionChanged(selected, deselected);
    // The table repaints only the cells; the highlight beyond the last column goes with them.
    for (const QItemSelection* rows : {&selected, &deselected})
        for (const QModelIndex& index : rows->indexes())
            if (index.column() == 0) RepaintRow(index.row());
}

void CListViewEx::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    // The focus frame goes round the whole row.
    for (const QModelIndex& index : {current, previous})
        if (index.isValid()) RepaintRow(index.row());
}

void CListViewEx::RepaintRow(int row) {
    viewport()->update(QRect(0, rowViewportPosition(row), viewport()->width(), rowHeight(row)));
}

void CListViewEx::focusInEvent(QFocusEvent* event) {
    QTableView::focusInEvent(event);
    RepaintSelectedItems();
}

void CListViewEx::focusOutEvent(QFocusEvent* event) {
    QTableView::focusOutEvent(event);
    RepaintSelectedItems();
}

void CListViewEx::RepaintSelectedItems() {
    // The focused row gains or loses its focus frame, and selected rows their highlight
    // unless it is always shown.
    viewport()->update();
}

}  // namespace views
