// A filtered window's model: the scan finds the frames a filter selects block by block on its
// own thread and can be cancelled at once; the index moves over the screens that hold a
// match, and going to a frame lands on it or on the next match after it.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "capture/TraceTestUtil.h"
#include "packetlist/FilterIndex.h"
#include "packetlist/FilterScan.h"

namespace {

// Frame n's bytes are all n (mod 256) and its wire length 64 + n % 7: "ether[0] = K" selects the
// frames n with n % 256 == K.
capture::TraceReader OpenTrace(const std::string& path) {
    auto reader = capture::TraceReader::Open(path);
    EXPECT_TRUE(reader.Ok());
    core::RecordingPrompt prompt;
    EXPECT_TRUE(reader.Value().Validate(prompt));
    return std::move(reader).Value();
}

packetlist::FilterIndex Scan(const std::string& path, const std::string& expression) {
    auto filter = filter::FrameFilter::Compile(expression);
    EXPECT_TRUE(filter.Ok());
    packetlist::FilterScan scan(OpenTrace(path), std::move(filter).Value());
    packetlist::FilterIndex index;
    for (;;) {
        auto found = scan.Take();
        for (auto& screen : found.screens) index.Add(std::move(screen));
        if (found.finished) break;
        std::this_thread::yield();
    }
    EXPECT_EQ(scan.Progress(), 100);
    return index;
}

TEST(FilterScan, FindsTheMatchingFramesOfEveryScreenWithTheirCounters) {
    // Ten screens of 100 frames.
    const auto path = testutil::WriteTrace("ten.tns", std::vector<std::uint32_t>(10, 100));
    const struct {
        const char* expression;
        std::vector<std::uint32_t> matches;  // frame numbers
        std::vector<std::uint32_t> screens;  // screens with a match
    } table[] = {
        {"ether[0] = 150 and len = 67", {150}, {2}},
        {"ether[0] = 10", {10, 266, 522, 778}, {1, 3, 6, 8}},
        {"ether[0] = 255 and ether[1] = 255", {255, 511, 767}, {3, 6, 8}},
        {"arp", {}, {}},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.expression);
        const auto index = Scan(path, row.expression);
        EXPECT_EQ(index.ScreensScanned(), 10u);
        EXPECT_EQ(index.MatchCount(), row.matches.size());
        std::vector<std::uint32_t> matches;
        std::vector<std::uint32_t> screens;
        for (std::uint32_t s = 1; s <= 10; ++s) {
            const auto& frames = index.FramesOf(s);
            matches.insert(matches.end(), frames.begin(), frames.end());
            if (!frames.empty()) screens.push_back(s);
        }
        EXPECT_EQ(matches, row.matches);
        EXPECT_EQ(screens, row.screens);
    }
}

TEST(FilterScan, CancelStopsAHugeBlockAtOnceAndKeepsWhatWasFound) {
    const auto path = testutil::WriteTrace("huge.tns", {150000, 150000});
    auto filter = filter::FrameFilter::Compile("ether[0] = 1");
    ASSERT_TRUE(filter.Ok());
    std::atomic<int> notified{0};
    packetlist::FilterScan scan(OpenTrace(path), std::move(filter).Value(), [&] { ++notified; });
    scan.Cancel();
    const auto found = scan.Take();
    EXPECT_FALSE(found.finished);
    EXPECT_LT(found.screens.size(), 2u);
    // A cancelled scan tells nothing more, and a second cancel (the destructor's) is harmless.
    const int told = notified.load();
    scan.Cancel();
    EXPECT_EQ(notified.load(), told);
}

TEST(FilterIndex, MovesOverTheScreensWithAMatch) {
    packetlist::FilterIndex index;
    // Screens 1..6 of 10 frames each; matches on screens 2, 3 and 5 (4 was passed over).
    index.Add({1, 0, 9, {}});
    index.Add({2, 10, 19, {12, 15}});
    index.Add({3, 20, 29, {29}});
    index.Add({5, 40, 49, {41}});
    index.Add({6, 50, 59, {}});
    EXPECT_EQ(index.ScreensScanned(), 6u);
    EXPECT_EQ(index.MatchCount(), 4u);
    EXPECT_EQ(index.FirstScreen(), 2u);
    EXPECT_EQ(index.LastScreen(), 5u);
    const struct {
        std::uint32_t from;
        std::optional<std::uint32_t> next;
        std::optional<std::uint32_t> previous;
    } moves[] = {{1, 2, std::nullopt}, {2, 3, std::nullopt}, {3, 5, 2}, {4, 5, 3},
                 {5, std::nullopt, 3}, {6, std::nullopt, 5}};
    for (const auto& m : moves) {
        SCOPED_TRACE(m.from);
        EXPECT_EQ(index.NextScreen(m.from), m.next);
        EXPECT_EQ(index.PreviousScreen(m.from), m.previous);
    }
    // Go to: the frame itself when it matches, else the next match after it.
    const struct {
        std::uint32_t n;
        std::optional<std::uint32_t> at;
        std::optional<std::uint32_t> before;
    } gotos[] = {{0, 12, std::nullopt}, {12, 12, std::nullopt}, {13, 15, 12},
                 {16, 29, 15},          {29, 29, 15},           {30, 41, 29},
                 {41, 41, 29},          {42, std::nullopt, 41}, {1000, std::nullopt, 41}};
    for (const auto& g : gotos) {
        SCOPED_TRACE(g.n);
        const auto at = index.MatchAtOrAfter(g.n);
        EXPECT_EQ(at ? std::optional(at->frame) : std::nullopt, g.at);
        if (at) {
            const auto& frames = index.FramesOf(at->screen);  // the hit names the screen that holds it
            EXPECT_NE(std::find(frames.begin(), frames.end(), at->frame), frames.end());
        }
        const auto before = index.MatchBefore(g.n);
        EXPECT_EQ(before ? std::optional(before->frame) : std::nullopt, g.before);
    }
    EXPECT_TRUE(index.FramesOf(4).empty());
    EXPECT_TRUE(index.FramesOf(99).empty());
    EXPECT_EQ(packetlist::FilteredPacketsText(4, 60), "4 of 60 packets");
}

}  // namespace
