// A filtered window's view of its trace file: which frames of each screen (block) a filter
// expression selects. Screens stay blocks; a screen without a match is passed over by the
// moves, and going to a frame that does not match goes to the next match after it. The
// index grows one block at a time, in file order, as a scan (FilterScan) or a live capture
// delivers them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace packetlist {

// The matches of one screen: frame numbers, ascending, between first and last.
struct ScreenMatches {
    std::uint32_t screen = 0;  // 1-based, as the reader numbers screens
    std::uint32_t first = 0;
    std::uint32_t last = 0;
    std::vector<std::uint32_t> frames;
};

class FilterIndex {
public:
    // Screens come in file order; an empty one (no frame, or no match) is kept so that the
    // index knows how far it has looked.
    void Add(ScreenMatches screen);

    std::uint64_t MatchCount() const noexcept { return m_matches; }
    // Screens looked at so far.
    std::uint32_t ScreensScanned() const noexcept { return static_cast<std::uint32_t>(m_screens.size()); }
    // The first frame after the screens looked at: where looking goes on.
    std::uint32_t FramesScanned() const noexcept { return m_screens.empty() ? 0 : m_screens.back().last + 1; }

    // The matching frames of a screen: empty for a screen without a match or not yet looked at.
    const std::vector<std::uint32_t>& FramesOf(std::uint32_t screen) const noexcept;
    // The first and last screens with a match, the next one after a screen and the one
    // before it: nullopt where there is none (so far).
    std::optional<std::uint32_t> FirstScreen() const noexcept;
    std::optional<std::uint32_t> LastScreen() const noexcept;
    std::optional<std::uint32_t> NextScreen(std::uint32_t screen) const noexcept;
    std::optional<std::uint32_t> PreviousScreen(std::uint32_t screen) const noexcept;
    // Frame n when it matches, else the first match after it; with the screen holding it.
    struct Hit {
        std::uint32_t screen = 0;
        std::uint32_t frame = 0;
    };
    std::optional<Hit> MatchAtOrAfter(std::uint32_t n) const noexcept;
    // The match before frame n, for moving up across screens.
    std::optional<Hit> MatchBefore(std::uint32_t n) const noexcept;

private:
    std::vector<ScreenMatches> m_screens;    // by screen - 1
    std::vector<std::uint32_t> m_withMatch;  // screens that have one, ascending
    std::uint64_t m_matches = 0;
};

// The status bar while a filter is on: "N of M packets".
std::string FilteredPacketsText(std::uint64_t matching, std::uint64_t frameCount);

}  // namespace packetlist
