// Substring search, case-blind unless asked, over decoded frames.
#include "packetlist/TextFind.h"

#include <algorithm>

#include "decode/BatchDecoding.h"
#include "decode/DetailText.h"
#include "platform/LetterCase.h"

namespace packetlist {

TextFind::TextFind(std::string_view text, FindIn where, bool matchCase)
    : m_needle(matchCase ? std::string(text) : platform::AsciiLowered(text)), m_where(where), m_matchCase(matchCase) {}

bool TextFind::Holds(std::string_view text) const noexcept {
    if (m_needle.empty()) return true;
    if (m_matchCase) return text.find(m_needle) != std::string_view::npos;
    const auto found = std::search(text.begin(), text.end(), m_needle.begin(), m_needle.end(),
                                   [](char a, char b) { return platform::AsciiLower(a) == b; });
    return found != text.end();
}

bool TextFind::Matches(const capture::CPktSnap& batch, std::uint32_t i, std::uint32_t level) {
    if (m_needle.empty()) return true;
    if (m_where == FindIn::Summary) {
        decode::SummaryOf(batch, level, &m_summary, i);
        return Holds(m_summary.summary);
    }
    m_detail = decode::CPktDetailLine();
    decode::DetailOf(batch, &m_detail, i);
    m_detailText.clear();
    decode::AppendDetailText(m_detailText, m_detail, "\n");
    return Holds(m_detailText);
}

}  // namespace packetlist
