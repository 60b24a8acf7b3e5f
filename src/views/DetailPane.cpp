// Detail pane.
#include "views/DetailPane.h"

#include <QItemSelectionModel>
#include <QTextBlock>

#include "views/BytesPaneSwitch.h"

namespace views {

DetailPane::DetailPane(const packetlist::CKestroView& view, QWidget* parent)
    : QSplitter(Qt::Vertical, parent),
      m_view(view) {
    m_stack.addWidget(&m_tree);
    m_stack.addWidget(&m_text);
    m_stack.setCurrentWidget(&m_tree);
    addWidget(&m_stack);
    addWidget(&m_bytes);
    setChildrenCollapsible(false);
    setStretchFactor(0, 3);
    setStretchFactor(1, 2);
    connect(&m_tree, &CKestroTreeDetailsView::SwitchRequested, this, &DetailPane::SwitchKind);
    connect(&m_text, &CKestroDetailsView::SwitchRequested, this, &DetailPane::SwitchKind);
    connect(m_tree.selectionModel(), &QItemSelectionModel::currentChanged, this, &DetailPane::LineSelected);
    connect(&m_text, &QPlainTextEdit::cursorPositionChanged, this, &DetailPane::LineSelected);
    connect(&m_bytes, &BytesPane::LineClicked, this, &DetailPane::SelectLine);

    BytesPaneSwitch& bytesSwitch = BytesPaneSwitch::Instance();
    const auto toggle = [&bytesSwitch] { bytesSwitch.Set(!bytesSwitch.IsOn()); };
    connect(&m_tree, &CKestroTreeDetailsView::BytesPaneToggled, this, toggle);
    connect(&m_text, &CKestroDetailsView::BytesPaneToggled, this, toggle);
    connect(&m_bytes, &BytesPane::HideRequested, this, [&bytesSwitch] { bytesSwitch.Set(false); });
    connect(&bytesSwitch, &BytesPaneSwitch::Changed, this, &DetailPane::SetBytesShown);
    SetBytesShown(bytesSwitch.IsOn());
}

void DetailPane::ShowRow(std::optional<std::uint32_t> row) {
    m_row = row;
    auto root = std::make_unique<decode::CPktDetailLine>();
    if (row) m_view.DetailOf(*row, *root);
    // The bytes pane reads the lines of the kind on show, which keeps them until the next row.
    const decode::CPktDetailLine* lines = root.get();
    std::vector<std::uint8_t> bytes = row ? m_view.BytesOf(*row) : std::vector<std::uint8_t>{};
    m_bytes.ShowFrame({}, nullptr);
    if (TreeShown()) {
        m_textLines.reset();
        m_tree.ShowLines(std::move(root));
    } else {
        m_text.ShowLines(*root);
        m_textLines = std::move(root);
    }
    m_bytes.ShowFrame(std::move(bytes), lines);
}

void DetailPane::SwitchKind() {
    const bool wasTree = TreeShown();
    // The kind going away lets go of its lines, so only one copy of a frame's details lives.
    m_bytes.ShowFrame({}, nullptr);
    if (wasTree) {
        m_tree.ShowLines(nullptr);
        m_stack.setCurrentWidget(&m_text);
    } else {
        m_text.clear();
        m_textLines.reset();
        m_stack.setCurrentWidget(&m_tree);
    }
    ShowRow(m_row);
    emit KindSwitched();
}

const decode::CPktDetailLine* DetailPane::SelectedLine() const {
    if (TreeShown()) return m_tree.Lines().LineOf(m_tree.currentIndex());
    if (m_textLines == nullptr || m_text.document()->isEmpty()) return nullptr;
    // The text view prints one line per detail line, in the order the bytes model keeps.
    return m_bytes.Model().LineByIndex(static_cast<std::size_t>(m_text.textCursor().blockNumber()));
}

void DetailPane::SelectLine(const decode::CPktDetailLine* line) {
    if (line == nullptr) return;
    if (TreeShown()) {
        const QModelIndex index = m_tree.Lines().IndexOf(line);
        if (!index.isValid()) return;
        for (QModelIndex up = index.parent(); up.isValid(); up = up.parent()) m_tree.expand(up);
        m_tree.setCurrentIndex(index);
        m_tree.scrollTo(index);
        return;
    }
    const auto number = m_bytes.Model().IndexOf(line);
    if (!number) return;
    QTextCursor cursor(m_text.document()->findBlockByNumber(static_cast<int>(*number)));
    m_text.setTextCursor(cursor);
    m_text.ensureCursorVisible();
}

void DetailPane::LineSelected() { m_bytes.Mark(SelectedLine()); }

void DetailPane::SetBytesShown(bool shown) { m_bytes.setVisible(shown); }

}  // namespace views
