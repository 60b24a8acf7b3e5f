// What the command/reply text decoders (HTTP, POP3, SMTP, FTP) share: the first-line reader,
// the start-of-line keyword tables, the password mask and the reply-code digit tables.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "core/ByteReader.h"

namespace decode::app {

// Reads up to the first CR, LF or NUL (consumed, not kept) or the end of the data. Only one
// terminator is consumed, so the LF of a CR LF pair stays at the cursor. Never fails.
void ReadFirstLine(core::ByteReader& in, std::string& line);
// The bytes of the first line once ReadFirstLine has read it from the layer's start: what was
// consumed, its terminator left out. What a detail line quoting the line describes.
std::span<const std::uint8_t> FirstLineBytes(const core::ByteReader& in) noexcept;

// One row of a command table: the line must begin with the keyword, case and any trailing
// space or colon included.
struct KeywordEntry {
    std::string_view keyword;
    std::string_view description;
    std::string_view group;  // the FTP command type; empty elsewhere
};

// The first entry (table order) whose keyword begins the line; nullptr when none does.
const KeywordEntry* MatchKeyword(std::span<const KeywordEntry> table, std::string_view line) noexcept;

inline constexpr std::string_view kPassKeyword = "PASS ";
inline constexpr std::string_view kMaskedPass = "PASS ........";
// Hides the password of a PASS command, whatever case the client wrote the keyword in: an
// upper-case "PASS " line becomes "PASS ........"; any other spelling keeps its own five
// characters and loses the rest, so it is still not recognised as the command.
void MaskPassword(std::string& line);

// Sets the summary text "<prefix> C = '<line>'" (side 'C') or "... R = '...'" (side 'R'),
// built in place since the summary chain makes one per row.
void SetLineSummary(std::string& summary, std::string_view prefix, char side, std::string_view line);

// The first and second characters of a reply code as decimal digits (a non-digit counts as 0).
int ReplyDigit(char c) noexcept;
// Meaning of a reply code's first digit, shared by SMTP and FTP ("Error !" for any other).
std::string_view ReplyTypeOf(int digit) noexcept;

}  // namespace decode::app
