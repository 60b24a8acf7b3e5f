// Every move of the trace reader on well-formed files: three blocks, empty blocks, the
// last block, and a file that is still being written.
#include <gtest/gtest.h>

#include "capture/TraceReader.h"
#include "TraceTestUtil.h"

namespace {

using capture::TraceReader;
using Move = TraceReader::Move;

TraceReader OpenValid(const std::string& path) {
    auto reader = TraceReader::Open(path);
    EXPECT_TRUE(reader.Ok());
    core::RecordingPrompt prompt;
    EXPECT_TRUE(reader.Value().Validate(prompt));
    return std::move(reader).Value();
}

void ExpectScreen(const TraceReader& r, const capture::CPktSnap& batch, std::uint32_t screen, std::uint32_t first,
                  std::uint32_t last, const std::string& what) {
    EXPECT_EQ(r.Screen(), screen) << what;
    EXPECT_EQ(r.ScreenFirst(), first) << what;
    EXPECT_EQ(r.ScreenLast(), last) << what;
    ASSERT_EQ(batch.GetFrameCount(), last + 1 - first) << what;
    if (batch.GetFrameCount() > 0) {
        EXPECT_EQ(batch.GetFrame(0).GetFrameNumber(), first) << what;
        EXPECT_EQ(batch.GetFrame(batch.GetFrameCount() - 1).GetFrameNumber(), last) << what;
    }
}

TEST(TraceNavigation, EveryMoveOnThreeBlocks) {
    auto reader = OpenValid(testutil::WriteTrace("t.tns", {3, 4, 5}));
    EXPECT_EQ(reader.BlockCount(), 3u);
    EXPECT_EQ(reader.FrameCount(), 12u);
    struct Step {
        Move move;
        bool allowed;
        std::uint32_t screen, first, last;
    };
    const Step steps[] = {
        {Move::Next, true, 1, 0, 2},      {Move::Next, true, 2, 3, 6},       {Move::Next, true, 3, 7, 11},
        {Move::Next, false, 3, 7, 11},    {Move::Previous, true, 2, 3, 6},   {Move::Previous, true, 1, 0, 2},
        {Move::Previous, false, 1, 0, 2}, {Move::Last, true, 3, 7, 11},      {Move::First, true, 1, 0, 2},
        {Move::Next, true, 2, 3, 6},      {Move::Last, true, 3, 7, 11},      {Move::Previous, true, 2, 3, 6},
    };
    capture::CPktSnap batch;
    int i = 0;
    for (const auto& s : steps) {
        const std::string what = "step " + std::to_string(i++);
        auto moved = reader.Go(s.move, batch);
        ASSERT_TRUE(moved.Ok()) << what << ": " << moved.Err().text;
        EXPECT_EQ(moved.Value(), s.allowed) << what;
        if (s.allowed) ExpectScreen(reader, batch, s.screen, s.first, s.last, what);
        else { EXPECT_EQ(reader.Screen(), s.screen) << what; }
    }
}

TEST(TraceNavigation, BlockHoldingFrameFromEitherEnd) {
    const auto path = testutil::WriteTrace("t.tns", {3, 4, 5});
    struct Case {
        std::uint32_t n, current, screen, first, last;
    };
    const Case cases[] = {
        {0, 0, 1, 0, 2},  {2, 5, 1, 0, 2},  {3, 0, 2, 3, 6},   {6, 11, 2, 3, 6},
        {7, 0, 3, 7, 11}, {11, 0, 3, 7, 11}, {11, 11, 3, 7, 11}, {4, 4, 2, 3, 6},
    };
    for (const auto& c : cases) {
        const std::string what = "frame " + std::to_string(c.n) + " from " + std::to_string(c.current);
        auto reader = OpenValid(path);
        capture::CPktSnap batch;
        auto st = reader.GoToFrame(c.n, c.current, batch);
        ASSERT_TRUE(st.Ok()) << what << ": " << st.Err().text;
        ExpectScreen(reader, batch, c.screen, c.first, c.last, what);
        // The reader is positioned after the found block: next and previous carry on from it.
        auto next = reader.Go(Move::Next, batch);
        ASSERT_TRUE(next.Ok()) << what;
        EXPECT_EQ(next.Value(), c.screen < 3) << what;
        if (next.Value()) { EXPECT_EQ(reader.Screen(), c.screen + 1) << what; }
    }
    for (const auto fromStart : {true, false}) {
        auto reader = OpenValid(path);
        capture::CPktSnap batch;
        auto found = fromStart ? reader.FetchFrameFromStart(12) : reader.FetchFrameFromEnd(12);
        EXPECT_FALSE(found.Ok()) << "frame 12 is in no block";
    }
}

TEST(TraceNavigation, EmptyBlocksAreNeverFoundAndStillShow) {
    // Block 1 holds no frame with first frame 0: its last frame is recorded as 0xFFFFFFFF.
    auto reader = OpenValid(testutil::WriteTrace("t.tns", {0, 2, 0, 3}));
    struct Case {
        std::uint32_t n;
        bool fromStart;
        std::uint32_t screen;
    };
    const Case cases[] = {{0, true, 2}, {0, false, 2}, {1, false, 2}, {2, true, 4}, {2, false, 4}, {4, true, 4}};
    for (const auto& c : cases) {
        auto found = c.fromStart ? reader.FetchFrameFromStart(c.n) : reader.FetchFrameFromEnd(c.n);
        ASSERT_TRUE(found.Ok()) << c.n << ": " << found.Err().text;
        EXPECT_EQ(found.Value().screen, c.screen) << "frame " << c.n << (c.fromStart ? " from start" : " from end");
    }
    capture::CPktSnap batch;
    const std::uint32_t counts[] = {0, 2, 0, 3};
    for (std::uint32_t s = 1; s <= 4; ++s) {
        auto moved = reader.Go(Move::Next, batch);
        ASSERT_TRUE(moved.Ok() && moved.Value()) << s;
        EXPECT_EQ(reader.Screen(), s);
        EXPECT_EQ(batch.GetFrameCount(), counts[s - 1]);
    }
    EXPECT_EQ(reader.ScreenLast(), 4u);
}

TEST(TraceNavigation, FollowsAFileThatIsStillBeingWritten) {
    const auto path = testutil::TempPath("live.tns");
    auto writer = capture::TraceWriter::Create(path);
    ASSERT_TRUE(writer.Ok());
    auto& w = writer.Value();
    ASSERT_TRUE(w.WriteHeader().Ok());
    auto opened = TraceReader::Open(path);
    ASSERT_TRUE(opened.Ok());
    auto& reader = opened.Value();
    capture::CPktSnap batch;
    auto sync = [&] { reader.SetKnownCounts(w.BlockCount(), w.FrameCount(), w.EndOffset()); };

    sync();
    EXPECT_FALSE(reader.Go(Move::Next, batch).Value()) << "nothing to show yet";
    ASSERT_TRUE(w.AppendBlock(testutil::Pack(testutil::MakeBatch(0, 2)), 2).Ok());
    sync();
    ASSERT_TRUE(reader.Go(Move::Next, batch).Value());
    EXPECT_EQ(reader.Screen(), 1u);
    ASSERT_TRUE(w.AppendBlock(testutil::Pack(testutil::MakeBatch(2, 3)), 3).Ok());
    ASSERT_TRUE(w.AppendBlock(testutil::Pack(testutil::MakeBatch(5, 1)), 1).Ok());
    sync();
    ASSERT_TRUE(reader.GoToFrame(5, 0, batch).Ok());
    EXPECT_EQ(reader.Screen(), 3u) << "the last block, found from the end";
    ASSERT_TRUE(reader.Go(Move::Previous, batch).Value());
    EXPECT_EQ(reader.ScreenFirst(), 2u);

    // The capture never finished: a saved-file reader refuses the zero counts.
    auto saved = TraceReader::Open(path);
    core::RecordingPrompt prompt;
    EXPECT_FALSE(saved.Value().Validate(prompt));
    ASSERT_EQ(prompt.Messages().size(), 1u);
    EXPECT_EQ(prompt.Messages()[0].text, "File length is invalid");
}

TEST(TraceNavigation, FetchAndLoadAreSeparableSteps) {
    auto reader = OpenValid(testutil::WriteTrace("t.tns", {3, 4}));
    auto fetched = reader.Fetch(Move::Next);
    ASSERT_TRUE(fetched.Ok() && fetched.Value().has_value());
    EXPECT_EQ(reader.Screen(), 0u) << "fetching does not move the screen";
    std::vector<std::uint8_t> inflated;
    ASSERT_TRUE(TraceReader::Inflate(*fetched.Value(), inflated).Ok());
    capture::CPktSnap batch;
    ASSERT_TRUE(TraceReader::LoadBatch(*fetched.Value(), inflated, batch).Ok());
    reader.Accept(*fetched.Value());
    ExpectScreen(reader, batch, 1, 0, 2, "accepted");
    auto next = reader.Fetch(Move::Next);
    ASSERT_TRUE(next.Ok() && next.Value().has_value());
    EXPECT_EQ(next.Value()->screen, 2u);
}

}  // namespace
