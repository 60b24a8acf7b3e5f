// What the bytes pane shows of the selected frame, without Qt: the frame's bytes as hex dump
// lines, the columns to mark for the selected detail line's bytes, and which detail line a
// byte under the pointer belongs to (the deepest one that names it).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/HexDump.h"
#include "decode/CPktDetailLine.h"

namespace packetlist {

class BytesPaneModel {
public:
    // A run of characters on one dump line: [first, end).
    struct ColumnRun {
        std::size_t first = 0;
        std::size_t end = 0;
        bool operator==(const ColumnRun&) const = default;
    };

    // The frame's bytes and its detail tree; the tree is the caller's and must stay until the
    // next SetFrame or Clear. A null root: bytes without lines to select.
    void SetFrame(std::vector<std::uint8_t> bytes, const decode::CPktDetailLine* root);
    void Clear() { SetFrame({}, nullptr); }

    const core::HexDump& Layout() const noexcept { return m_layout; }
    std::size_t LineCount() const noexcept { return m_layout.LineCount(); }
    std::string LineText(std::size_t line) const { return m_layout.Line(m_bytes, line); }

    // The line whose bytes are marked (nullptr: none); a line naming no bytes marks none.
    void Select(const decode::CPktDetailLine* line) noexcept;
    const decode::CPktDetailLine* Selected() const noexcept { return m_selected; }
    const std::optional<decode::ByteRange>& Marked() const noexcept { return m_marked; }
    // The marked bytes on a dump line: the hex run, then the character run; none when the
    // line holds none of them.
    std::vector<ColumnRun> MarkedOn(std::size_t line) const;
    // The first dump line that holds a marked byte, to scroll it into view.
    std::optional<std::size_t> FirstMarkedLine() const noexcept;

    // The deepest detail line naming the byte drawn at a column of a dump line; nullptr where
    // no byte is drawn or no line names it.
    const decode::CPktDetailLine* LineAt(std::size_t line, std::size_t column) const;

    // The detail lines in display order (as the text view prints them), so a line of the
    // text view and a detail line can be told from each other.
    std::optional<std::size_t> IndexOf(const decode::CPktDetailLine* line) const noexcept;
    const decode::CPktDetailLine* LineByIndex(std::size_t index) const noexcept;

private:
    std::vector<std::uint8_t> m_bytes;
    core::HexDump m_layout{0};
    const decode::CPktDetailLine* m_root = nullptr;
    std::vector<const decode::CPktDetailLine*> m_order;
    const decode::CPktDetailLine* m_selected = nullptr;
    std::optional<decode::ByteRange> m_marked;
};

}  // namespace packetlist
