// The detail pane as a tree, with buttons and lines at the root; its context menu switches
// to the text view, expands every item or collapses the top-level items.
#pragma once

#include <QTreeView>

#include "views/DetailTreeModel.h"

namespace views {

class CKestroTreeDetailsView : public QTreeView {
    Q_OBJECT
public:
    explicit CKestroTreeDetailsView(QWidget* parent = nullptr);

    void ShowLines(std::unique_ptr<decode::CPktDetailLine> root) { m_model.SetLines(std::move(root)); }
    const DetailTreeModel& Lines() const noexcept { return m_model; }
    // Every item, depth first.
    void ExpandAll() { expandAll(); }
    // The top-level items only: lines further down keep their state for when their parent
    // opens again.
    void CollapseAll();
    // The selected line's text, for the clipboard.
    QString SelectedText() const;

signals:
    void SwitchRequested();
    // The context menu's Bytes Pane item: the pane below is to hide or show.
    void BytesPaneToggled();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    DetailTreeModel m_model;
};

}  // namespace views
