// Detail text view.
#include "views/CKestroDetailsView.h"

#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QMenu>

#include "decode/DetailText.h"
#include "views/BytesPaneSwitch.h"
#include "views/CommandIds.h"

namespace views {

CKestroDetailsView::CKestroDetailsView(QWidget* parent) : QPlainTextEdit(parent) {
    setReadOnly(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setUndoRedoEnabled(false);
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
}

void CKestroDetailsView::ShowLines(const decode::CPktDetailLine& root) {
    setPlainText(QString::fromUtf8(decode::RenderDetailText(root, "\n")));
}

void CKestroDetailsView::SelectAllText() {
    selectAll();
    ensureCursorVisible();
}

void CKestroDetailsView::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.addAction(tr("&Switch to Tree View"), this, &CKestroDetailsView::SwitchRequested)
        ->setData(static_cast<uint>(CommandId::SwitchDetailView));
    menu.addSeparator();
    QAction* copyAction = menu.addAction(tr("&Copy Selection"), this, &CKestroDetailsView::copy);
    copyAction->setData(static_cast<uint>(CommandId::CopySelection));
    copyAction->setEnabled(textCursor().hasSelection());
    menu.addAction(tr("Select &All"), this, &CKestroDetailsView::SelectAllText)
        ->setData(static_cast<uint>(CommandId::SelectAll));
    menu.addSeparator();
    QAction* bytesPane = menu.addAction(tr("&Bytes Pane"), this, &CKestroDetailsView::BytesPaneToggled);
    bytesPane->setData(static_cast<uint>(CommandId::ViewBytesPane));
    bytesPane->setCheckable(true);
    bytesPane->setChecked(BytesPaneSwitch::Instance().IsOn());
    menu.exec(event->globalPos());
}

}  // namespace views
