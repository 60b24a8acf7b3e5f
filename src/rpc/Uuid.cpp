// UUID text parsing and formatting, and its wire form.
#include "rpc/Uuid.h"

namespace rpc {
namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

constexpr bool IsDashPosition(std::size_t i) { return i == 8 || i == 13 || i == 18 || i == 23; }

}  // namespace

std::optional<Uuid> Uuid::Parse(std::string_view text) {
    if (text.size() != 36) return std::nullopt;
    std::array<std::uint8_t, 16> bytes{};
    std::size_t out = 0;
    for (std::size_t i = 0; i < text.size();) {
        if (IsDashPosition(i)) {
            if (text[i] != '-') return std::nullopt;
            ++i;
            continue;
        }
        const int high = HexValue(text[i]);
        const int low = i + 1 < text.size() && !IsDashPosition(i + 1) ? HexValue(text[i + 1]) : -1;
        if (high < 0 || low < 0) return std::nullopt;
        bytes[out++] = static_cast<std::uint8_t>((high << 4) | low);
        i += 2;
    }
    return Uuid(bytes);
}

Uuid Uuid::FromLiteral(std::string_view text) { return Parse(text).value_or(Uuid{}); }

std::string Uuid::ToString() const {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    text.reserve(36);
    for (std::size_t i = 0; i < m_bytes.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) text += '-';
        text += kHex[m_bytes[i] >> 4];
        text += kHex[m_bytes[i] & 0x0F];
    }
    return text;
}

void Uuid::Write(std::vector<std::uint8_t>& out, bool bigEndian) const {
    // time_low (4), time_mid (2), time_hi_and_version (2) are integers; the rest are bytes.
    static constexpr std::array<std::size_t, 16> kLittle = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    for (std::size_t i = 0; i < 16; ++i) out.push_back(m_bytes[bigEndian ? i : kLittle[i]]);
}

Uuid Uuid::Read(core::ByteReader& in, bool bigEndian) {
    std::array<std::uint8_t, 16> bytes{};
    const std::uint32_t timeLow = bigEndian ? in.Be32() : in.Le32();
    const std::uint16_t timeMid = bigEndian ? in.Be16() : in.Le16();
    const std::uint16_t timeHigh = bigEndian ? in.Be16() : in.Le16();
    bytes[0] = static_cast<std::uint8_t>(timeLow >> 24);
    bytes[1] = static_cast<std::uint8_t>(timeLow >> 16);
    bytes[2] = static_cast<std::uint8_t>(timeLow >> 8);
    bytes[3] = static_cast<std::uint8_t>(timeLow);
    bytes[4] = static_cast<std::uint8_t>(timeMid >> 8);
    bytes[5] = static_cast<std::uint8_t>(timeMid);
    bytes[6] = static_cast<std::uint8_t>(timeHigh >> 8);
    bytes[7] = static_cast<std::uint8_t>(timeHigh);
    for (std::size_t i = 8; i < 16; ++i) bytes[i] = in.U8();
    return Uuid(bytes);
}

bool Uuid::IsNil() const noexcept {
    for (auto b : m_bytes)
        if (b != 0) return false;
    return true;
}

}  // namespace rpc
