// Line pieces, tokens and number scanning for the table files.
#include "tables/TableText.h"

namespace tables {

namespace {

constexpr bool IsSpace(char c) noexcept {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
constexpr bool IsDelimiter(char c) noexcept { return c == ' ' || c == '\t'; }

int HexDigit(char c) noexcept {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

bool TableText::NextPiece(std::string_view& piece) noexcept {
    if (m_pos >= m_text.size()) return false;
    const std::size_t start = m_pos;
    const std::size_t limit = std::min(m_text.size(), start + kPieceMax);
    std::size_t i = start;
    while (i < limit && m_text[i] != '\n' && m_text[i] != '\r') ++i;
    piece = m_text.substr(start, i - start);
    if (i < m_text.size() && i < limit) {
        // A line end within the read limit ends the piece; text mode makes CRLF one character.
        m_pos = i + 1;
        if (m_text[i] == '\r' && m_pos < m_text.size() && m_text[m_pos] == '\n') ++m_pos;
    } else {
        m_pos = i;  // the limit or the end of the text: the line goes on in the next piece
    }
    if (const auto nul = piece.find('\0'); nul != std::string_view::npos) piece = piece.substr(0, nul);
    return true;
}

TableText::Fields TableText::Cut(std::string_view piece, std::size_t leading) noexcept {
    Fields fields;
    std::size_t pos = 0;
    while (fields.count < leading && fields.count < kMaxLeading) {
        while (pos < piece.size() && IsDelimiter(piece[pos])) ++pos;
        if (pos >= piece.size()) return fields;
        const std::size_t start = pos;
        while (pos < piece.size() && !IsDelimiter(piece[pos])) ++pos;
        fields.token[fields.count++] = piece.substr(start, pos - start);
    }
    // The tokenizer overwrote the one delimiter after the last token; the rest starts past it.
    if (pos < piece.size()) {
        const std::string_view rest = piece.substr(pos + 1);
        if (!rest.empty()) fields.rest = rest;
    }
    return fields;
}

std::string_view TableText::Trim(std::string_view text) noexcept {
    std::size_t b = 0;
    std::size_t e = text.size();
    while (b < e && IsSpace(text[b])) ++b;
    while (e > b && IsSpace(text[e - 1])) --e;
    return text.substr(b, e - b);
}

std::int64_t TableText::Atoi(std::string_view text) noexcept {
    constexpr std::int64_t kLimit = std::int64_t{1} << 40;
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (value < kLimit) value = value * 10 + (text[i] - '0');
    }
    return negative ? -value : value;
}

std::optional<std::uint32_t> TableText::ScanHex(std::string_view text) noexcept {
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    // "0x" counts as a prefix only when a digit follows; otherwise the 0 alone is the number.
    if (i + 2 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
        HexDigit(text[i + 2]) >= 0)
        i += 2;
    std::uint32_t value = 0;
    bool any = false;
    for (int d = 0; i < text.size() && (d = HexDigit(text[i])) >= 0; ++i) {
        value = (value << 4) | static_cast<std::uint32_t>(d);  // wraps like a 32-bit store
        any = true;
    }
    if (!any) return std::nullopt;
    return negative ? 0U - value : value;
}

}  // namespace tables
