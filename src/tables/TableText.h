// The line rules shared by the five table files: the pieces a 1023-byte line read yields,
// fields cut the way the C string tokenizer cuts them, trimming, and the atoi and scanf "%x"
// number rules.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace tables {

class TableText {
public:
    // A read takes at most this many characters, its line end included; a longer line goes
    // on in the next piece.
    static constexpr std::size_t kPieceMax = 1022;
    static constexpr std::size_t kMaxLeading = 2;

    explicit TableText(std::string_view text) noexcept : m_text(text) {}

    // The next piece without its line end (LF, CR or CRLF, which count as one character),
    // cut at a NUL as the tokenizer would be. False when the text is used up.
    bool NextPiece(std::string_view& piece) noexcept;

    // A piece cut into `leading` blank/tab-separated tokens and the rest of the line.
    struct Fields {
        std::size_t count = 0;  // leading tokens found
        std::string_view token[kMaxLeading];
        std::optional<std::string_view> rest;  // absent when nothing follows the last token
        bool IsComment() const noexcept { return count > 0 && token[0].front() == '#'; }
    };
    static Fields Cut(std::string_view piece, std::size_t leading) noexcept;

    // Leading and trailing white space removed (isspace in the C locale).
    static std::string_view Trim(std::string_view text) noexcept;
    // atoi: white space, optional sign, leading digits; 0 when there are none. Saturates
    // instead of overflowing.
    static std::int64_t Atoi(std::string_view text) noexcept;
    // scanf "%x": white space, optional sign, optional 0x/0X, at least one hex digit.
    static std::optional<std::uint32_t> ScanHex(std::string_view text) noexcept;

private:
    std::string_view m_text;
    std::size_t m_pos = 0;
};

}  // namespace tables
