// The block prefetcher hands over every block of a trace file once, in order, and stops
// cleanly whether it is read to the end or dropped half way.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "capture/TraceReader.h"
#include "cli/BlockPrefetch.h"
#include "core/UserPrompt.h"

namespace cli {
namespace {

const std::string kSample = std::string(PALOMET_SOURCE_DIR) + "/samples/sample.tns";

capture::TraceReader OpenSample() {
    auto opened = capture::TraceReader::Open(kSample);
    EXPECT_TRUE(opened.Ok());
    core::RecordingPrompt prompt;
    EXPECT_TRUE(opened.Value().Validate(prompt));
    return std::move(opened).Value();
}

// Frame numbers block by block, read the plain way: one Go after another.
std::vector<std::vector<std::uint32_t>> ReadSequentially() {
    auto reader = OpenSample();
    capture::CPktSnap batch;
    std::vector<std::vector<std::uint32_t>> blocks;
    for (;;) {
        auto moved = reader.Go(capture::TraceReader::Move::Next, batch);
        if (!moved || !moved.Value()) break;
        auto& numbers = blocks.emplace_back();
        for (const auto& f : batch.Frames()) numbers.push_back(f.GetFrameNumber());
    }
    return blocks;
}

TEST(BlockPrefetch, HandsOverEveryBlockInOrderAtAnyDepth) {
    const auto expected = ReadSequentially();
    ASSERT_GT(expected.size(), 1U);
    for (const std::size_t depth : {1U, 2U, 5U}) {
        auto reader = OpenSample();
        BlockPrefetch blocks(reader, nullptr, depth);
        std::vector<std::vector<std::uint32_t>> seen;
        while (const capture::CPktSnap* batch = blocks.Next()) {
            auto& numbers = seen.emplace_back();
            for (const auto& f : batch->Frames()) numbers.push_back(f.GetFrameNumber());
        }
        EXPECT_EQ(seen, expected) << depth;
        EXPECT_EQ(blocks.Error(), "");
        EXPECT_EQ(blocks.Next(), nullptr);  // the end stays the end
    }
}

TEST(BlockPrefetch, StopsWhenDroppedBeforeTheEnd) {
    auto reader = OpenSample();
    {
        BlockPrefetch blocks(reader, nullptr, 1);
        ASSERT_NE(blocks.Next(), nullptr);
    }
    {
        BlockPrefetch untouched(reader, nullptr, 3);
    }
    SUCCEED();
}

}  // namespace
}  // namespace cli
