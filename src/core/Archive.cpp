// Archive byte stream: writer appends, reader checks every length against what remains.
#include "core/Archive.h"

namespace core {

namespace {
constexpr std::uint8_t kStringEscape8 = 0xFF;
constexpr std::uint16_t kStringEscape16 = 0xFFFF;
constexpr std::uint16_t kCountEscape = 0xFFFF;

// A length below 255 takes one byte; below 0xFFFE, the byte 0xFF and a 16-bit length;
// beyond that, 0xFF, 0xFFFF and a 32-bit length.
std::size_t StringPrefixSize(std::uint32_t len) noexcept {
    if (len < kStringEscape8) return 1;
    if (len < kStringEscape16 - 1) return 3;
    return 7;
}

}  // namespace

void Archive::WriteU8(std::uint8_t v) { m_out->push_back(v); }

void Archive::WriteU16(std::uint16_t v) {
    m_out->push_back(static_cast<std::uint8_t>(v));
    m_out->push_back(static_cast<std::uint8_t>(v >> 8));
}

void Archive::WriteU32(std::uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8) m_out->push_back(static_cast<std::uint8_t>(v >> shift));
}

void Archive::WriteBytes(std::span<const std::uint8_t> bytes) {
    m_out->insert(m_out->end(), bytes.begin(), bytes.end());
}

void Archive::WriteCount(std::uint32_t count) {
    if (count < kCountEscape) {
        WriteU16(static_cast<std::uint16_t>(count));
    } else {
        WriteU16(kCountEscape);
        WriteU32(count);
    }
}

void Archive::WriteString(std::string_view text) {
    const auto len = static_cast<std::uint32_t>(text.size());
    const std::size_t prefix = StringPrefixSize(len);
    if (prefix == 1) {
        WriteU8(static_cast<std::uint8_t>(len));
    } else if (prefix == 3) {
        WriteU8(kStringEscape8);
        WriteU16(static_cast<std::uint16_t>(len));
    } else {
        WriteU8(kStringEscape8);
        WriteU16(kStringEscape16);
        WriteU32(len);
    }
    m_out->insert(m_out->end(), text.begin(), text.end());
}

void Archive::Need(std::size_t n) const {
    if (n > Remaining()) throw ArchiveException(ArchiveException::Cause::EndOfFile, "archive ends early");
}

std::uint8_t Archive::ReadU8() {
    Need(1);
    return m_in[m_pos++];
}

std::uint16_t Archive::ReadU16() {
    Need(2);
    const auto v = static_cast<std::uint16_t>(m_in[m_pos] | (m_in[m_pos + 1] << 8));
    m_pos += 2;
    return v;
}

std::uint32_t Archive::ReadU32() {
    Need(4);
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | m_in[m_pos + static_cast<std::size_t>(i)];
    m_pos += 4;
    return v;
}

std::span<const std::uint8_t> Archive::ReadBytes(std::size_t n) {
    Need(n);
    auto out = m_in.subspan(m_pos, n);
    m_pos += n;
    return out;
}

std::uint32_t Archive::ReadCount() {
    const std::uint16_t small = ReadU16();
    if (small != kCountEscape) return small;
    const std::uint32_t count = ReadU32();
    if (count < kCountEscape)
        throw ArchiveException(ArchiveException::Cause::BadCount, "count stored in a longer form than it needs");
    return count;
}

std::string Archive::ReadString() {
    const std::size_t start = m_pos;
    std::uint32_t len = ReadU8();
    if (len == kStringEscape8) {
        len = ReadU16();
        if (len == kStringEscape16) len = ReadU32();
    }
    if (m_pos - start != StringPrefixSize(len))
        throw ArchiveException(ArchiveException::Cause::BadValue, "length stored in a longer form than it needs");
    const auto bytes = ReadBytes(len);  // checked before anything is allocated
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace core
