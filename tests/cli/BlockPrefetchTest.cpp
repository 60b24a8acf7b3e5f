// The block prefetcher hands over every block of a trace file once, in order, passes over a
// block it cannot read (saying which), and stops cleanly whether it is read to the end or
// dropped half way.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "capture/TraceTestUtil.h"
#include "cli/BlockPrefetch.h"

namespace cli {
namespace {

using Blocks = std::vector<std::vector<std::uint32_t>>;

// Frame numbers block by block, and the errors in between, as the prefetcher hands them over.
struct Seen {
    Blocks blocks;
    std::vector<std::string> errors;
};

Seen ReadAll(const std::string& path, std::size_t depth, std::size_t budget = BlockPrefetch::kDefaultBudget) {
    auto reader = testutil::OpenValid(path);
    Seen seen;
    BlockPrefetch prefetch(
        reader, nullptr, depth, [&](const std::string& e) { seen.errors.push_back(e); }, budget);
    while (const capture::CPktSnap* batch = prefetch.Next()) {
        auto& numbers = seen.blocks.emplace_back();
        for (const auto& f : batch->Frames()) numbers.push_back(f.GetFrameNumber());
    }
    EXPECT_EQ(prefetch.Next(), nullptr);  // the end stays the end
    return seen;
}

std::vector<std::uint32_t> Range(std::uint32_t first, std::uint32_t count) {
    std::vector<std::uint32_t> out;
    for (std::uint32_t n = first; n < first + count; ++n) out.push_back(n);
    return out;
}

TEST(BlockPrefetch, HandsOverEveryBlockInOrderAtAnyDepthAndBudget) {
    const auto path = testutil::WriteTrace("four.tns", {30, 20, 10, 40});
    const Blocks expected = {Range(0, 30), Range(30, 20), Range(50, 10), Range(60, 40)};
    // A budget of one byte holds one block at a time; the order must not change.
    for (const std::size_t budget : {BlockPrefetch::kDefaultBudget, std::size_t{1}}) {
        for (const std::size_t depth : {1U, 2U, 5U}) {
            const Seen seen = ReadAll(path, depth, budget);
            EXPECT_EQ(seen.blocks, expected) << depth << " " << budget;
            EXPECT_TRUE(seen.errors.empty());
        }
    }
}

TEST(BlockPrefetch, PassesOverABlockItCannotReadAndGoesOn) {
    const auto clean = support::ReadBytes(testutil::WriteTrace("clean.tns", {30, 20, 10, 40}));
    auto reader = testutil::OpenValid(testutil::WriteTrace("listed.tns", {30, 20, 10, 40}));
    const auto listed = reader.ListBlocks();
    ASSERT_TRUE(listed.Ok());
    const auto& info = listed.Value();
    struct Case {
        const char* what;
        std::size_t block;  // 0-based
        std::function<void(testutil::Bytes&, std::size_t at)> spoil;
    };
    const Case cases[] = {
        {"zlib stream", 1, [](testutil::Bytes& b, std::size_t at) { std::fill_n(b.begin() + long(at) + 22, 8, 0xFF); }},
        {"compressed size", 1, [](testutil::Bytes& b, std::size_t at) { testutil::PutLe32(b, at + 12, 0xFFFFFF00); }},
        {"lead record and sizes", 1,
         [](testutil::Bytes& b, std::size_t at) {
             testutil::PutLe32(b, at + 8, 3);
             testutil::PutLe32(b, at + 12, 0xFFFFFF00);
         }},
        {"last block", 3, [](testutil::Bytes& b, std::size_t at) { std::fill_n(b.begin() + long(at) + 22, 8, 0xFF); }},
    };
    const Blocks all = {Range(0, 30), Range(30, 20), Range(50, 10), Range(60, 40)};
    for (const auto& c : cases) {
        auto bytes = clean;
        c.spoil(bytes, info[c.block].offset);
        const auto path = support::TempPath("spoilt.tns");
        support::WriteBytes(path, bytes);
        const Seen seen = ReadAll(path, 2);
        Blocks expected = all;
        expected.erase(expected.begin() + long(c.block));
        EXPECT_EQ(seen.blocks, expected) << c.what;
        ASSERT_EQ(seen.errors.size(), 1U) << c.what;
        EXPECT_EQ(seen.errors[0].rfind("block " + std::to_string(c.block + 1) + " at offset ", 0), 0U)
            << seen.errors[0];
    }
}

TEST(BlockPrefetch, StopsWhenDroppedBeforeTheEnd) {
    auto reader = testutil::OpenValid(testutil::WriteTrace("dropped.tns", {5, 5, 5, 5}));
    {
        BlockPrefetch blocks(reader, nullptr, 1);
        ASSERT_NE(blocks.Next(), nullptr);
    }
    { BlockPrefetch untouched(reader, nullptr, 3); }
    SUCCEED();
}

}  // namespace
}  // namespace cli
