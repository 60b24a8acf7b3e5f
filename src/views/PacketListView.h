// The upper pane of a capture window: the report list over the packet list's screen. Keys
// go to the packet list's rules (a refused key beeps); the list's focus row and the packet
// list's current frame are kept in step both ways.
#pragma once

#include <optional>

#include "packetlist/CKestroView.h"
#include "views/CListViewEx.h"
#include "views/PacketTableModel.h"

namespace views {

class PacketListView : public CListViewEx {
    Q_OBJECT
public:
    PacketListView(packetlist::CKestroView& view, QWidget* parent = nullptr);

    PacketTableModel& Table() noexcept { return m_table; }
    // The packet list moved its selection: show it on row (none: clear the focus row).
    void ShowRow(std::optional<std::uint32_t> row);
    // The text of the selected row, tab-separated, for the clipboard.
    QString SelectedRowText() const;
    // The widths of every column but the last, which stretches to the window's edge; a list
    // of another length (kept by another version) changes nothing.
    QList<int> ColumnWidths() const;
    void SetColumnWidths(const QList<int>& widths);

signals:
    // A key or click changed the packet list's state; the frame updates its bars.
    void StateChanged();
    // The user (or SetColumnWidths) changed a column's width.
    void ColumnsResized();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    // A key the packet list refused but passes on: Home, End, Page Up and Page Down move the
    // selection within the screen on display, as a report list does.
    void MoveWithinScreen(packetlist::NavKey key);

    packetlist::CKestroView& m_view;
    PacketTableModel m_table;
    bool m_showing = false;  // set while the packet list moves the selection itself
};

}  // namespace views
