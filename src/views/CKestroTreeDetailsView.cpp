// Detail tree view.
#include "views/CKestroTreeDetailsView.h"

#include <QContextMenuEvent>
#include <QMenu>

#include "views/BytesPaneSwitch.h"
#include "views/CommandIds.h"

namespace views {

CKestroTreeDetailsView::CKestroTreeDetailsView(QWidget* parent) : QTreeView(parent) {
    setModel(&m_model);
    setHeaderHidden(true);
    setRootIsDecorated(true);
    setUniformRowHeights(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
}

void CKestroTreeDetailsView::CollapseAll() {
    for (int row = 0; row < m_model.rowCount(); ++row) collapse(m_model.index(row, 0));
}

QString CKestroTreeDetailsView::SelectedText() const {
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.data().toString() : QString();
}

void CKestroTreeDetailsView::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.addAction(tr("&Switch to Edit View"), this, &CKestroTreeDetailsView::SwitchRequested)
        ->setData(static_cast<uint>(CommandId::SwitchDetailView));
    menu.addSeparator();
    menu.addAction(tr("&Expand All"), this, &CKestroTreeDetailsView::ExpandAll)
        ->setData(static_cast<uint>(CommandId::ExpandAll));
    menu.addAction(tr("&Collapse All"), this, &CKestroTreeDetailsView::CollapseAll)
        ->setData(static_cast<uint>(CommandId::CollapseAll));
    menu.addSeparator();
    QAction* bytesPane = menu.addAction(tr("&Bytes Pane"), this, &CKestroTreeDetailsView::BytesPaneToggled);
    bytesPane->setData(static_cast<uint>(CommandId::ViewBytesPane));
    bytesPane->setCheckable(true);
    bytesPane->setChecked(BytesPaneSwitch::Instance().IsOn());
    menu.exec(event->globalPos());
}

}  // namespace views
