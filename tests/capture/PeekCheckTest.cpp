// What the capture thread refuses to write: peek results whose count contradicts the batch
// they carry; and how it tells a batch handed over again, and frames lost, by the agent's
// frame numbers.
#include <gtest/gtest.h>

#include "capture/AgentFrameNumbers.h"
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

// The facts name the agent's number of the batch's first frame.
TEST(PeekCheck, ReadsTheAgentsNumberOfTheFirstFrame) {
    capture::CPktSnap batch = testutil::MakeBatch(5, 3);  // frames 5, 6, 7
    const Bytes result = capture::PackSerialized(capture::SerializeBatch(batch), 3).Value();
    const auto facts = capture::CheckPeekResult(result, 8);
    ASSERT_TRUE(facts.Ok());
    EXPECT_EQ(facts.Value().firstFrame, 5u);
}

// A snapper's batches, a repeat among them or not, and what was lost between them. The
// cases that mix loss and repeats are the ones the file's own count cannot tell apart.
TEST(AgentFrameNumbers, TellsRepeatsAndGapsByTheAgentsNumbers) {
    struct Step {
        bool start;  // a snapper started with first number `first`; else a batch
        std::uint32_t first;
        std::uint32_t frames = 0;
        bool repeat = false;
        std::uint32_t lost = 0;
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        std::uint64_t lost;
    };
    const Case cases[] = {
        {"every frame delivered", {{true, 0}, {false, 0, 50}, {false, 50, 20}}, 0},
        {"queue overflowed before the first peek", {{true, 0}, {false, 2950, 50, false, 2950}}, 2950},
        {"gap between two batches", {{true, 0}, {false, 0, 50}, {false, 3000, 50, false, 2950}}, 2950},
        {"repeat after a gap is not written twice",
         {{true, 0}, {false, 0, 50}, {false, 3000, 50, false, 2950}, {false, 3000, 50, true}},
         2950},
        {"repeat of the only batch", {{true, 0}, {false, 0, 50}, {false, 0, 50, true}}, 0},
        {"new batch after a gap is not a repeat",
         {{true, 0}, {false, 0, 10}, {false, 40, 10, false, 30}, {false, 10, 10}},
         30},
        {"a restarted snapper numbering its own way is new, even as the last batch was",
         {{true, 0}, {false, 0, 50}, {true, 50}, {false, 0, 50}, {false, 50, 5}},
         0},
        {"gap after a restart", {{true, 0}, {false, 0, 100}, {true, 100}, {false, 150, 10, false, 50}}, 50},
        {"numbers wrap", {{true, 0xFFFFFFF0u}, {false, 0xFFFFFFF0u, 16}, {false, 0x10, 5, false, 16}}, 16},
    };
    for (const auto& c : cases) {
        capture::AgentFrameNumbers numbers;
        for (std::size_t i = 0; i < c.steps.size(); ++i) {
            const Step& step = c.steps[i];
            if (step.start) {
                numbers.Started(step.first);
                continue;
            }
            const auto verdict = numbers.Take(step.first, step.frames);
            EXPECT_EQ(verdict.repeat, step.repeat) << c.name << ", step " << i;
            EXPECT_EQ(verdict.lost, step.lost) << c.name << ", step " << i;
        }
        EXPECT_EQ(numbers.Lost(), c.lost) << c.name;
    }
}

}  // namespace
