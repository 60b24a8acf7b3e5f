// Find: whether a frame's summary at the list's level, or (when asked) the text of its
// whole decoded detail, holds a piece of text, letter case ignored (ASCII letters, as every
// name the decoders write is) unless asked to match it. The summary is searched as decoded, the detail as the text
// view shows it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "capture/CPktSnap.h"
#include "decode/CPktDetailLine.h"
#include "decode/CPktSummary.h"

namespace packetlist {

enum class FindIn : std::uint8_t { Summary, Detail };

class TextFind {
public:
    // matchCase: letters must match in case too.
    TextFind(std::string_view text, FindIn where, bool matchCase = false);

    // Decodes frame i of the batch as far as the search needs. An empty text matches every
    // frame. Not thread-safe: the decoding scratch is the object's own.
    bool Matches(const capture::CPktSnap& batch, std::uint32_t i, std::uint32_t level);
    // The same over a summary decoded already (what the packet list shows).
    bool MatchesSummary(const decode::CPktSummary& row) const noexcept { return Holds(row.summary); }
    bool Holds(std::string_view text) const noexcept;
    FindIn Where() const noexcept { return m_where; }

private:
    std::string m_needle;  // lowered unless the case is to match
    FindIn m_where;
    bool m_matchCase;
    decode::CPktSummary m_summary;
    decode::CPktDetailLine m_detail;
    std::string m_detailText;
};

}  // namespace packetlist
