// One line of a frame's detail tree: the layer's prefix ("TCP: "), the text, the bytes of
// the frame it describes, and the lines that explain it. The root a caller passes in has
// neither prefix nor text.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/ByteReader.h"

namespace decode {

// Bytes of a frame: the first one's offset from the frame's start, and how many.
struct ByteRange {
    std::uint32_t offset = 0;
    std::uint32_t length = 0;
    std::uint32_t End() const noexcept { return offset + length; }
    bool Contains(const ByteRange& inner) const noexcept { return inner.offset >= offset && inner.End() <= End(); }
    bool operator==(const ByteRange&) const = default;
};

class CPktDetailLine {
public:
    CPktDetailLine() = default;
    CPktDetailLine(std::string_view prefix, std::string text) : m_prefix(prefix), m_text(std::move(text)) {}

    // The frame whose bytes the lines below are to describe; the chain driver sets it on the
    // root before the first layer, and every line added below takes it from its parent.
    void SetFrame(std::span<const std::uint8_t> frame) noexcept { m_frame = frame; }

    // Appends a child and returns it, so a layer can hang its field lines below.
    CPktDetailLine& Add(std::string_view prefix, std::string text) {
        m_children.push_back(std::make_unique<CPktDetailLine>(prefix, std::move(text)));
        m_children.back()->m_frame = m_frame;
        return *m_children.back();
    }
    // The same, describing bytes a reader over the frame handed out (Slice, Since, Bytes).
    CPktDetailLine& Add(std::string_view prefix, std::string text, std::span<const std::uint8_t> bytes) {
        CPktDetailLine& line = Add(prefix, std::move(text));
        line.Describes(bytes);
        return line;
    }

    // Records the bytes this line describes. They must be a part of the frame: anything else
    // (an empty span, a copy) leaves the line describing none.
    CPktDetailLine& Describes(std::span<const std::uint8_t> bytes) noexcept {
        if (const auto offset = core::OffsetWithin(m_frame, bytes)) {
            m_bytes = ByteRange{static_cast<std::uint32_t>(*offset), static_cast<std::uint32_t>(bytes.size())};
        }
        return *this;
    }
    void SetBytes(std::optional<ByteRange> bytes) noexcept { m_bytes = bytes; }

    // An empty line over the same frame, to collect lines that are adopted later.
    CPktDetailLine Holder() const {
        CPktDetailLine holder;
        holder.m_frame = m_frame;
        return holder;
    }

    // Moves the lines below other to the end of this line's children.
    void Adopt(CPktDetailLine& other) {
        for (auto& child : other.m_children) m_children.push_back(std::move(child));
        other.m_children.clear();
    }

    const std::string& Prefix() const noexcept { return m_prefix; }
    const std::string& Text() const noexcept { return m_text; }
    // The bytes of the frame this line describes; none for a line about no bytes (a time, a
    // count, a verdict).
    const std::optional<ByteRange>& Bytes() const noexcept { return m_bytes; }
    const std::vector<std::unique_ptr<CPktDetailLine>>& Children() const noexcept { return m_children; }

private:
    std::string m_prefix;
    std::string m_text;
    std::optional<ByteRange> m_bytes;
    // Only compared against while lines are added, never read through: once the chain is
    // done the frame's buffer may go while the tree stays.
    std::span<const std::uint8_t> m_frame;
    std::vector<std::unique_ptr<CPktDetailLine>> m_children;
};

}  // namespace decode
