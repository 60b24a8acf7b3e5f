// The bytes pane's model.
#include "packetlist/BytesPaneModel.h"

#include <algorithm>

#include "decode/DetailRanges.h"
#include "decode/DetailText.h"

namespace packetlist {

void BytesPaneModel::SetFrame(std::vector<std::uint8_t> bytes, const decode::CPktDetailLine* root) {
    m_bytes = std::move(bytes);
    m_layout = core::HexDump(m_bytes.size());
    m_root = root;
    m_order.clear();
    if (root != nullptr) {
        decode::ForEachDetailLine(
            *root, [this](const decode::CPktDetailLine& line, std::size_t) { m_order.push_back(&line); });
    }
    m_selected = nullptr;
    m_marked.reset();
}

void BytesPaneModel::Select(const decode::CPktDetailLine* line) noexcept {
    m_selected = line;
    m_marked.reset();
    if (line == nullptr || !line->Bytes()) return;
    // A range the frame does not hold (it cannot come from the decoders) marks what it can.
    const decode::ByteRange& range = *line->Bytes();
    if (range.offset >= m_bytes.size()) return;
    const auto length = std::min<std::size_t>(range.length, m_bytes.size() - range.offset);
    m_marked = decode::ByteRange{range.offset, static_cast<std::uint32_t>(length)};
}

std::vector<BytesPaneModel::ColumnRun> BytesPaneModel::MarkedOn(std::size_t line) const {
    if (!m_marked || m_marked->length == 0) return {};
    const std::size_t lineFirst = line * core::HexDump::kBytesPerLine;
    const std::size_t lineEnd = lineFirst + core::HexDump::kBytesPerLine;
    const std::size_t first = std::max<std::size_t>(m_marked->offset, lineFirst);
    const std::size_t end = std::min<std::size_t>(m_marked->End(), lineEnd);
    if (first >= end) return {};
    const std::size_t a = first - lineFirst;
    const std::size_t b = end - lineFirst;  // one past the last marked byte of the line
    return {{m_layout.HexColumn(a), m_layout.HexColumn(b - 1) + 2}, {m_layout.TextColumn(a), m_layout.TextColumn(b)}};
}

std::optional<std::size_t> BytesPaneModel::FirstMarkedLine() const noexcept {
    if (!m_marked || m_marked->length == 0) return std::nullopt;
    return m_marked->offset / core::HexDump::kBytesPerLine;
}

const decode::CPktDetailLine* BytesPaneModel::LineAt(std::size_t line, std::size_t column) const {
    if (m_root == nullptr) return nullptr;
    const auto byte = m_layout.ByteAt(line, column);
    return byte ? decode::DeepestLineAt(*m_root, *byte) : nullptr;
}

std::optional<std::size_t> BytesPaneModel::IndexOf(const decode::CPktDetailLine* line) const noexcept {
    const auto it = std::find(m_order.begin(), m_order.end(), line);
    if (line == nullptr || it == m_order.end()) return std::nullopt;
    return static_cast<std::size_t>(it - m_order.begin());
}

const decode::CPktDetailLine* BytesPaneModel::LineByIndex(std::size_t index) const noexcept {
    return index < m_order.size() ? m_order[index] : nullptr;
}

}  // namespace packetlist
