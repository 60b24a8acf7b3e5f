// The screens and frames a filter selects, and the moves over them.
#include "packetlist/FilterIndex.h"

#include <algorithm>

namespace packetlist {

void FilterIndex::Add(ScreenMatches screen) {
    // Screens are numbered from 1 along the file; one the reader passed over keeps its place.
    while (m_screens.size() + 1 < screen.screen) {
        ScreenMatches passed;
        passed.screen = static_cast<std::uint32_t>(m_screens.size() + 1);
        m_screens.push_back(std::move(passed));
    }
    if (screen.screen <= m_screens.size()) return;  // seen already
    m_matches += screen.frames.size();
    if (!screen.frames.empty()) m_withMatch.push_back(screen.screen);
    m_screens.push_back(std::move(screen));
}

const std::vector<std::uint32_t>& FilterIndex::FramesOf(std::uint32_t screen) const noexcept {
    static const std::vector<std::uint32_t> kNone;
    return screen >= 1 && screen <= m_screens.size() ? m_screens[screen - 1].frames : kNone;
}

std::optional<std::uint32_t> FilterIndex::FirstScreen() const noexcept {
    if (m_withMatch.empty()) return std::nullopt;
    return m_withMatch.front();
}

std::optional<std::uint32_t> FilterIndex::LastScreen() const noexcept {
    if (m_withMatch.empty()) return std::nullopt;
    return m_withMatch.back();
}

std::optional<std::uint32_t> FilterIndex::NextScreen(std::uint32_t screen) const noexcept {
    const auto it = std::upper_bound(m_withMatch.begin(), m_withMatch.end(), screen);
    if (it == m_withMatch.end()) return std::nullopt;
    return *it;
}

std::optional<std::uint32_t> FilterIndex::PreviousScreen(std::uint32_t screen) const noexcept {
    const auto it = std::lower_bound(m_withMatch.begin(), m_withMatch.end(), screen);
    if (it == m_withMatch.begin()) return std::nullopt;
    return *std::prev(it);
}

std::optional<FilterIndex::Hit> FilterIndex::MatchAtOrAfter(std::uint32_t n) const noexcept {
    // Screens hold ascending frame numbers: start at the first that reaches n.
    auto at = std::partition_point(m_withMatch.begin(), m_withMatch.end(),
                                   [&](std::uint32_t screen) { return m_screens[screen - 1].last < n; });
    for (; at != m_withMatch.end(); ++at) {
        const auto& frames = m_screens[*at - 1].frames;
        const auto it = std::lower_bound(frames.begin(), frames.end(), n);
        if (it != frames.end()) return Hit{*at, *it};
    }
    return std::nullopt;
}

std::optional<FilterIndex::Hit> FilterIndex::MatchBefore(std::uint32_t n) const noexcept {
    // The screens that start before n, the last of them first.
    auto end = std::partition_point(m_withMatch.begin(), m_withMatch.end(),
                                    [&](std::uint32_t screen) { return m_screens[screen - 1].first < n; });
    while (end != m_withMatch.begin()) {
        --end;
        const auto& frames = m_screens[*end - 1].frames;
        const auto it = std::lower_bound(frames.begin(), frames.end(), n);
        if (it != frames.begin()) return Hit{*end, *std::prev(it)};
    }
    return std::nullopt;
}

std::string FilteredPacketsText(std::uint64_t matching, std::uint64_t frameCount) {
    return std::to_string(matching) + " of " + std::to_string(frameCount) + " packets";
}

}  // namespace packetlist
