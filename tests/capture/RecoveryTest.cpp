// Recovering trace files whose capture died: what is kept, what is dropped and why, with
// the file fixed in place or written anew.
#include <gtest/gtest.h>

#include "capture/TraceRecovery.h"
#include "capture/TraceTestUtil.h"

namespace {

using testutil::Bytes;

// A trace of blocks of 5, 7 and 3 frames whose header kept zero counts, as a killed
// capture leaves it; the offsets of its blocks and its length.
struct KilledTrace {
    Bytes bytes;
    std::vector<std::size_t> blocks;
};

KilledTrace MakeKilled(const std::function<void(std::size_t, Bytes&)>& spoil = {}) {
    const auto path = testutil::WriteTrace("whole.tns", {5, 7, 3}, spoil);
    KilledTrace t{testutil::ReadAll(path), {}};
    for (std::size_t at = capture::kTraceHeaderSize; at < t.bytes.size(); at = testutil::Le32At(t.bytes, at + 8))
        t.blocks.push_back(at);
    std::fill(t.bytes.begin() + 12, t.bytes.begin() + 24, 0);
    return t;
}

struct RecoveryCase {
    const char* name;
    std::function<void(KilledTrace&)> damage;
    std::function<void(std::size_t, Bytes&)> spoil;  // a block's batch, before it is packed
    std::uint32_t blocks;
    std::uint32_t frames;
    const char* reason;  // part of the drop reason; empty when nothing is dropped
};

void PrintTo(const RecoveryCase& c, std::ostream* os) { *os << c.name; }

const RecoveryCase kCases[] = {
    {"OnlyTheCountsAreMissing", {}, {}, 3, 15, ""},
    {"TornInsideTheLastBlock", [](KilledTrace& t) { t.bytes.resize(t.bytes.size() - 10); }, {}, 2, 12,
     "block 3 at offset"},
    {"TornInsideTheLastLeadRecord", [](KilledTrace& t) { t.bytes.resize(t.blocks[2] + 7); }, {}, 2, 12,
     "only 7 bytes are left"},
    {"CutRightAfterABlock", [](KilledTrace& t) { t.bytes.resize(t.blocks[2]); }, {}, 2, 12, ""},
    {"GarbageAfterTheLastBlock", [](KilledTrace& t) { t.bytes.insert(t.bytes.end(), 100, 0xEE); }, {}, 3, 15,
     "block 4"},
    {"CorruptStreamInTheMiddle", [](KilledTrace& t) { t.bytes[t.blocks[1] + 30] ^= 0xFF; }, {}, 1, 5, "block 2"},
    {"FrameNumbersJump",
     [](KilledTrace& t) {
         testutil::PutLe32(t.bytes, t.blocks[1], 6);  // lead and trail say 6 instead of 5
         testutil::PutLe32(t.bytes, t.blocks[2] - 12, 6);
     },
     {}, 1, 5, "starts at frame 6 instead of 5"},
    {"TrailRecordPointsElsewhere", [](KilledTrace& t) { testutil::PutLe32(t.bytes, t.bytes.size() - 4, 24); }, {}, 2,
     12, "trail record does not match"},
    {"BatchHoldsFewerFramesThanItsRecords", {},
     [](std::size_t block, Bytes& batch) {
         if (block == 1) testutil::PutLe32(batch, 12, 6);
     },
     1, 5, "holds 6 frames, its records say 7"},
    {"HeaderAlone", [](KilledTrace& t) { t.bytes.resize(capture::kTraceHeaderSize); }, {}, 0, 0, ""},
};

class Recovery : public ::testing::TestWithParam<RecoveryCase> {};

TEST_P(Recovery, KeepsEveryBlockThatVerifies) {
    const RecoveryCase& c = GetParam();
    KilledTrace killed = MakeKilled(c.spoil);
    if (c.damage) c.damage(killed);
    const auto in = testutil::TempPath(std::string(c.name) + ".in.tns");
    const auto out = testutil::TempPath(std::string(c.name) + ".out.tns");
    testutil::WriteAll(in, killed.bytes);

    auto recovered = capture::RecoverTrace(in, out);
    ASSERT_TRUE(recovered.Ok()) << recovered.Err().text;
    const capture::RecoveryScan& scan = recovered.Value();
    EXPECT_EQ(scan.blocks, c.blocks);
    EXPECT_EQ(scan.frames, c.frames);
    EXPECT_EQ(scan.dropReason.empty(), std::string(c.reason).empty()) << scan.dropReason;
    EXPECT_NE(scan.dropReason.find(c.reason), std::string::npos) << scan.dropReason;
    EXPECT_EQ(testutil::ReadAll(in), killed.bytes) << "the input is left as it was";

    // The blocks kept are the input's bytes; the header has their counts and validates.
    const Bytes fixed = testutil::ReadAll(out);
    ASSERT_EQ(fixed.size(), scan.keptEnd);
    EXPECT_TRUE(std::equal(fixed.begin() + 24, fixed.end(), killed.bytes.begin() + 24));
    auto reader = testutil::OpenValid(out);
    EXPECT_EQ(reader.BlockCount(), c.blocks);
    EXPECT_EQ(reader.FrameCount(), c.frames);
}

INSTANTIATE_TEST_SUITE_P(Damage, Recovery, ::testing::ValuesIn(kCases),
                         [](const auto& test) { return std::string(test.param.name); });

TEST(RecoveryInPlace, CutsTheTornTailAndLeavesACompleteFileAlone) {
    KilledTrace killed = MakeKilled();
    killed.bytes.resize(killed.bytes.size() - 5);
    const auto path = testutil::TempPath("inplace.tns");
    testutil::WriteAll(path, killed.bytes);
    auto first = capture::RecoverTrace(path, "");
    ASSERT_TRUE(first.Ok());
    EXPECT_FALSE(first.Value().Complete());
    EXPECT_EQ(testutil::OpenValid(path).FrameCount(), 12u);
    const Bytes fixed = testutil::ReadAll(path);
    auto again = capture::RecoverTrace(path, path);
    ASSERT_TRUE(again.Ok());
    EXPECT_TRUE(again.Value().Complete());
    EXPECT_EQ(testutil::ReadAll(path), fixed);
}

TEST(RecoveryInPlace, RefusesAFileACaptureStillWrites) {
    const auto path = testutil::TempPath("held.tns");
    testutil::WriteAll(path, MakeKilled().bytes);
    auto writer = core::FileHandle::Open(path, core::FileHandle::Mode::ReadWrite);
    ASSERT_TRUE(writer.Ok() && writer.Value().TryLockExclusive().Ok());
    auto refused = capture::RecoverTrace(path, "");
    ASSERT_FALSE(refused.Ok());
    EXPECT_NE(refused.Err().text.find("another program is writing this file"), std::string::npos);
}

TEST(RecoveryInPlace, RefusesWhatIsNoTraceFile) {
    const auto path = testutil::TempPath("notrace.tns");
    testutil::WriteAll(path, Bytes(100, 0x41));
    EXPECT_FALSE(capture::RecoverTrace(path, "").Ok());
    EXPECT_EQ(testutil::ReadAll(path), Bytes(100, 0x41));
}

}  // namespace
