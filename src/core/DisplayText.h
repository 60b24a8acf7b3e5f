// Decoded texts carry captured bytes (a Telnet line, a DNS name, an HTTP header), and those
// may hold terminal escape sequences, line ends or bytes that are not UTF-8. Every place
// that shows such a text to a person or writes it into a line-based format (the list and
// detail output of palomet-cli, the workbench's list cells and detail lines) passes it
// through here first, so one rule decides how a captured byte looks.
#pragma once

#include <string>
#include <string_view>

namespace core {

// The text with every byte that could act on a terminal or break a line written as "\xNN"
// (two upper-case hex digits): C0 controls (tab, CR and LF included), DEL, the C1 controls,
// the Unicode controls that reorder text (U+061C, U+200E, U+200F, U+202A to U+202E, U+2066
// to U+2069, each of its bytes escaped) and any byte that is not part of a well-formed
// UTF-8 sequence. A backslash becomes "\\",
// so the escapes can be told from text that looks like one. Everything else, printable
// UTF-8 included, stays as it is. The result is valid UTF-8 and holds no control character.
void AppendDisplayText(std::string& out, std::string_view raw);
std::string DisplayText(std::string_view raw);

// The inside of a JSON string for the same text, for machine formats: every character is
// kept as itself (a backslash decodes to a backslash; a control character, C0 or C1, is
// written "\u00XX" and a reordering control "\u202E", each decoding to itself); only bytes
// that are not well-formed UTF-8, which no JSON string can hold, become the text "\xNN".
// The result is always strict JSON.
void AppendJsonText(std::string& out, std::string_view raw);

}  // namespace core
