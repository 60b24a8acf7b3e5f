// Hex dump lines and the columns of their bytes.
#include "core/HexDump.h"

#include <algorithm>

namespace core {

namespace {

constexpr char kDigits[] = "0123456789abcdef";
constexpr std::size_t kOffsetGap = 2;  // blanks after the offset
constexpr std::size_t kTextGap = 3;    // blanks between the hex and the characters
constexpr std::size_t kHalf = HexDump::kBytesPerLine / 2;

char Printable(std::uint8_t byte) { return byte >= 0x20 && byte < 0x7F ? static_cast<char>(byte) : '.'; }

}  // namespace

HexDump::HexDump(std::size_t size) noexcept : m_size(size) {
    const std::size_t last = size > 0 ? size - 1 : 0;
    while (m_offsetDigits < 2 * sizeof(std::size_t) && (last >> (4 * m_offsetDigits)) != 0) ++m_offsetDigits;
}

std::size_t HexDump::HexColumn(std::size_t index) const noexcept {
    return m_offsetDigits + kOffsetGap + 3 * index + (index >= kHalf ? 1 : 0);
}

std::size_t HexDump::TextColumn(std::size_t index) const noexcept {
    // The hex part is as wide for every line: 16 pairs, their blanks and the middle gap.
    return HexColumn(kBytesPerLine) - 1 + kTextGap + index;
}

std::string HexDump::Line(std::span<const std::uint8_t> bytes, std::size_t line) const {
    const std::size_t first = line * kBytesPerLine;
    const std::size_t count = first < bytes.size() ? std::min(kBytesPerLine, bytes.size() - first) : 0;
    std::string out(count > 0 ? TextColumn(count) : 0, ' ');
    if (count == 0) return out;
    const std::size_t offset = first;
    for (std::size_t d = 0; d < m_offsetDigits; ++d) out[m_offsetDigits - 1 - d] = kDigits[(offset >> (4 * d)) & 0xFU];
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t byte = bytes[first + i];
        out[HexColumn(i)] = kDigits[byte >> 4U];
        out[HexColumn(i) + 1] = kDigits[byte & 0xFU];
        out[TextColumn(i)] = Printable(byte);
    }
    return out;
}

void HexDump::Append(std::string& out, std::span<const std::uint8_t> bytes) const {
    for (std::size_t line = 0; line < LineCount(); ++line) {
        out += Line(bytes, line);
        out += '\n';
    }
}

std::optional<std::size_t> HexDump::ByteAt(std::size_t line, std::size_t column) const noexcept {
    std::optional<std::size_t> index;
    if (column >= TextColumn(0) && column < TextColumn(kBytesPerLine)) {
        index = column - TextColumn(0);
    } else {
        for (std::size_t i = 0; i < kBytesPerLine && !index; ++i) {
            if (column == HexColumn(i) || column == HexColumn(i) + 1) index = i;
        }
    }
    if (!index) return std::nullopt;
    const std::size_t byte = line * kBytesPerLine + *index;
    return byte < m_size ? std::optional<std::size_t>(byte) : std::nullopt;
}

}  // namespace core
