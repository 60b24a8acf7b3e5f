// Recovering trace files whose capture died: what is kept, what is dropped and why, into a
// new file or in place.
#include <gtest/gtest.h>

#include "capture/TraceRecovery.h"
#include "capture/TraceTestUtil.h"

namespace {

using testutil::Bytes;

struct RecoveryCase {
    const char* name;
    std::function<void(Bytes&, std::vector<std::size_t>& blocks)> damage;  // blocks: their offsets
    std::uint32_t blocks;
    std::uint32_t frames;
    const char* reason;  // part of why the walk stopped; empty when nothing is dropped
};

void PrintTo(const RecoveryCase& c, std::ostream* os) { *os << c.name; }

const RecoveryCase kCases[] = {
    {"OnlyTheCountsAreMissing", {}, 3, 15, ""},
    {"TornInsideTheLastBlock", [](Bytes& b, auto&) { b.resize(b.size() - 10); }, 2, 12, "block 3 at offset"},
    {"TornInsideALeadRecord", [](Bytes& b, auto& at) { b.resize(at[2] + 7); }, 2, 12, "only 7 bytes are left"},
    {"CutRightAfterABlock", [](Bytes& b, auto& at) { b.resize(at[2]); }, 2, 12, ""},
    {"GarbageAfterTheLastBlock", [](Bytes& b, auto&) { b.insert(b.end(), 100, 0xEE); }, 3, 15, "block 4"},
    {"CorruptStreamInTheMiddle", [](Bytes& b, auto& at) { b[at[1] + 30] ^= 0xFF; }, 1, 5, "block 2"},
    {"FrameNumbersJump",
     [](Bytes& b, auto& at) { testutil::PutLe32(b, at[1], 6), testutil::PutLe32(b, at[2] - 12, 6); }, 1, 5,
     "starts at frame 6 instead of 5"},
    {"TrailPointsElsewhere", [](Bytes& b, auto&) { testutil::PutLe32(b, b.size() - 4, 24); }, 2, 12,
     "trail record does not match"},
    // The batch of block 2 is stored claiming 6 frames under records of 7 (see below).
    {"BatchHoldsFewerFramesThanItsRecords", {}, 1, 5, "holds 6 frames, its records say 7"},
    {"HeaderAlone", [](Bytes& b, auto&) { b.resize(capture::kTraceHeaderSize); }, 0, 0, ""},
};

class Recovery : public ::testing::TestWithParam<RecoveryCase> {};

TEST_P(Recovery, KeepsEveryBlockThatVerifies) {
    const RecoveryCase& c = GetParam();
    // Blocks of 5, 7 and 3 frames behind a header with zero counts, as a killed capture leaves it.
    const bool fewer = std::string(c.name).starts_with("BatchHoldsFewer");
    Bytes killed =
        support::ReadBytes(testutil::WriteTrace("whole.tns", {5, 7, 3}, [&](std::size_t block, Bytes& batch) {
            if (fewer && block == 1) testutil::PutLe32(batch, 12, 6);
        }));
    std::vector<std::size_t> blocks;
    for (std::size_t at = 24; at < killed.size(); at = testutil::Le32At(killed, at + 8)) blocks.push_back(at);
    std::fill(killed.begin() + 12, killed.begin() + 24, 0);
    if (c.damage) c.damage(killed, blocks);
    const auto in = support::TempPath("in.tns");
    for (const bool inPlace : {false, true}) {
        support::WriteBytes(in, killed);
        const auto out = inPlace ? in : support::TempPath("out.tns");
        auto recovered = capture::RecoverTrace(in, inPlace ? "" : out);
        ASSERT_TRUE(recovered.Ok()) << recovered.Err().text;
        const auto& scan = recovered.Value();
        EXPECT_EQ(scan.dropReason.empty(), std::string(c.reason).empty()) << scan.dropReason;
        EXPECT_NE(scan.dropReason.find(c.reason), std::string::npos) << scan.dropReason;
        if (!inPlace) {
            EXPECT_EQ(support::ReadBytes(in), killed) << "the input is left as it was";
        }
        // The kept blocks are the input's bytes; the header has their counts and validates.
        const Bytes fixed = support::ReadBytes(out);
        ASSERT_EQ(fixed.size(), scan.keptEnd);
        EXPECT_TRUE(std::equal(fixed.begin() + 24, fixed.end(), killed.begin() + 24));
        auto reader = testutil::OpenValid(out);
        EXPECT_EQ(reader.BlockCount(), c.blocks);
        EXPECT_EQ(reader.FrameCount(), c.frames);
        EXPECT_TRUE(capture::RecoverTrace(out, "").Value().Complete()) << "a second run finds nothing to do";
    }
}

INSTANTIATE_TEST_SUITE_P(Damage, Recovery, ::testing::ValuesIn(kCases),
                         [](const auto& test) { return std::string(test.param.name); });

// In place, a file a capture still holds (its lock), or one that is no trace, is left alone.
TEST(Recovery, RefusesAFileBeingWrittenOrNoTraceAtAll) {
    const auto path = testutil::WriteTrace("held.tns", {5});
    auto writer = core::FileHandle::Open(path, core::FileHandle::Mode::ReadWrite);
    ASSERT_TRUE(writer.Ok() && writer.Value().TryLockExclusive().Ok());
    EXPECT_NE(capture::RecoverTrace(path, "").Err().text.find("another program is writing this file"),
              std::string::npos);
    const auto other = support::TempPath("notrace.tns");
    support::WriteBytes(other, Bytes(100, 0x41));
    EXPECT_FALSE(capture::RecoverTrace(other, "").Ok());
    EXPECT_EQ(support::ReadBytes(other), Bytes(100, 0x41));
}

}  // namespace
