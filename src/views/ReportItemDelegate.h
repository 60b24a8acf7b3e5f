// Draws one cell of a report list: the row's highlight when it is selected (and the list
// has the focus or always shows its selection), the text shortened to the cell with "...",
// aligned as its column when it fits and left-aligned when it was shortened, and the focus
// frame around the whole row that has the focus while the list has it.
#pragma once

#include <QStyledItemDelegate>

namespace views {

class CListViewEx;

class ReportItemDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit ReportItemDelegate(CListViewEx* list);
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // Margins of the first column and of the others: the width left free beside the text
    // when shortening, and the inset on each side where the text is drawn.
    static constexpr int kFirstOffset = 4;
    static constexpr int kFirstInset = 2;
    static constexpr int kOtherOffset = 12;
    static constexpr int kOtherInset = 6;

private:
    CListViewEx* m_list;
};

}  // namespace views
