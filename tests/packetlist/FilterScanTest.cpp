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
#include "packetlist/PacketListTestUtil.h"
#include "support/Scratch.h"

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

namespace {

// Applies expression to the ten-screen trace and waits for the scan, as the window does
// when the scan tells it.
void FilterAndWait(packetlist::CKestroView& view, const std::string& expression) {
    ASSERT_TRUE(view.ApplyFilter(expression).Ok());
    do {
        std::this_thread::yield();
        view.OnFilterProgress();
    } while (view.FilterScanning());
}

std::vector<std::string> Counters(packetlist::CKestroView& view) {
    std::vector<std::string> out;
    for (std::uint32_t row = 0; row < view.RowCount(); ++row) out.push_back(view.Row(row).counter);
    return out;
}

TEST(FilteredView, ShowsOnlyTheMatchesAndItsKeysPassOverScreensWithout) {
    const auto path = testutil::WriteTrace("view.tns", std::vector<std::uint32_t>(10, 100));
    auto v = testutil::ViewUnderTest::Saved(path);
    auto& view = *v->view;
    // Frames 10, 266, 522 and 778 (screens 1, 3, 6 and 8), and frame 20 beside 10.
    FilterAndWait(view, "ether[0] = 10 or (ether[0] = 20 and len = 70)");
    const auto& first = view.Matches().FramesOf(1);
    ASSERT_EQ(first, (std::vector<std::uint32_t>{10, 20}));
    EXPECT_EQ(view.PacketsText(), "5 of 1000 packets");
    EXPECT_EQ(view.Screen(), 1u);
    EXPECT_EQ(Counters(view), (std::vector<std::string>{"10", "20"}));
    EXPECT_EQ(view.CurrentFrame(), 10u);

    // Each key: the screen and frame it leads to, or a beep where nothing lies that way.
    const struct {
        packetlist::NavKey key;
        std::uint32_t screen;
        std::uint32_t frame;
        bool beep;
    } keys[] = {
        {packetlist::NavKey::Up, 1, 10, true},     {packetlist::NavKey::Down, 1, 20, false},
        {packetlist::NavKey::Down, 3, 266, false}, {packetlist::NavKey::PageDown, 6, 522, false},
        {packetlist::NavKey::End, 8, 778, false},  {packetlist::NavKey::PageDown, 8, 778, true},
        {packetlist::NavKey::Down, 8, 778, true},  {packetlist::NavKey::PageUp, 6, 522, false},
        {packetlist::NavKey::Up, 3, 266, false},   {packetlist::NavKey::Home, 1, 10, false},
        {packetlist::NavKey::PageUp, 1, 10, true},
    };
    for (const auto& k : keys) {
        SCOPED_TRACE(static_cast<int>(k.key));
        const auto outcome = view.OnKey(k.key);
        EXPECT_EQ(outcome.beep, k.beep);
        EXPECT_EQ(view.Screen(), k.screen);
        EXPECT_EQ(view.CurrentFrame(), k.frame);
        ASSERT_TRUE(view.CurrentRow().has_value());
        EXPECT_EQ(view.Row(*view.CurrentRow()).counter, std::to_string(k.frame));
    }

    // Go to: the frame itself, or the next match after it.
    const struct {
        const char* field;
        std::uint32_t frame;
    } gotos[] = {{"266", 266}, {"300", 522}, {"20", 20}, {"0", 10}, {"700", 778}};
    for (const auto& g : gotos) {
        SCOPED_TRACE(g.field);
        view.GotoPacket(g.field);
        EXPECT_EQ(view.CurrentFrame(), g.frame);
    }
    const auto told = v->prompt.Messages().size();
    view.GotoPacket("900");
    EXPECT_EQ(view.CurrentFrame(), 778u);
    ASSERT_EQ(v->prompt.Messages().size(), told + 1);

    decode::CPktDetailLine root;
    EXPECT_TRUE(view.DetailOf(0, root));
    EXPECT_FALSE(view.DetailOf(1, root));

    // Cleared, the whole screen is back with the same frame selected.
    view.ClearFilter();
    EXPECT_FALSE(view.Filtering());
    EXPECT_EQ(view.RowCount(), 100u);
    EXPECT_EQ(view.CurrentRow(), 78u);
    EXPECT_NE(view.PacketsText().find("1000 Packets"), std::string::npos);
}

TEST(FilteredView, ABadExpressionIsRefusedAndChangesNothing) {
    const auto path = testutil::WriteTrace("bad.tns", {100, 100});
    auto v = testutil::ViewUnderTest::Saved(path);
    const auto status = v->view->ApplyFilter("udp port");
    ASSERT_FALSE(status.Ok());
    EXPECT_NE(status.Err().text.find("syntax error"), std::string::npos);
    EXPECT_FALSE(v->view->Filtering());
    EXPECT_EQ(v->view->RowCount(), 100u);
    // A new expression replaces the scan in hand; an empty one clears the filter.
    ASSERT_TRUE(v->view->ApplyFilter("ether[0] = 1").Ok());
    ASSERT_TRUE(v->view->ApplyFilter("ether[0] = 2").Ok());
    EXPECT_EQ(v->view->FilterExpression(), "ether[0] = 2");
    ASSERT_TRUE(v->view->ApplyFilter("").Ok());
    EXPECT_FALSE(v->view->Filtering());
}

packetlist::CKestroView::FindState FindAndWait(packetlist::CKestroView& view, const std::string& text,
                                               packetlist::FindIn where, bool forward) {
    EXPECT_TRUE(view.Find(text, where, forward).Ok());
    for (;;) {
        const auto state = view.OnFindProgress();
        if (state != packetlist::CKestroView::FindState::Searching) return state;
        std::this_thread::yield();
    }
}

TEST(FilteredView, FindGoesToTheNextFrameThatHoldsTheTextAcrossScreens) {
    // The sample's summaries name SMTP on frames 61 65 84 93 151 212 256 285 300, in screens
    // of 100 frames; the details of the server's replies (from port 25) 61, 84 and 130 say
    // "Positive Completion", their summaries do not.
    auto v = testutil::ViewUnderTest::Saved(testutil::kSampleTrace);
    auto& view = *v->view;
    using State = packetlist::CKestroView::FindState;
    const struct {
        const char* filter;  // "" for none
        const char* from;
        const char* text;
        packetlist::FindIn where;
        bool forward;
        std::optional<std::uint32_t> found;
    } table[] = {
        {"", "0", "SMTP", packetlist::FindIn::Summary, true, 61},
        {"", "61", "smtp", packetlist::FindIn::Summary, true, 65},
        {"", "93", "smtp", packetlist::FindIn::Summary, true, 151},
        {"", "151", "Smtp", packetlist::FindIn::Summary, false, 93},
        {"", "61", "smtp", packetlist::FindIn::Summary, false, std::nullopt},
        {"", "300", "smtp", packetlist::FindIn::Summary, true, std::nullopt},
        {"", "61", "MAIL01.example.com", packetlist::FindIn::Detail, true, 84},
        {"", "84", "Positive Completion", packetlist::FindIn::Detail, true, 130},
        {"", "61", "positive completion", packetlist::FindIn::Summary, true, std::nullopt},
        {"src port 25", "84", "smtp", packetlist::FindIn::Summary, true, 151},
        {"src port 25", "300", "smtp", packetlist::FindIn::Summary, true, std::nullopt},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(std::string(row.filter) + " / " + row.from + " / " + row.text);
        if (*row.filter != 0) {
            FilterAndWait(view, row.filter);
        } else {
            view.ClearFilter();
        }
        view.GotoPacket(row.from);
        ASSERT_EQ(view.CurrentFrame(), std::stoul(row.from));
        const auto state = FindAndWait(view, row.text, row.where, row.forward);
        if (row.found) {
            EXPECT_EQ(state, State::Found);
            EXPECT_EQ(view.CurrentFrame(), *row.found);
        } else {
            EXPECT_EQ(state, State::NothingMore);
            EXPECT_EQ(view.CurrentFrame(), std::stoul(row.from));
            EXPECT_EQ(view.FindStatusText(), std::string("Find: no more frames hold \"") + row.text + "\"");
        }
    }
    // A search in hand goes with a new one, and with the view.
    ASSERT_TRUE(view.Find("smtp", packetlist::FindIn::Detail, true).Ok());
    ASSERT_TRUE(view.Find("tcp", packetlist::FindIn::Detail, true).Ok());
    EXPECT_TRUE(view.Finding());
}

}  // namespace

