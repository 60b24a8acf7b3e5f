// Bounded, non-owning reader over a byte span: the only place that does pointer arithmetic
// on outside bytes. Reads past the end yield zeros and set a flag that stays set, so a
// decoder can read a whole header in straight lines and check once.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace core {

class ByteReader {
public:
    ByteReader() noexcept = default;
    explicit ByteReader(std::span<const std::uint8_t> bytes) noexcept : m_bytes(bytes) {}

    std::uint8_t U8() noexcept;
    std::uint16_t Be16() noexcept;
    std::uint32_t Be32() noexcept;
    std::uint16_t Le16() noexcept;
    std::uint32_t Le32() noexcept;
    std::uint64_t Le64() noexcept;

    // The next n bytes, or an empty span and Failed() when fewer remain (nothing consumed then).
    std::span<const std::uint8_t> Bytes(std::size_t n) noexcept;
    // A child reader over the next n bytes (bounded by what remains; short sets Failed() on both).
    ByteReader Sub(std::size_t n) noexcept;
    // The same bytes at another position; Failed() on the copy when offset is past the end.
    ByteReader At(std::size_t offset) const noexcept;
    // Bytes up to the first LF (a CR before it is dropped), at most maxLen of them; the LF is
    // consumed. nullopt when no LF comes within maxLen bytes or before the end.
    std::optional<std::string_view> Line(std::size_t maxLen) noexcept;

    bool Skip(std::size_t n) noexcept;
    // Moves to an absolute offset within the span; false (and Failed()) when past the end.
    bool Seek(std::size_t offset) noexcept;

    std::uint8_t PeekU8() const noexcept { return m_pos < m_bytes.size() ? m_bytes[m_pos] : 0; }
    bool Failed() const noexcept { return m_failed; }
    bool AtEnd() const noexcept { return m_pos >= m_bytes.size(); }
    std::size_t Offset() const noexcept { return m_pos; }
    std::size_t Size() const noexcept { return m_bytes.size(); }
    std::size_t Remaining() const noexcept { return m_bytes.size() - m_pos; }
    std::span<const std::uint8_t> Rest() const noexcept { return m_bytes.subspan(m_pos); }
    std::span<const std::uint8_t> Whole() const noexcept { return m_bytes; }
    // The n bytes at offset, cut at the end (empty past it): what a detail line describes,
    // named by the field's place in the header. Reads nothing.
    std::span<const std::uint8_t> Slice(std::size_t offset, std::size_t n) const noexcept;
    // The bytes from offset from up to the current position: what the reads since then took.
    std::span<const std::uint8_t> Since(std::size_t from) const noexcept;

private:
    bool Need(std::size_t n) noexcept;

    std::span<const std::uint8_t> m_bytes;
    std::size_t m_pos = 0;
    bool m_failed = false;
};

// Where part starts within whole, when it lies entirely inside it (an empty part never
// does): how a span a reader handed out is turned back into an offset in its frame. The
// addresses are compared as numbers, so a part from another buffer is told apart without
// comparing pointers into different objects; inline, as the detail chain asks it per line.
inline std::optional<std::size_t> OffsetWithin(std::span<const std::uint8_t> whole,
                                               std::span<const std::uint8_t> part) noexcept {
    if (part.empty()) return std::nullopt;
    const auto first = std::bit_cast<std::uintptr_t>(whole.data());
    const auto at = std::bit_cast<std::uintptr_t>(part.data());
    if (at < first || at - first >= whole.size() || part.size() > whole.size() - (at - first)) return std::nullopt;
    return at - first;
}

}  // namespace core
