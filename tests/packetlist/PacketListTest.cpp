// The packet list's rules on the sample trace (four blocks of 100 frames) and on traces
// made to break them: keys across screens, go to packet, the rows at each level, a corrupt
// block, the limit prompts and a live capture's first screen.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <sstream>

#include "capture/TraceTestUtil.h"
#include "capture/TraceWriter.h"
#include "core/WorkQueue.h"
#include "packetlist/PacketListTestUtil.h"
#include "packetlist/StatusTexts.h"
#include "support/Programs.h"

namespace {

using packetlist::NavCommand;
using packetlist::NavKey;
using testutil::ViewUnderTest;

TEST(PacketList, KeysMoveAcrossTheSampleScreensAndBeepWhereRefused) {
    auto w = ViewUnderTest::Saved(testutil::kSampleTrace);
    auto& v = *w->view;
    ASSERT_EQ(v.Screen(), 1U);
    EXPECT_EQ(w->events.selected.back(), 0U) << "the first screen shows its first row's details";

    struct Step {
        NavKey key;
        bool beep;
        bool passOn;
        std::uint32_t screen;
        std::uint32_t current;
    };
    const Step steps[] = {
        {NavKey::Up, true, false, 1, 0},     // frame 0: nothing above
        {NavKey::PageUp, true, true, 1, 0},  // no screen before the first
        {NavKey::Home, true, true, 1, 0},
        {NavKey::Down, false, false, 1, 1},
        {NavKey::PageDown, false, false, 2, 100},
        {NavKey::Up, false, false, 1, 99},     // row 0 of block 2: block 1's last row
        {NavKey::Down, false, false, 2, 100},  // last row of block 1: next screen
        {NavKey::End, false, false, 4, 300},
        {NavKey::PageDown, true, true, 4, 300},
        {NavKey::End, true, true, 4, 300},
        {NavKey::PageUp, false, false, 3, 200},
        {NavKey::Home, false, false, 1, 0},
    };
    for (const auto& s : steps) {
        const auto out = v.OnKey(s.key);
        EXPECT_EQ(out.beep, s.beep) << static_cast<int>(s.key) << " to " << s.current;
        EXPECT_EQ(out.ran, !s.beep);
        EXPECT_EQ(out.passOn, s.passOn);
        EXPECT_EQ(v.Screen(), s.screen);
        EXPECT_EQ(v.CurrentFrame(), s.current);
        EXPECT_EQ(v.ShownFrame(), s.current);
        EXPECT_EQ(v.CurrentRow(), s.current - v.ScreenFirst());
    }
    v.GotoPacket("399");
    EXPECT_TRUE(v.OnKey(NavKey::Down).beep) << "Down on the last frame of the file";
    EXPECT_EQ(w->wait.begun, w->wait.ended);
    EXPECT_GT(w->wait.begun, 0);
    EXPECT_TRUE(w->prompt.Messages().empty());
}

TEST(PacketList, GotoPacketParsesInSixtyFourBitsAndNamesTheRange) {
    auto w = ViewUnderTest::Saved(testutil::kSampleTrace);
    auto& v = *w->view;
    struct Case {
        const char* field;
        std::uint32_t screen;  // afterwards
        std::uint32_t current;
        bool refused;
    };
    const Case cases[] = {
        {"350", 4, 350, false},  // after the current frame: searched from the end
        {"360", 4, 360, false},  // on the screen: only the selection moves
        {"360", 4, 360, false},  // the current frame: nothing happens
        {" 42 frames", 1, 42, false},
        {"400", 1, 42, true},
        {"-1", 1, 42, true},
        {"4294967296", 1, 42, true},  // would wrap to 0 in 32 bits
        {"99999999999999999999999", 1, 42, true},
        {"abc", 1, 0, false},  // no digits read as 0
        {"399", 4, 399, false},
    };
    int fills = 0;
    for (const auto& c : cases) {
        w->prompt.Clear();
        fills = w->events.fills;
        v.GotoPacket(c.field);
        EXPECT_EQ(v.Screen(), c.screen) << c.field;
        EXPECT_EQ(v.CurrentFrame(), c.current) << c.field;
        EXPECT_EQ(w->LastMessage(), c.refused ? "Invalid line number: enter number in range 0..399" : "") << c.field;
    }
    EXPECT_EQ(w->events.fills, fills + 1) << "399 after 0 loads the last block";
    EXPECT_EQ(v.Row(99).counter, "399");
}

// Rows of the sample at each summary level as the window shows them: Source, Destination and
// Summary follow the level, Counter and Delta do not, captured bytes are in display form.
TEST(PacketList, LevelChangeRewritesSourceDestinationAndSummary) {
    auto w = ViewUnderTest::Saved(testutil::kSampleTrace);
    auto& v = *w->view;
    const std::pair<const char*, std::uint32_t> levels[] = {
        {"datalink", 10}, {"network", 13}, {"transport", 16}, {"application", 40}};
    const struct {
        const char* level;
        const char* row;  // Counter | Delta | Source | Destination | Summary
    } rows[] = {
        {"datalink", "0 | 0 | Cisco A9905C | DARTS A4A3A6 | ETHERNET:  ETYPE = 0x0800 : Protocol = IPv4"},
        {"network", "0 | 0 | 192.168.10.107 | 192.168.10.2 | IPv4:  Protocol = 17 (UDP)"},
        {"transport", "0 | 0 | 192.168.10.107 | 192.168.10.2 | UDP:  S=64940 D=53 LEN=51"},
        {"application",
         "0 | 0 | 192.168.10.107 | 192.168.10.2 | DNS: 0xD7DB: Standard Query for 'mail.intranet.example.com' of type "
         "A "
         "on class IN."},
        {"transport", "30 | 1 | 192.168.10.115 | 192.168.10.102 | UDP:  S=137 D=137 LEN=70"},
        {"application",
         "30 | 1 | 192.168.10.115 | 192.168.10.102 | NBNS: 0x5F85: Standard Query resp. for 'PC15           <1B>' of "
         "type NB on class IN, RCode = OK"},
        // ARP is above the data-link level.
        {"datalink", "5 | 0 | Apple 75F636 | FFFFFFFFFFFF | ETHERNET:  ETYPE = 0x0806 : Protocol = ARP"},
        {"network", "5 | 0 | 192.168.10.5 | 192.168.10.121 | ARP:  Who has 192.168.10.121? Tell 192.168.10.5"},
        {"application", "5 | 0 | 192.168.10.5 | 192.168.10.121 | ARP:  Who has 192.168.10.121? Tell 192.168.10.5"},
        {"network",
         "95 | 1 | 2001:db8:a:1:20c:85ff:fe72:9a11 | 2001:db8:a:1:217:8aff:fea4:a3a6 | IPv6:  Protocol = 17 (UDP)"},
        {"application",
         "95 | 1 | 2001:db8:a:1:20c:85ff:fe72:9a11 | 2001:db8:a:1:217:8aff:fea4:a3a6 | DNS: 0x20F5: Standard Query for "
         "'51.113.0.203.in-addr.arpa' of type PTR on class IN."},
        // The first row of screen 2: Telnet option bytes as the command line prints them.
        {"datalink", "100 | 0 | DARTS 1215E3 | Apple 75F636 | ETHERNET:  ETYPE = 0x0800 : Protocol = IPv4"},
        {"transport",
         "100 | 0 | 192.168.10.118 | 192.168.10.5 | TCP:  S=56553 D=23 PSH ACK=168491143 SEQ=2328630737 LEN=12 "
         "WIN=502 "},
        {"application",
         R"(100 | 0 | 192.168.10.118 | 192.168.10.5 | TELNET:  [\xFF\xFB\x18\xFF\xFC \xFF\xFC#\xFF\xFC'])"},
        {"network", "212 | 0 | 192.168.10.106 | 192.168.10.3 | IPv4:  Protocol = 6 (TCP)"},
        {"application", "212 | 0 | 192.168.10.106 | 192.168.10.3 | SMTP:  C = 'RCPT TO:<team@example.com>'"},
    };
    for (const auto& [name, level] : levels) {
        const int retexts = w->events.retexts;
        v.SetSummaryLevel(level);
        EXPECT_EQ(w->events.retexts, retexts + 1) << name;
        for (const auto& r : rows) {
            if (std::string_view(r.level) != name) continue;
            const auto frame = static_cast<std::uint32_t>(std::stoul(r.row));
            v.GotoPacket(std::to_string(frame));
            ASSERT_EQ(v.CurrentFrame(), frame);
            const auto& row = v.Row(frame - v.ScreenFirst());
            EXPECT_EQ(
                row.counter + " | " + row.delta + " | " + row.source + " | " + row.destination + " | " + row.summary,
                r.row);
        }
        v.GoToBeginning();
        for (std::uint32_t screen = 1; screen <= v.BlockCount(); ++screen) {
            if (screen > 1) v.NextScreen();
            ASSERT_EQ(v.Screen(), screen);
            EXPECT_EQ(v.Row(0).delta, "0") << "first row of screen " << screen << " at " << name;
        }
    }
}

// Block 2 of three holds a batch that promises more frames than it has: every way onto it
// is refused with the block's message and leaves the screen as it was.
TEST(PacketList, ACorruptBlockLeavesTheScreenAsItWas) {
    const auto path = testutil::WriteTrace("corrupt.tns", {5, 5, 5}, [](std::size_t block, testutil::Bytes& batch) {
        if (block == 1) testutil::PutLe32(batch, 12, 1000);  // frame count after schema and frequency
    });
    // Loaded ahead or not, the block that fails is told of when the user moves there.
    for (const bool ahead : {false, true}) {
        SCOPED_TRACE(ahead ? "loaded ahead" : "loaded when asked for");
        auto w = ViewUnderTest::Saved(path, ahead ? std::make_unique<testutil::InlineLoaderAhead>() : nullptr);
        auto& v = *w->view;
        EXPECT_TRUE(w->prompt.Messages().empty());
        const std::function<void()> moves[] = {[&] { v.NextScreen(); }, [&] { v.GotoPacket("7"); }};
        for (const auto& move : moves) {
            w->prompt.Clear();
            const int fills = w->events.fills;
            move();
            EXPECT_NE(w->LastMessage().find("block 2 at offset"), std::string::npos) << w->LastMessage();
            EXPECT_EQ(w->events.fills, fills);
            EXPECT_EQ(v.Screen(), 1U);
            EXPECT_EQ(v.RowCount(), 5U);
            EXPECT_EQ(v.CurrentFrame(), 0U);
            EXPECT_EQ(v.Row(4).counter, "4") << "the rows on display still have their frames";
        }
        v.GoToEnd();
        ASSERT_EQ(v.Screen(), 3U);
        v.PreviousScreen();
        EXPECT_EQ(v.Screen(), 3U);
        EXPECT_EQ(v.CurrentFrame(), 10U);
    }
}

// The enabled-state table on an empty trace and on the sample's first and last screens.
TEST(PacketList, CommandsAreEnabledByTheScreenAndTheCurrentFrame) {
    const auto empty = testutil::WriteTrace("empty.tns", {});
    auto e = ViewUnderTest::Saved(empty);
    auto s = ViewUnderTest::Saved(testutil::kSampleTrace);
    struct Case {
        packetlist::CKestroView* view;
        const char* go;        // go to packet first
        const char* expected;  // beginning, previous screen/packet, next packet/screen, end, goto
        const char* keys;      // Home, Page Up, Up, Down, Page Down, End
    };
    // The keys follow their commands, but for Down on an empty list: allowed, it beeps not.
    const Case cases[] = {{e->view.get(), "", "0000000", "000100"},
                          {s->view.get(), "", "0001111", "000111"},
                          {s->view.get(), "150", "1111111", "111111"},
                          {s->view.get(), "399", "1110001", "111000"}};
    for (const auto& c : cases) {
        c.view->GotoPacket(c.go);
        std::string got;
        for (auto id : {NavCommand::GoToBeginning, NavCommand::PreviousScreen, NavCommand::PreviousPacket,
                        NavCommand::NextPacket, NavCommand::NextScreen, NavCommand::GoToEnd, NavCommand::GotoPacket})
            got += c.view->IsEnabled(id) ? '1' : '0';
        EXPECT_EQ(got, c.expected) << c.go;
        std::string keys;
        for (auto key : {NavKey::Home, NavKey::PageUp, NavKey::Up, NavKey::Down, NavKey::PageDown, NavKey::End})
            keys += c.view->IsKeyAllowed(key) ? '1' : '0';
        EXPECT_EQ(keys, c.keys) << c.go;
        EXPECT_FALSE(c.view->IsEnabled(NavCommand::PauseContinue)) << "a saved trace has no capture to pause";
    }
    EXPECT_EQ(e->view->RowCount(), 0U);
    e->view->GotoPacket("5");
    EXPECT_EQ(e->LastMessage(), "Invalid line number: enter number in range 0..-1");
    EXPECT_EQ(e->view->PacketsText(), "0 Packets, 0 Kb");
    EXPECT_EQ(e->view->CurrentText(), "Current packet: 0");
}

TEST(PacketList, StatusTextsAndProgressNeverWrap) {
    struct Pane {
        std::uint64_t frames, endOffset, lost;
        const char* text;
    };
    for (const auto& p :
         {Pane{3, 2047, 0, "3 Packets, 2 Kb"}, Pane{0, 0, 0, "0 Packets, 0 Kb"},
          Pane{4294967295U, 4294967295U, 0, "4294967295 Packets, 4194304 Kb"},
          Pane{2147483648U, 2147483649U, 0, "2147483648 Packets, 2097153 Kb"},
          Pane{50, 6000, 2950, "50 Packets, 6 Kb, 2950 lost"}, Pane{0, 24, 0, "0 Packets, 0 Kb"},
          Pane{1, 24 + 60, 0, "1 Packets, 1 Kb"}, Pane{0, 24, 8589934592U, "0 Packets, 0 Kb, 8589934592 lost"}})
        EXPECT_EQ(packetlist::PacketsPaneText(p.frames, p.endOffset, p.lost), p.text);
    EXPECT_EQ(packetlist::CurrentPaneText(3000000000U), "Current packet: 3000000000");
    struct Progress {
        std::int64_t current, total;
        int percent;
    };
    for (const auto& p : {Progress{0, 0, 100}, Progress{0, -1, 100}, Progress{1, 3, 33}, Progress{2, 2, 100},
                          Progress{4294967294LL, 4294967294LL, 100}, Progress{2147483648LL, 4294967294LL, 50}})
        EXPECT_EQ(packetlist::ProgressPercent(p.current, p.total), p.percent) << p.current << "/" << p.total;
}

// A live window: nothing before the first block, the first block as soon as it exists, later
// blocks only on navigation; pause/continue asks first when a limit stopped capture.
TEST(PacketList, LiveWindowShowsTheFirstBlockAndAsksBeforeContinuingPastALimit) {
    const auto path = support::TempPath("live.tns");
    auto writer = capture::TraceWriter::Create(path, capture::TraceWriter::Flush::Deferred);
    ASSERT_TRUE(writer.Ok() && writer.Value().WriteHeader().Ok());
    testutil::FakeCapture capture;
    const auto publish = [&] {
        capture.counts.blockCount = writer.Value().BlockCount();
        capture.counts.frameCount = writer.Value().FrameCount();
        capture.counts.endOffset = writer.Value().EndOffset();
    };
    const auto append = [&](std::uint32_t first, std::uint32_t count) {
        ASSERT_TRUE(writer.Value().AppendBlock(testutil::Pack(testutil::MakeBatch(first, count)), count).Ok());
        publish();
    };
    ViewUnderTest w(path);
    ASSERT_TRUE(w.view);
    auto& v = *w.view;
    v.InitialUpdateLive(capture);
    v.OnIdle();
    EXPECT_EQ(v.Screen(), 0U);
    EXPECT_EQ(w.events.fills, 0);
    EXPECT_FALSE(v.IsEnabled(NavCommand::GotoPacket));
    append(0, 30);
    v.OnIdle();
    EXPECT_EQ(v.Screen(), 1U);
    EXPECT_EQ(w.events.selected.back(), 0U);
    append(30, 40);
    v.OnIdle();
    EXPECT_EQ(v.Screen(), 1U) << "later blocks wait for the user";
    EXPECT_EQ(v.PacketsText(), "70 Packets, " + std::to_string((writer.Value().EndOffset() + 1023) / 1024) + " Kb");
    capture.counts.framesLost = 2950;  // the capture thread counted a gap in the agent's numbers
    v.OnIdle();
    EXPECT_EQ(v.PacketsText(),
              "70 Packets, " + std::to_string((writer.Value().EndOffset() + 1023) / 1024) + " Kb, 2950 lost");
    EXPECT_TRUE(v.OnKey(NavKey::PageDown).ran);
    EXPECT_EQ(v.CurrentFrame(), 30U);

    struct Case {
        bool time, size;
        core::PromptAnswer reply;
        const char* question;  // nullptr: none asked
        bool toggled;
    };
    const Case cases[] = {
        {false, false, core::PromptAnswer::No, nullptr, true},
        {true, false, core::PromptAnswer::No, "Time limit \n is exceeded. Continue?", false},
        {false, true, core::PromptAnswer::Yes, "File size limit \n is exceeded. Continue?", true},
        {true, true, core::PromptAnswer::Yes, "Time limit and file size limit \n are exceeded. Continue?", true},
    };
    for (const auto& c : cases) {
        core::RecordingPrompt prompt(c.reply);
        testutil::CountingWait wait;
        testutil::ViewEvents events;
        auto reader = capture::TraceReader::Open(path);
        ASSERT_TRUE(reader.Ok());
        packetlist::CKestroView paused(std::move(reader).Value(), prompt, wait);
        paused.SetListener(&events);
        testutil::FakeCapture link;
        link.counts = capture.counts;
        link.counts.paused = true;
        link.counts.timeLimitReached = c.time;
        link.counts.sizeLimitReached = c.size;
        paused.InitialUpdateLive(link);
        paused.OnLimitNotify();
        EXPECT_EQ(events.buttons, std::vector<bool>{true}) << "the limit presses the button";
        EXPECT_TRUE(paused.IsPressed(NavCommand::PauseContinue));
        paused.PauseContinue();
        EXPECT_EQ(prompt.Messages().size(), c.question ? 1U : 0U);
        if (c.question) {
            EXPECT_EQ(prompt.Messages()[0].text, c.question);
            EXPECT_EQ(prompt.Messages()[0].buttons, core::PromptButtons::YesNo);
        }
        EXPECT_EQ(link.toggles, c.toggled ? 1 : 0);
    }
}

// Blocks loaded elsewhere: the screen stays until the block is in, moves asked for meanwhile
// are ignored, and a view that goes with a load in hand leaves no wait cursor behind.
TEST(PacketList, ALoadInHandKeepsTheScreenAndSwallowsMoves) {
    testutil::DeferredLoader::Jobs jobs;
    core::RecordingPrompt prompt;
    testutil::CountingWait wait;
    auto view =
        packetlist::CKestroView::Open(testutil::kSampleTrace, prompt, wait, testutil::DeferredLoader::Over(jobs));
    ASSERT_TRUE(view);
    view->InitialUpdateSaved();
    ASSERT_EQ(jobs.size(), 1U);
    EXPECT_TRUE(view->Loading());
    EXPECT_EQ(view->Screen(), 0U);
    const auto key = view->OnKey(NavKey::PageDown);
    EXPECT_FALSE(key.ran || key.beep || key.passOn);
    view->GotoPacket("250");
    view->OnIdle();
    EXPECT_EQ(jobs.size(), 1U) << "nothing else starts while a block loads";
    jobs[0].first();
    jobs[0].second();
    EXPECT_EQ(view->Screen(), 1U);
    EXPECT_EQ(wait.begun, wait.ended);
    view->GoToEnd();
    ASSERT_EQ(jobs.size(), 3U) << "the old screen is freed by the loader, then block 4 loads";
    view.reset();
    EXPECT_EQ(wait.begun, wait.ended);
}

// The blocks beside the screen load ahead while the user reads it: a move to one shows it
// without another load, or as soon as its load ends; a window holds at most three blocks,
// and a block loaded ahead that no move wants any more is dropped unread.
TEST(PacketList, BlocksBesideTheScreenLoadAheadAndAMoveThereShowsThemAtOnce) {
    using Jobs = testutil::DeferredLoader::Jobs;
    Jobs jobs;
    Jobs ahead;
    const auto runAll = testutil::DeferredLoader::RunQueued;
    core::RecordingPrompt prompt;
    testutil::CountingWait wait;
    auto view = packetlist::CKestroView::Open(testutil::kSampleTrace, prompt, wait,
                                              testutil::DeferredLoader::Over(jobs, &ahead));
    ASSERT_TRUE(view);
    view->InitialUpdateSaved();
    runAll(jobs);
    runAll(jobs);  // the first load's empty batch, freed
    ASSERT_EQ(view->Screen(), 1U);
    EXPECT_EQ(ahead.size(), 1U) << "only block 2 lies beside the first screen";
    EXPECT_TRUE(view->LoadingAhead());

    // Block 2 is still loading: the move waits for it instead of loading it again.
    view->NextScreen();
    EXPECT_TRUE(view->Loading());
    EXPECT_TRUE(jobs.empty());
    runAll(ahead);
    EXPECT_EQ(view->Screen(), 2U);
    EXPECT_EQ(view->CurrentFrame(), view->ScreenFirst());
    // Block 1 stays beside it; block 3 loads ahead.
    ASSERT_EQ(ahead.size(), 1U);
    runAll(ahead);
    EXPECT_FALSE(view->LoadingAhead());
    const std::uint32_t lastOfScreen2 = view->ScreenLast();
    for (const auto move : {NavCommand::NextScreen, NavCommand::PreviousScreen, NavCommand::PreviousPacket}) {
        view->Run(move);
        EXPECT_FALSE(view->Loading()) << "a block already loaded shows at once";
        runAll(ahead);
    }
    EXPECT_EQ(view->Screen(), 1U) << "Up from screen 2's first row";
    EXPECT_EQ(view->CurrentFrame(), view->ScreenLast());
    view->GotoPacket(std::to_string(lastOfScreen2));
    EXPECT_EQ(view->Screen(), 2U);
    EXPECT_EQ(view->CurrentFrame(), lastOfScreen2);
    runAll(ahead);

    // End is no neighbour: it loads as before, keeping block 3 beside it.
    view->GoToEnd();
    ASSERT_FALSE(jobs.empty());
    runAll(jobs);
    EXPECT_EQ(view->Screen(), view->BlockCount());
    EXPECT_TRUE(ahead.empty());
    // A block loading ahead that no move wants any more is dropped unread.
    view->GoToBeginning();
    runAll(jobs);
    ASSERT_EQ(ahead.size(), 1U);
    view->GoToEnd();
    runAll(jobs);
    runAll(ahead);
    EXPECT_EQ(view->Screen(), view->BlockCount());
    EXPECT_FALSE(view->LoadingAhead());
    EXPECT_TRUE(prompt.Messages().empty());
    EXPECT_EQ(wait.begun, wait.ended);
    view.reset();
    EXPECT_EQ(wait.begun, wait.ended);
}

// The same with loads on threads of their own, as the workbench runs them: a thread for the
// moves asked for and one for the blocks ahead, their ends handed back to this thread (the
// sanitizer build watches them).
TEST(PacketList, BlocksLoadedAheadOnThreadsOfTheirOwnShowAsTheMovesAskForThem) {
    struct Threaded final : packetlist::BlockLoader {
        std::mutex mutex;
        std::condition_variable ended;
        std::deque<std::function<void()>> dones;
        core::WorkQueue loads{1, core::WorkQueue::AtClose::DropQueued};
        core::WorkQueue ahead{1, core::WorkQueue::AtClose::DropQueued};
        void Post(core::WorkQueue& queue, std::function<void()> work, std::function<void()> done) {
            queue.Post([this, work = std::move(work), done = std::move(done)]() mutable {
                work();
                work = nullptr;
                std::scoped_lock lock(mutex);
                dones.push_back(std::move(done));
                ended.notify_one();
            });
        }
        void Run(std::function<void()> work, std::function<void()> done) override {
            Post(loads, std::move(work), std::move(done));
        }
        bool LoadsAhead() const noexcept override { return true; }
        void RunAhead(std::function<void()> work, std::function<void()> done) override {
            Post(ahead, std::move(work), std::move(done));
        }
        // Runs the ends handed back until pending() is false.
        void Pump(const std::function<bool()>& pending) {
            while (pending()) {
                std::unique_lock lock(mutex);
                ASSERT_TRUE(ended.wait_for(lock, std::chrono::seconds(30), [&] { return !dones.empty(); }));
                auto done = std::move(dones.front());
                dones.pop_front();
                lock.unlock();
                if (done) done();
            }
        }
    };
    auto owned = std::make_unique<Threaded>();
    Threaded& loader = *owned;
    core::RecordingPrompt prompt;
    testutil::CountingWait wait;
    auto view = packetlist::CKestroView::Open(testutil::kSampleTrace, prompt, wait, std::move(owned));
    ASSERT_TRUE(view);
    auto settle = [&] { loader.Pump([&] { return view->Loading() || view->LoadingAhead(); }); };
    view->InitialUpdateSaved();
    settle();
    // Down every screen and back up, then the ends; each move lands where it says.
    const std::uint32_t blocks = view->BlockCount();
    for (std::uint32_t screen = 2; screen <= blocks; ++screen) {
        view->NextScreen();
        loader.Pump([&] { return view->Loading(); });  // not waiting for what loads ahead
        EXPECT_EQ(view->Screen(), screen);
    }
    for (std::uint32_t screen = blocks; screen >= 2; --screen) {
        view->GotoPacket(std::to_string(view->ScreenFirst()));  // the screen's first row
        view->PreviousPacket();
        settle();
        EXPECT_EQ(view->Screen(), screen - 1);
        EXPECT_EQ(view->CurrentFrame(), view->ScreenLast());
    }
    view->GotoPacket(std::to_string(view->ScreenLast() + 1));  // into the screen after
    settle();
    EXPECT_EQ(view->Screen(), 2U);
    view->GoToEnd();
    settle();
    EXPECT_EQ(view->Screen(), blocks);
    EXPECT_TRUE(prompt.Messages().empty());
    EXPECT_EQ(wait.begun, wait.ended);
    view.reset();
}

}  // namespace
