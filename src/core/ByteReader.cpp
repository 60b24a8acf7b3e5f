// The bounded byte reader; every read checks what remains before it touches a byte.
#include "core/ByteReader.h"

#include <algorithm>

namespace core {

bool ByteReader::Need(std::size_t n) noexcept {
    if (n <= Remaining()) return true;
    m_failed = true;
    return false;
}

std::uint8_t ByteReader::U8() noexcept {
    if (!Need(1)) return 0;
    return m_bytes[m_pos++];
}

std::uint16_t ByteReader::Be16() noexcept {
    if (!Need(2)) return 0;
    const auto v = static_cast<std::uint16_t>((m_bytes[m_pos] << 8) | m_bytes[m_pos + 1]);
    m_pos += 2;
    return v;
}

std::uint32_t ByteReader::Be32() noexcept {
    if (!Need(4)) return 0;
    const std::uint32_t v = (std::uint32_t{m_bytes[m_pos]} << 24) | (std::uint32_t{m_bytes[m_pos + 1]} << 16) |
                            (std::uint32_t{m_bytes[m_pos + 2]} << 8) | std::uint32_t{m_bytes[m_pos + 3]};
    m_pos += 4;
    return v;
}

std::uint16_t ByteReader::Le16() noexcept {
    if (!Need(2)) return 0;
    const auto v = static_cast<std::uint16_t>(m_bytes[m_pos] | (m_bytes[m_pos + 1] << 8));
    m_pos += 2;
    return v;
}

std::uint32_t ByteReader::Le32() noexcept {
    if (!Need(4)) return 0;
    const std::uint32_t v = std::uint32_t{m_bytes[m_pos]} | (std::uint32_t{m_bytes[m_pos + 1]} << 8) |
                            (std::uint32_t{m_bytes[m_pos + 2]} << 16) | (std::uint32_t{m_bytes[m_pos + 3]} << 24);
    m_pos += 4;
    return v;
}

std::uint64_t ByteReader::Le64() noexcept {
    if (!Need(8)) return 0;
    const std::uint64_t low = Le32();
    const std::uint64_t high = Le32();
    return low | (high << 32);
}

std::span<const std::uint8_t> ByteReader::Bytes(std::size_t n) noexcept {
    if (!Need(n)) return {};
    auto out = m_bytes.subspan(m_pos, n);
    m_pos += n;
    return out;
}

ByteReader ByteReader::Sub(std::size_t n) noexcept {
    const bool fits = Need(n);
    const std::size_t take = fits ? n : Remaining();
    ByteReader child(m_bytes.subspan(m_pos, take));
    child.m_failed = !fits;
    m_pos += take;
    return child;
}

ByteReader ByteReader::At(std::size_t offset) const noexcept {
    ByteReader copy(m_bytes);
    if (offset > m_bytes.size()) {
        copy.m_pos = m_bytes.size();
        copy.m_failed = true;
    } else {
        copy.m_pos = offset;
    }
    return copy;
}

std::optional<std::string_view> ByteReader::Line(std::size_t maxLen) noexcept {
    const auto rest = Rest();
    const std::size_t limit = rest.size() < maxLen ? rest.size() : maxLen;
    for (std::size_t i = 0; i < limit; ++i) {
        if (rest[i] != '\n') continue;
        std::size_t len = i;
        if (len > 0 && rest[len - 1] == '\r') --len;
        std::string_view line(reinterpret_cast<const char*>(rest.data()), len);
        m_pos += i + 1;
        return line;
    }
    return std::nullopt;
}

bool ByteReader::Skip(std::size_t n) noexcept {
    if (!Need(n)) return false;
    m_pos += n;
    return true;
}

bool ByteReader::Seek(std::size_t offset) noexcept {
    if (offset > m_bytes.size()) {
        m_failed = true;
        return false;
    }
    m_pos = offset;
    return true;
}

std::span<const std::uint8_t> ByteReader::Slice(std::size_t offset, std::size_t n) const noexcept {
    if (offset >= m_bytes.size()) return {};
    return m_bytes.subspan(offset, std::min(n, m_bytes.size() - offset));
}

std::span<const std::uint8_t> ByteReader::Since(std::size_t from) const noexcept {
    return from <= m_pos ? m_bytes.subspan(from, m_pos - from) : std::span<const std::uint8_t>{};
}

}  // namespace core
