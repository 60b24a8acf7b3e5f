// What the capture thread refuses to write: peek results whose count contradicts the batch
// they carry.
#include <gtest/gtest.h>

#include "capture/PeekCheck.h"
#include "capture/TraceTestUtil.h"

namespace {

using testutil::Bytes;

Bytes Peek(std::uint32_t frames, const std::function<void(Bytes&)>& spoilBatch = {}) {
    auto batch = testutil::MakeBatch(0, frames);
    Bytes serialized = capture::SerializeBatch(batch);
    if (spoilBatch) spoilBatch(serialized);
    return capture::PackSerialized(serialized, frames).Value();
}

struct PeekCase {
    const char* name;
    Bytes result;
    std::uint32_t framesInFile;
    const char* refusal;  // part of the reason; empty: accepted
};

TEST(PeekCheck, AcceptsOnlyABatchThatMatchesItsCount) {
    Bytes zeroCount = Peek(3);
    testutil::PutLe32(zeroCount, 0, 0);
    Bytes tooMany = Peek(3);
    testutil::PutLe32(tooMany, 0, 1000);
    Bytes overcounted = Peek(3);
    testutil::PutLe32(overcounted, 0, 4);
    Bytes hugeSize = Peek(3);
    testutil::PutLe32(hugeSize, 4, 0x7FFFFFFF);
    Bytes garbage = Peek(3);
    std::fill(garbage.begin() + 8, garbage.end(), 0x5A);
    const PeekCase cases[] = {
        {"matching", Peek(3), 0, ""},
        {"matching near the end of the numbers", Peek(3), 0xFFFFFFFCu, ""},
        {"no head", Bytes(7, 0), 0, "has no head"},
        {"no frame", zeroCount, 0, "announces no frame"},
        {"more frames than bytes", tooMany, 0, "1000 frames cannot fit in a batch of"},
        {"frame count overflow", Peek(3), 0xFFFFFFFDu, "would overflow the frame count"},
        {"implausible size", hugeSize, 0, "cannot inflate to 2147483647"},
        {"not zlib", garbage, 0, "does not inflate to a batch head"},
        {"wrong schema", Peek(3, [](Bytes& b) { testutil::PutLe32(b, 0, 2); }), 0, "schema word 2"},
        {"count disagrees", overcounted, 0, "batch holds 3 frames, the peek announces 4"},
    };
    for (const auto& c : cases) {
        const auto checked = capture::CheckPeekResult(c.result, c.framesInFile);
        if (std::string(c.refusal).empty()) {
            ASSERT_TRUE(checked.Ok()) << c.name << ": " << checked.Err().text;
            EXPECT_EQ(checked.Value().frames, 3u) << c.name;
        } else {
            ASSERT_FALSE(checked.Ok()) << c.name;
            EXPECT_NE(checked.Err().text.find(c.refusal), std::string::npos) << c.name << ": " << checked.Err().text;
        }
    }
}

}  // namespace
