// The lower pane of a capture window: the selected frame's details as a tree (the first
// choice) or as text, switched from either one's context menu. Only the frame's details
// are decoded, and only into the kind on show.
#pragma once

#include <QStackedWidget>
#include <optional>

#include "packetlist/CKestroView.h"
#include "views/CKestroDetailsView.h"
#include "views/CKestroTreeDetailsView.h"

namespace views {

class DetailPane : public QStackedWidget {
    Q_OBJECT
public:
    DetailPane(const packetlist::CKestroView& view, QWidget* parent = nullptr);

    // Decodes row of the screen on display into the pane; none (or a row the screen does
    // not hold) empties it.
    void ShowRow(std::optional<std::uint32_t> row);
    // Tree to text or back, showing the same row again in the new form.
    void SwitchKind();
    bool TreeShown() const noexcept { return currentWidget() == &m_tree; }

    CKestroTreeDetailsView& Tree() noexcept { return m_tree; }
    CKestroDetailsView& Text() noexcept { return m_text; }

signals:
    // The pane switched from tree to text or back.
    void KindSwitched();

private:
    const packetlist::CKestroView& m_view;
    CKestroTreeDetailsView m_tree;
    CKestroDetailsView m_text;
    std::optional<std::uint32_t> m_row;
};

}  // namespace views
