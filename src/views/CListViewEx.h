// The report list the packet list is drawn in: one row per item, selected across its full
// width (up to the window's right edge when the columns end sooner), the selection kept
// visible when the list loses the focus, fixed row heights (so a screen of 100,000 rows is
// never measured row by row), and cell texts shortened with "..." by ReportItemDelegate.
#pragma once

#include <QTableView>

namespace views {

class CListViewEx : public QTableView {
    Q_OBJECT
public:
    explicit CListViewEx(QWidget* parent = nullptr);

    bool GetFullRowSel() const noexcept { return true; }
    // LVS_SHOWSELALWAYS: the selected row stays highlighted while another window has the focus.
    bool ShowsSelectionAlways() const noexcept { return m_showSelectionAlways; }
    void SetShowSelectionAlways(bool always);

protected:
    void paintEvent(QPaintEvent* event) override;
    void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void RepaintSelectedItems();
    // Row's whole width, the part beyond the last column included.
    void RepaintRow(int row);

    bool m_showSelectionAlways = false;
};

}  // namespace views
