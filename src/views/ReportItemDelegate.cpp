// Report-list cells.
#include "views/ReportItemDelegate.h"

#include <QPainter>
#include <QStyle>

#include "views/CListViewEx.h"
#include "views/ShortText.h"

namespace views {

ReportItemDelegate::ReportItemDelegate(CListViewEx* list) : QStyledItemDelegate(list), m_list(list) {}

void ReportItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyleOptionViewItem opt(option);
    initStyleOption(&opt, index);
    const bool listFocused = m_list->hasFocus();
    const bool selected = (opt.state & QStyle::State_Selected) != 0 && (listFocused || m_list->ShowsSelectionAlways());
    const QPalette& pal = opt.palette;

    painter->save();
    painter->fillRect(opt.rect, pal.brush(QPalette::Active, selected ? QPalette::Highlight : QPalette::Base));
    painter->setPen(pal.color(QPalette::Active, selected ? QPalette::HighlightedText : QPalette::Text));
    painter->setFont(opt.font);

    const bool first = index.column() == 0;
    const int offset = first ? kFirstOffset : kOtherOffset;
    const int inset = first ? kFirstInset : kOtherInset;
    if (!opt.text.isEmpty()) {
        const QString shown = MakeShortString(opt.fontMetrics, opt.text, opt.rect.width(), offset);
        const Qt::Alignment horizontal =
            shown.size() == opt.text.size() ? (opt.displayAlignment & Qt::AlignHorizontal_Mask) : Qt::AlignLeft;
        painter->drawText(opt.rect.adjusted(inset, 0, -inset, 0),
                          static_cast<int>(horizontal | Qt::AlignVCenter | Qt::TextSingleLine), shown);
    }

    // The focus frame goes round the whole row: each cell draws its part of it.
    if (listFocused && m_list->currentIndex().row() == index.row()) {
        const QModelIndex left = index.siblingAtColumn(0);
        const QModelIndex right = index.siblingAtColumn(index.model()->columnCount() - 1);
        QStyleOptionFocusRect frame;
        frame.initFrom(m_list);
        frame.rect = m_list->visualRect(left).united(m_list->visualRect(right));
        frame.backgroundColor = pal.color(QPalette::Active, selected ? QPalette::Highlight : QPalette::Base);
        painter->setClipRect(opt.rect);
        m_list->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &frame, painter, m_list);
    }
    painter->restore();
}

}  // namespace views