namespace {

TEST(FilteredView, ALiveWindowKeepsItsFilterOnTheBlocksThatArrive) {
    const auto path = support::TempPath("live-filter.tns");
    auto writer = capture::TraceWriter::Create(path, capture::TraceWriter::Flush::Deferred);
    ASSERT_TRUE(writer.Ok() && writer.Value().WriteHeader().Ok());
    testutil::FakeCapture capture;
    const auto append = [&](std::uint32_t first, std::uint32_t count) {
        ASSERT_TRUE(writer.Value().AppendBlock(testutil::Pack(testutil::MakeBatch(first, count)), count).Ok());
        capture.counts.blockCount = writer.Value().BlockCount();
        capture.counts.frameCount = writer.Value().FrameCount();
        capture.counts.endOffset = writer.Value().EndOffset();
    };
    testutil::ViewUnderTest w(path);
    ASSERT_TRUE(w.view);
    auto& view = *w.view;
    view.InitialUpdateLive(capture);
    append(0, 100);
    view.OnIdle();
    FilterAndWait(view, "ether[0] = 7");
    EXPECT_EQ(view.Matches().FramesOf(1), (std::vector<std::uint32_t>{7}));
    EXPECT_EQ(view.PacketsText(), "1 of 100 packets");
    // Two more blocks: the filter goes on to them.
    append(100, 100);
    append(200, 100);
    view.OnIdle();
    while (view.FilterScanning()) {
        std::this_thread::yield();
        view.OnFilterProgress();
    }
    EXPECT_EQ(view.Matches().ScreensScanned(), 3u);
    EXPECT_EQ(view.Matches().FramesOf(3), (std::vector<std::uint32_t>{263}));
    EXPECT_EQ(view.PacketsText(), "2 of 300 packets");
    EXPECT_EQ(view.OnKey(packetlist::NavKey::PageDown).ran, true);
    EXPECT_EQ(view.CurrentFrame(), 263u);
}

}  // namespace
