// The lower pane of a capture window: the selected frame's details as a tree (the first
// choice) or as text, switched from either one's context menu, and below them the frame's
// bytes (hidden and shown with the workbench's bytes pane switch). Selecting a detail line
// marks its bytes; clicking a byte selects the deepest line that names it. Only the frame's
// details are decoded, and only into the kind on show.
#pragma once

#include <QSplitter>
#include <QStackedWidget>
#include <memory>
#include <optional>

#include "packetlist/CKestroView.h"
#include "views/BytesPane.h"
#include "views/CKestroDetailsView.h"
#include "views/CKestroTreeDetailsView.h"

namespace views {

class DetailPane : public QSplitter {
    Q_OBJECT
public:
    DetailPane(const packetlist::CKestroView& view, QWidget* parent = nullptr);

    // Decodes row of the screen on display into the pane; none (or a row the screen does
    // not hold) empties it.
    void ShowRow(std::optional<std::uint32_t> row);
    // Tree to text or back, showing the same row again in the new form.
    void SwitchKind();
    bool TreeShown() const noexcept { return m_stack.currentWidget() == &m_tree; }
    // The tree or the text, whichever shows.
    QWidget* currentWidget() const { return m_stack.currentWidget(); }

    CKestroTreeDetailsView& Tree() noexcept { return m_tree; }
    CKestroDetailsView& Text() noexcept { return m_text; }
    BytesPane& Bytes() noexcept { return m_bytes; }

    // The detail line shown selected (in the tree, or the text's caret line); nullptr for none.
    const decode::CPktDetailLine* SelectedLine() const;
    // Selects the line in the tree (opening its parents) or puts the text's caret on it.
    void SelectLine(const decode::CPktDetailLine* line);

signals:
    // The pane switched from tree to text or back.
    void KindSwitched();

private:
    void LineSelected();
    void SetBytesShown(bool shown);

    const packetlist::CKestroView& m_view;
    QStackedWidget m_stack;
    CKestroTreeDetailsView m_tree;
    CKestroDetailsView m_text;
    BytesPane m_bytes;
    std::optional<std::uint32_t> m_row;
    // The lines the text view shows (the tree's model keeps its own).
    std::unique_ptr<decode::CPktDetailLine> m_textLines;
};

}  // namespace views
