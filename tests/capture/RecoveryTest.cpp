// Recovering trace files whose capture died: what is kept, what is stepped over and which
// frames that cost, what is dropped and why, into a new file or in place; and a file that
// was finished in order is never touched in place.
#include <gtest/gtest.h>

#include "capture/TraceRecovery.h"
#include "capture/TraceTestUtil.h"

namespace {

using testutil::Bytes;

// Frames first, first + count - 1 are missing from the recovered file.
struct Lost {
    std::uint32_t first;
    std::uint32_t count;
    bool operator==(const Lost&) const = default;
};

void PrintTo(const Lost& l, std::ostream* os) { *os << l.first << "+" << l.count; }

struct RecoveryCase {
    const char* name;
    std::function<void(Bytes&, std::vector<std::size_t>& blocks)> damage;  // blocks: their offsets
    std::vector<std::size_t> kept;  // the input's blocks the recovered file holds, in order
    std::vector<Lost> lost;
    const char* reason;  // part of why the tail was dropped; empty when nothing is dropped
};

void PrintTo(const RecoveryCase& c, std::ostream* os) { *os << c.name; }

void Flip(Bytes& b, std::size_t at) { b[at] ^= 0xFF; }

// Blocks of 5, 7 and 3 frames: frames 0-4, 5-11 and 12-14.
const RecoveryCase kCases[] = {
    {"OnlyTheCountsAreMissing", {}, {0, 1, 2}, {}, ""},
    {"TornInsideTheLastBlock", [](Bytes& b, auto&) { b.resize(b.size() - 10); }, {0, 1}, {}, "block 3 at offset"},
    {"TornInsideALeadRecord", [](Bytes& b, auto& at) { b.resize(at[2] + 7); }, {0, 1}, {}, "only 7 bytes are left"},
    {"CutRightAfterABlock", [](Bytes& b, auto& at) { b.resize(at[2]); }, {0, 1}, {}, ""},
    {"GarbageAfterTheLastBlock", [](Bytes& b, auto&) { b.insert(b.end(), 100, 0xEE); }, {0, 1, 2}, {}, "block 4"},
    {"CorruptStreamInTheMiddle", [](Bytes& b, auto& at) { Flip(b, at[1] + 30); }, {0, 2}, {{5, 7}}, ""},
    {"CorruptStreamInTheFirstBlock", [](Bytes& b, auto& at) { Flip(b, at[0] + 30); }, {1, 2}, {{0, 5}}, ""},
    {"TwoBadBlocksInARow", [](Bytes& b, auto& at) { Flip(b, at[0] + 30), Flip(b, at[1] + 30); }, {2}, {{0, 12}}, ""},
    // Its own chain offset is no help: the block after it is found by its records.
    {"SpoiltChainOffsetInTheMiddle",
     [](Bytes& b, auto& at) { testutil::PutLe32(b, at[1] + 8, 0xDEADBEEF); },
     {0, 2},
     {{5, 7}},
     ""},
    {"FrameNumbersJumpForward",
     [](Bytes& b, auto& at) {
         for (const std::size_t record : {at[1], at[2] - 12}) {
             testutil::PutLe32(b, record, 6), testutil::PutLe32(b, record + 4, 12);
         }
     },
     {0, 1},
     {{5, 1}},
     "starts at frame 12 instead of 13"},
    {"TrailPointsElsewhere",
     [](Bytes& b, auto&) { testutil::PutLe32(b, b.size() - 4, 24); },
     {0, 1},
     {},
     "trail record does not match"},
    // The batch of block 2 is stored claiming 6 frames under records of 7 (see below).
    {"BatchHoldsFewerFramesThanItsRecords", {}, {0, 2}, {{5, 7}}, ""},
    {"HeaderAlone", [](Bytes& b, auto&) { b.resize(capture::kTraceHeaderSize); }, {}, {}, ""},
};

// Where each block starts, along the lead records.
std::vector<std::size_t> BlockOffsets(const Bytes& trace) {
    std::vector<std::size_t> blocks;
    for (std::size_t at = 24; at < trace.size(); at = testutil::Le32At(trace, at + 8)) blocks.push_back(at);
    return blocks;
}

// A block's bytes between its lead and trail records: what recovery must never change.
Bytes Inside(const Bytes& trace, std::size_t at) {
    const std::size_t end = 32 + at + testutil::Le32At(trace, at + 12);
    return Bytes(trace.begin() + static_cast<std::ptrdiff_t>(at + 12),
                 trace.begin() + static_cast<std::ptrdiff_t>(end - 12));
}

class Recovery : public ::testing::TestWithParam<RecoveryCase> {};

TEST_P(Recovery, KeepsEveryBlockThatVerifiesAndStepsOverTheBadOnes) {
    const RecoveryCase& c = GetParam();
    // Blocks of 5, 7 and 3 frames behind a header with zero counts, as a killed capture leaves it.
    const bool fewer = std::string(c.name).starts_with("BatchHoldsFewer");
    Bytes killed =
        support::ReadBytes(testutil::WriteTrace("whole.tns", {5, 7, 3}, [&](std::size_t block, Bytes& batch) {
            if (fewer && block == 1) testutil::PutLe32(batch, 12, 6);
        }));
    std::vector<std::size_t> blocks = BlockOffsets(killed);
    std::fill(killed.begin() + 12, killed.begin() + 24, 0);
    if (c.damage) c.damage(killed, blocks);
    const auto in = support::TempPath("in.tns");
    for (const bool inPlace : {false, true}) {
        support::WriteBytes(in, killed);
        const auto out = inPlace ? in : support::TempPath("out.tns");
        auto recovered = capture::RecoverTrace(in, inPlace ? "" : out);
        ASSERT_TRUE(recovered.Ok()) << recovered.Err().text;
        const auto& scan = recovered.Value().scan;
        EXPECT_TRUE(recovered.Value().written);
        EXPECT_EQ(scan.dropReason.empty(), std::string(c.reason).empty()) << scan.dropReason;
        EXPECT_NE(scan.dropReason.find(c.reason), std::string::npos) << scan.dropReason;
        std::vector<Lost> lost;
        for (const auto& s : scan.steppedOver)
            if (s.framesLost > 0) lost.push_back({s.firstLost, s.framesLost});
        EXPECT_EQ(lost, c.lost);
        if (!inPlace) {
            EXPECT_EQ(support::ReadBytes(in), killed) << "the input is left as it was";
        }
        // The kept blocks are the input's, in order, with only their chain offsets moved; the
        // header has their counts and the file validates.
        const Bytes fixed = support::ReadBytes(out);
        ASSERT_EQ(fixed.size(), scan.RecoveredSize());
        const auto keptAt = BlockOffsets(fixed);
        ASSERT_EQ(keptAt.size(), c.kept.size());
        std::uint32_t frameEnd = 0;
        for (std::size_t i = 0; i < c.kept.size(); ++i) {
            EXPECT_EQ(Inside(fixed, keptAt[i]), Inside(killed, blocks[c.kept[i]])) << "block " << i;
            EXPECT_EQ(testutil::Le32At(fixed, keptAt[i]), testutil::Le32At(killed, blocks[c.kept[i]]));
            frameEnd = testutil::Le32At(killed, blocks[c.kept[i]] + 4) + 1;
        }
        auto reader = testutil::OpenValid(out);
        EXPECT_EQ(reader.BlockCount(), c.kept.size());
        EXPECT_EQ(reader.FrameCount(), frameEnd) << "every kept frame keeps its number";
        auto again = capture::RecoverTrace(out, "");
        EXPECT_TRUE(again.Value().scan.Complete()) << "a second run finds nothing to do";
        EXPECT_FALSE(again.Value().written);
        EXPECT_EQ(support::ReadBytes(out), fixed);
    }
}

INSTANTIATE_TEST_SUITE_P(Damage, Recovery, ::testing::ValuesIn(kCases),
                         [](const auto& test) { return std::string(test.param.name); });

// A trace that was finished in order, one block of it spoilt: in place it stays byte for
// byte as it is; into OUT go the blocks that verify, the lost frames named.
TEST(Recovery, AFinishedTraceIsLeftAsItIsUnlessOutIsNamed) {
    const auto path = testutil::WriteTrace("finished.tns", std::vector<std::uint32_t>(20, 20));
    for (const bool spoilt : {false, true}) {
        Bytes finished = support::ReadBytes(path);
        if (spoilt) Flip(finished, BlockOffsets(finished)[1] + 40);
        const auto in = support::TempPath(spoilt ? "spoilt.tns" : "intact.tns");
        support::WriteBytes(in, finished);
        auto inPlace = capture::RecoverTrace(in, "");
        ASSERT_TRUE(inPlace.Ok()) << inPlace.Err().text;
        EXPECT_FALSE(inPlace.Value().written);
        EXPECT_EQ(inPlace.Value().scan.Complete(), !spoilt);
        EXPECT_EQ(support::ReadBytes(in), finished);

        const auto out = support::TempPath("out.tns");
        auto copied = capture::RecoverTrace(in, out);
        ASSERT_TRUE(copied.Ok()) << copied.Err().text;
        EXPECT_EQ(copied.Value().scan.FramesLost(), spoilt ? 20u : 0u);
        auto reader = testutil::OpenValid(out);
        EXPECT_EQ(reader.BlockCount(), spoilt ? 19u : 20u);
        capture::CPktSnap batch;
        std::uint32_t frames = 0;
        for (auto moved = reader.Go(capture::TraceReader::Move::First, batch); moved.Ok() && moved.Value();
             moved = reader.Go(capture::TraceReader::Move::Next, batch))
            frames += batch.GetFrameCount();
        EXPECT_EQ(frames, spoilt ? 380u : 400u);
    }
}

// A file a capture still holds (its lock), in place or as OUT, or one that is no trace, is
// left alone.
TEST(Recovery, RefusesAFileBeingWrittenOrNoTraceAtAll) {
    const auto path = testutil::WriteTrace("held.tns", {5});
    const auto other = testutil::WriteTrace("other.tns", {5});
    auto writer = core::FileHandle::Open(path, core::FileHandle::Mode::ReadWrite);
    ASSERT_TRUE(writer.Ok() && writer.Value().TryLockExclusive().Ok());
    const Bytes held = support::ReadBytes(path);
    for (const auto& [in, out] : {std::pair{path, std::string()}, std::pair{other, path}}) {
        EXPECT_NE(testutil::ErrorOf(capture::RecoverTrace(in, out)).find("another program is writing this file"),
                  std::string::npos);
        EXPECT_EQ(support::ReadBytes(path), held);
    }
    const auto junk = support::TempPath("notrace.tns");
    support::WriteBytes(junk, Bytes(100, 0x41));
    EXPECT_FALSE(capture::RecoverTrace(junk, "").Ok());
    EXPECT_EQ(support::ReadBytes(junk), Bytes(100, 0x41));
}

}  // namespace
