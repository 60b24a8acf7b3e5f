// Detail pane.
#include "views/DetailPane.h"

namespace views {

DetailPane::DetailPane(const packetlist::CKestroView& view, QWidget* parent) : QStackedWidget(parent), m_view(view) {
    addWidget(&m_tree);
    addWidget(&m_text);
    setCurrentWidget(&m_tree);
    connect(&m_tree, &CKestroTreeDetailsView::SwitchRequested, this, &DetailPane::SwitchKind);
    connect(&m_text, &CKestroDetailsView::SwitchRequested, this, &DetailPane::SwitchKind);
}

void DetailPane::ShowRow(std::optional<std::uint32_t> row) {
    m_row = row;
    auto root = std::make_unique<decode::CPktDetailLine>();
    if (row) m_view.DetailOf(*row, *root);
    if (TreeShown()) {
        m_tree.ShowLines(std::move(root));
    } else {
        m_text.ShowLines(*root);
    }
}

void DetailPane::SwitchKind() {
    const bool wasTree = TreeShown();
    // The kind going away lets go of its lines, so only one copy of a frame's details lives.
    if (wasTree) {
        m_tree.ShowLines(nullptr);
        setCurrentWidget(&m_text);
    } else {
        m_text.clear();
        setCurrentWidget(&m_tree);
    }
    ShowRow(m_row);
    emit KindSwitched();
}

}  // namespace views
