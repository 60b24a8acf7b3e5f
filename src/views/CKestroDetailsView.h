// The detail pane as read-only text, the same text `palomet-cli show` prints: each line
// indented four spaces per level below the top; its context menu switches to the tree,
// copies the selection or selects everything.
#pragma once

#include <QPlainTextEdit>

#include "decode/CPktDetailLine.h"

namespace views {

class CKestroDetailsView : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit CKestroDetailsView(QWidget* parent = nullptr);

    void ShowLines(const decode::CPktDetailLine& root);
    // Selects every line and keeps the caret in view.
    void SelectAllText();

signals:
    void SwitchRequested();
    // The context menu's Bytes Pane item: the pane below is to hide or show.
    void BytesPaneToggled();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
};

}  // namespace views
