// Display escaping: a byte-wise walk that keeps well-formed UTF-8 sequences (RFC 3629,
// no surrogates, no overlong forms) and writes everything else as "\xNN".
#include "core/DisplayText.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace core {

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

bool NeedsLook(unsigned char c) noexcept { return c < 0x20 || c >= 0x7F || c == '\\'; }

void AppendEscape(std::string& out, unsigned char c) {
    out.push_back('\\');
    out.push_back('x');
    out.push_back(kHex[c >> 4]);
    out.push_back(kHex[c & 0x0F]);
}

bool Continuation(std::string_view s, std::size_t i) noexcept {
    return i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0U) == 0x80U;
}

// Length of the well-formed sequence that starts a lead byte at i, 0 when there is none.
std::size_t SequenceLength(std::string_view s, std::size_t i) noexcept {
    const auto lead = static_cast<unsigned char>(s[i]);
    const auto second = i + 1 < s.size() ? static_cast<unsigned char>(s[i + 1]) : 0U;
    std::size_t length = 0;
    unsigned low = 0x80;
    unsigned high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;   // overlong otherwise
        if (lead == 0xED) high = 0x9F;  // surrogates otherwise
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;   // overlong otherwise
        if (lead == 0xF4) high = 0x8F;  // beyond U+10FFFF otherwise
    } else {
        return 0;
    }
    if (second < low || second > high) return 0;
    for (std::size_t k = 2; k < length; ++k)
        if (!Continuation(s, i + k)) return 0;
    return length;
}

// The code point of the well-formed sequence of length bytes at i.
std::uint32_t CodePoint(std::string_view s, std::size_t i, std::size_t length) noexcept {
    static constexpr unsigned kLeadBits[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
    std::uint32_t cp = static_cast<unsigned char>(s[i]) & kLeadBits[length];
    for (std::size_t k = 1; k < length; ++k) cp = cp << 6 | (static_cast<unsigned char>(s[i + k]) & 0x3FU);
    return cp;
}

// The invisible controls that reorder the text around them: the Arabic letter mark, the
// left-to-right and right-to-left marks, the embeddings and overrides, and the isolates.
bool ReordersText(std::uint32_t cp) noexcept {
    return cp == 0x061C || cp == 0x200E || cp == 0x200F || (cp >= 0x202A && cp <= 0x202E) ||
           (cp >= 0x2066 && cp <= 0x2069);
}

// Whether any byte of v is zero (the classic word-at-a-time test).
constexpr std::uint64_t HasZeroByte(std::uint64_t v) noexcept {
    return (v - 0x0101010101010101ULL) & ~v & 0x8080808080808080ULL;
}

// Printable ASCII without a backslash, the common case, is shown as it is. Checked eight
// bytes at a time: every row of a listing passes its texts through here.
bool IsPlain(std::string_view raw) noexcept {
    constexpr std::uint64_t kEach = 0x0101010101010101ULL;
    std::size_t i = 0;
    for (; i + 8 <= raw.size(); i += 8) {
        std::uint64_t v = 0;
        std::memcpy(&v, raw.substr(i, 8).data(), 8);
        // A byte with its top bit set, below 0x20, DEL or a backslash.
        const std::uint64_t high = v & (kEach * 0x80);
        const std::uint64_t low = (v - kEach * 0x20) & ~v & (kEach * 0x80);
        if ((high | low | HasZeroByte(v ^ (kEach * 0x7F)) | HasZeroByte(v ^ (kEach * '\\'))) != 0) return false;
    }
    for (; i < raw.size(); ++i)
        if (NeedsLook(static_cast<unsigned char>(raw[i]))) return false;
    return true;
}

}  // namespace

void AppendDisplayText(std::string& out, std::string_view raw) {
    if (IsPlain(raw)) {
        out.append(raw);
        return;
    }
    std::size_t i = 0;
    while (i < raw.size()) {
        const auto c = static_cast<unsigned char>(raw[i]);
        if (!NeedsLook(c)) {
            out.push_back(static_cast<char>(c));
            ++i;
            continue;
        }
        if (c == '\\') {
            out.append("\\\\");
            ++i;
            continue;
        }
        const std::size_t length = c >= 0x80 ? SequenceLength(raw, i) : 0;
        // U+0080 to U+009F are the C1 controls (0x9B alone is a CSI on some terminals).
        const bool c1 = length == 2 && c == 0xC2 && static_cast<unsigned char>(raw[i + 1]) <= 0x9F;
        const bool control = c1 || (length > 0 && ReordersText(CodePoint(raw, i, length)));
        if (length == 0 || control) {
            const std::size_t bytes = control ? length : 1;
            for (std::size_t k = 0; k < bytes; ++k) AppendEscape(out, static_cast<unsigned char>(raw[i + k]));
            i += bytes;
            continue;
        }
        out.append(raw.substr(i, length));
        i += length;
    }
}

void AppendJsonText(std::string& out, std::string_view raw) {
    std::size_t i = 0;
    while (i < raw.size()) {
        const auto c = static_cast<unsigned char>(raw[i]);
        if (c >= 0x80) {
            const std::size_t length = SequenceLength(raw, i);
            if (length == 0) {
                out.append("\\\\x");
                out.push_back(kHex[c >> 4]);
                out.push_back(kHex[c & 0x0F]);
                ++i;
            } else if (const std::uint32_t cp = CodePoint(raw, i, length); cp <= 0x9F || ReordersText(cp)) {
                // A C1 or reordering control: an escape, which decodes to the control itself.
                out.append("\\u");
                for (int shift = 12; shift >= 0; shift -= 4) out.push_back(kHex[(cp >> shift) & 0x0FU]);
                i += length;
            } else {
                out.append(raw.substr(i, length));
                i += length;
            }
            continue;
        }
        if (c == '"' || c == '\\') {
            out.push_back('\\');
            out.push_back(static_cast<char>(c));
        } else if (c < 0x20) {
            out.append("\\u00");
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 0x0F]);
        } else {
            out.push_back(static_cast<char>(c));
        }
        ++i;
    }
}

std::string DisplayText(std::string_view raw) {
    std::string out;
    out.reserve(raw.size());
    AppendDisplayText(out, raw);
    return out;
}

}  // namespace core
