// The hex dump of a frame's bytes, as `show --hex` prints it and the bytes pane draws it:
// 16 bytes a line, the offset of the line's first byte at the left, the bytes in hex with a
// wider gap after the eighth, then the same bytes as printable ASCII ('.' for the rest):
//   0000  00 00 0c 12 34 56 00 a0  c9 ab cd ef 08 00 45 00   ....4V........E.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace core {

class HexDump {
public:
    static constexpr std::size_t kBytesPerLine = 16;

    // The layout for a frame of size bytes: offsets take four hex digits, more for frames
    // past 64 KiB, so every line of one dump is as wide.
    explicit HexDump(std::size_t size) noexcept;

    std::size_t Size() const noexcept { return m_size; }
    std::size_t LineCount() const noexcept { return (m_size + kBytesPerLine - 1) / kBytesPerLine; }
    // Characters of a full line; a short last line is padded so its text column lines up.
    std::size_t LineLength() const noexcept { return TextColumn(kBytesPerLine); }

    // One line of the dump of bytes (which must be Size() long), without a line end.
    std::string Line(std::span<const std::uint8_t> bytes, std::size_t line) const;
    // Every line, each ended by a line feed.
    void Append(std::string& out, std::span<const std::uint8_t> bytes) const;

    // Where the byte at index (0 to 15 within its line) is drawn: its first hex digit, and
    // its character.
    std::size_t HexColumn(std::size_t index) const noexcept;
    std::size_t TextColumn(std::size_t index) const noexcept;
    // The byte of the frame drawn at a column of a line: its two hex digits or its
    // character; nothing for the offset, the gaps and past the last byte.
    std::optional<std::size_t> ByteAt(std::size_t line, std::size_t column) const noexcept;

private:
    std::size_t m_size;
    std::size_t m_offsetDigits = 4;
};

}  // namespace core
