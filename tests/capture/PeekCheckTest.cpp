// What the capture thread refuses to write: peek results whose count contradicts the batch
// they carry.
#include <gtest/gtest.h>

#include "capture/PeekCheck.h"
#include "capture/TraceTestUtil.h"

namespace {

using testutil::Bytes;

// A peek result of a 3-frame batch, with one word of it changed: its head's word at (0 the
// count, 4 the size) or, with inBatch, the serialised batch's word at.
Bytes Peek(std::size_t at = 0, std::uint32_t word = 3, bool inBatch = false) {
    auto batch = testutil::MakeBatch(0, 3);
    Bytes serialized = capture::SerializeBatch(batch);
    if (inBatch) testutil::PutLe32(serialized, at, word);
    Bytes result = capture::PackSerialized(serialized, 3).Value();
    if (!inBatch) testutil::PutLe32(result, at, word);
    return result;
}

TEST(PeekCheck, AcceptsOnlyABatchThatMatchesItsCount) {
    Bytes garbage = Peek();
    std::fill(garbage.begin() + 8, garbage.end(), 0x5A);
    const std::tuple<const char*, Bytes, std::uint32_t, const char*> cases[] = {
        {"matching", Peek(), 0, ""},
        {"matching at the end of the numbers", Peek(), 0xFFFFFFFCu, ""},
        {"no head", Bytes(7, 0), 0, "has no head"},
        {"no frame", Peek(0, 0), 0, "announces no frame"},
        {"more frames than bytes", Peek(0, 1000), 0, "1000 frames cannot fit in a batch of"},
        {"frame count overflow", Peek(), 0xFFFFFFFDu, "would overflow the frame count"},
        {"implausible size", Peek(4, 0x7FFFFFFF), 0, "cannot inflate to 2147483647"},
        {"not zlib", garbage, 0, "does not inflate to a batch head"},
        {"wrong schema", Peek(0, 2, true), 0, "schema word 2"},
        {"count disagrees", Peek(0, 4), 0, "batch holds 3 frames, the peek announces 4"},
    };
    for (const auto& [name, result, framesInFile, refusal] : cases) {
        const auto checked = capture::CheckPeekResult(result, framesInFile);
        EXPECT_EQ(checked.Ok(), std::string(refusal).empty()) << name;
        const std::string said = checked.Ok() ? "" : checked.Err().text;
        EXPECT_NE(said.find(refusal), std::string::npos) << said;
    }
}

// A peek the agent hands over again after a reconnect holds frames the file already has.
TEST(PeekCheck, TellsARepeatedBatchByItsFrameNumbers) {
    capture::CPktSnap batch = testutil::MakeBatch(5, 3);  // frames 5, 6, 7
    const Bytes serialized = capture::SerializeBatch(batch);
    const Bytes result = capture::PackSerialized(serialized, 3).Value();
    const auto facts = capture::CheckPeekResult(result, 8);
    ASSERT_TRUE(facts.Ok());
    EXPECT_EQ(facts.Value().firstFrame, 5u);
    for (const auto& [framesInFile, repeats] : {std::pair{8u, true}, {9u, false}, {7u, false}, {5u, false}})
        EXPECT_EQ(capture::RepeatsFramesInFile(facts.Value(), framesInFile), repeats) << framesInFile;
}

}  // namespace
