// A packet-list row as the capture window and `palomet-cli list` show it: Counter (the
// frame's number), Delta (whole milliseconds since the frame before it on the screen,
// truncated toward zero), then the summary chain's Source, Destination and Summary.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "decode/CPktSummary.h"

namespace packetlist {

enum class RowColumn : std::uint8_t { Counter, Delta, Source, Destination, Summary };
inline constexpr std::size_t kRowColumnCount = 5;
inline constexpr std::array<std::string_view, kRowColumnCount> kRowColumnNames = {"Counter", "Delta", "Source",
                                                                                  "Destination", "Summary"};

struct RowTexts {
    std::string counter;
    std::string delta;
    std::string source;
    std::string destination;
    std::string summary;

    const std::string& Text(RowColumn column) const noexcept;
};

// How the texts taken from captured bytes are written: in display form (control bytes,
// backslashes and bytes that are not UTF-8 as \xNN, for a window, a terminal or TSV), or
// as decoded, for a format that escapes them itself (JSON).
enum class CapturedText : std::uint8_t { Display, AsDecoded };

// Fills out from the summary chain's row; the strings keep their capacity from row to row.
void FormatRow(const decode::CPktSummary& row, RowTexts& out, CapturedText form = CapturedText::Display);

}  // namespace packetlist
