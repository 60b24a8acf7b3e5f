// Hostile trace files: each gets an error naming the block, leaves the batch empty and the
// screen where it was, and never reads outside the file or loops.
#include <gtest/gtest.h>

#include <functional>

#include "capture/TraceReader.h"
#include "core/Archive.h"
#include "TraceTestUtil.h"

namespace {

using capture::TraceReader;
using testutil::Bytes;
using testutil::Le32At;
using testutil::PutLe32;

enum class Act { Next, Previous, Last, FromStart, FromEnd };
struct Action {
    Act act;
    std::uint32_t frame = 0;
};

struct Layout {
    std::size_t offset[3];
    std::size_t c[3];
    std::size_t Trail(int i) const { return offset[i] + 20 + c[i]; }
};

Layout LayoutOf(const Bytes& file) {
    Layout l{};
    std::size_t at = 24;
    for (int i = 0; i < 3; ++i) {
        l.offset[i] = at;
        l.c[i] = Le32At(file, at + 12);
        at += 32 + l.c[i];
    }
    return l;
}

// A three-block file whose middle block carries the given serialised batch.
Bytes WithMiddleBatch(const std::function<void(Bytes&)>& spoil) {
    const auto path = testutil::TempPath("custom.tns");
    auto writer = capture::TraceWriter::Create(path, capture::TraceWriter::Flush::Deferred);
    EXPECT_TRUE(writer.Value().WriteHeader().Ok());
    EXPECT_TRUE(writer.Value().AppendBlock(testutil::Pack(testutil::MakeBatch(0, 3)), 3).Ok());
    auto middle = testutil::MakeBatch(3, 4);
    Bytes serialized = capture::SerializeBatch(middle);
    spoil(serialized);
    EXPECT_TRUE(writer.Value().AppendBlock(capture::PackSerialized(serialized, 4).Value(), 4).Ok());
    EXPECT_TRUE(writer.Value().AppendBlock(testutil::Pack(testutil::MakeBatch(7, 5)), 5).Ok());
    EXPECT_TRUE(writer.Value().Finish().Ok());
    return testutil::ReadAll(path);
}

void FixEndOffset(Bytes& file) { PutLe32(file, 16, static_cast<std::uint32_t>(file.size())); }

TEST(TraceBadInput, EachFaultIsNamedAndLeavesNothingBehind) {
    const Bytes good = testutil::ReadAll(testutil::WriteTrace("good.tns", {3, 4, 5}));
    const Layout l = LayoutOf(good);
    struct Case {
        const char* name;
        std::function<Bytes()> make;
        std::vector<Action> actions;  // all but the last succeed
        const char* error;
    };
    auto spoil = [&](std::function<void(Bytes&)> f) {
        return [&good, f] {
            Bytes b = good;
            f(b);
            return b;
        };
    };
    const Case cases[] = {
        {"compressed size past the end", spoil([&](Bytes& b) { PutLe32(b, l.offset[1] + 12, 0x7FFFFFFF); }),
         {{Act::Next}, {Act::Next}}, "compressed size 2147483647 runs past the end"},
        {"corrupt zlib stream",
         spoil([&](Bytes& b) {
             for (std::size_t i = 2; i < 12; ++i) b[l.offset[1] + 20 + i] ^= 0x5A;
         }),
         {{Act::Next}, {Act::Next}}, "block 2 at offset"},
        {"inflates to fewer bytes than u", spoil([&](Bytes& b) { PutLe32(b, l.offset[1] + 16, Le32At(b, l.offset[1] + 16) + 1); }),
         {{Act::Next}, {Act::Next}}, "bytes instead of"},
        {"inflates to more bytes than u", spoil([&](Bytes& b) { PutLe32(b, l.offset[1] + 16, Le32At(b, l.offset[1] + 16) - 1); }),
         {{Act::Next}, {Act::Next}}, "inflates to more than"},
        {"absurd uncompressed size", spoil([&](Bytes& b) { PutLe32(b, l.offset[1] + 16, 0xFFFFFFF0); }),
         {{Act::Next}, {Act::Next}}, "is implausible"},
        {"trail record points elsewhere", spoil([&](Bytes& b) { PutLe32(b, l.Trail(1) + 8, 24); }),
         {{Act::Next}, {Act::Next}}, "trail record points at offset 24"},
        {"lead record points backwards", spoil([&](Bytes& b) { PutLe32(b, l.offset[0] + 8, 24); }),
         {{Act::FromStart, 9}}, "does not point forwards"},
        {"lead record points past the end", spoil([&](Bytes& b) { PutLe32(b, l.offset[0] + 8, 0xFFFFFF00); }),
         {{Act::FromStart, 9}}, "does not point forwards"},
        {"trail record points forwards", spoil([&](Bytes& b) { PutLe32(b, l.Trail(1) + 8, static_cast<std::uint32_t>(l.offset[2])); }),
         {{Act::Last}, {Act::Previous}}, "does not point backwards"},
        {"end search meets a forward trail", spoil([&](Bytes& b) { PutLe32(b, l.Trail(1) + 8, static_cast<std::uint32_t>(l.offset[2])); }),
         {{Act::FromEnd, 1}}, "does not point backwards"},
        {"previous block does not end where this one starts",
         spoil([&](Bytes& b) { PutLe32(b, l.Trail(1) + 8, 24); }),
         {{Act::Last}, {Act::Previous}}, "does not end where the next block starts"},
        {"more blocks in the header than in the file", spoil([&](Bytes& b) { PutLe32(b, 12, 5); }),
         {{Act::Next}, {Act::Next}, {Act::Next}, {Act::Next}}, "block 4 at offset"},
        {"file cut inside the last block",
         spoil([&](Bytes& b) {
             b.resize(b.size() - 20);
             FixEndOffset(b);
         }),
         {{Act::Last}}, "block 3"},
        {"batch claims two billion frames", [] { return WithMiddleBatch([](Bytes& s) { PutLe32(s, 12, 0x7FFFFFFF); }); },
         {{Act::Next}, {Act::Next}}, "frame batch ends after 4 of 2147483647 frames"},
        {"frame claims more data than the batch", [] { return WithMiddleBatch([](Bytes& s) { PutLe32(s, 16 + 32, 0x7FFFFFF0); }); },
         {{Act::Next}, {Act::Next}}, "frame 0 claims more data"},
        {"batch schema word 2", [] { return WithMiddleBatch([](Bytes& s) { PutLe32(s, 0, 2); }); },
         {{Act::Next}, {Act::Next}}, "frame batch has schema word 2"},
        {"frame schema word 3", [] { return WithMiddleBatch([](Bytes& s) { PutLe32(s, 16, 3); }); },
         {{Act::Next}, {Act::Next}}, "frame 0 has schema word 3"},
        {"batch shorter than its head", [] { return WithMiddleBatch([](Bytes& s) { s.resize(10); }); },
         {{Act::Next}, {Act::Next}}, "shorter than its 16-byte head"},
    };
    for (const auto& c : cases) {
        const auto path = testutil::TempPath("bad.tns");
        testutil::WriteAll(path, c.make());
        auto reader = TraceReader::Open(path);
        ASSERT_TRUE(reader.Ok());
        core::RecordingPrompt prompt;
        ASSERT_TRUE(reader.Value().Validate(prompt)) << c.name;
        capture::CPktSnap batch;
        for (std::size_t i = 0; i < c.actions.size(); ++i) {
            const bool last = i + 1 == c.actions.size();
            const std::uint32_t screenBefore = reader.Value().Screen();
            const auto& a = c.actions[i];
            core::Status st = core::Success();
            switch (a.act) {
                case Act::Next: case Act::Previous: case Act::Last: {
                    const auto move = a.act == Act::Next ? TraceReader::Move::Next
                                    : a.act == Act::Previous ? TraceReader::Move::Previous : TraceReader::Move::Last;
                    auto moved = reader.Value().Go(move, batch);
                    if (!moved) st = moved.Err();
                    else if (!moved.Value()) st = core::Fail(core::ErrorKind::Corrupt, "move not allowed");
                    break;
                }
                case Act::FromStart: st = reader.Value().GoToFrame(a.frame, a.frame, batch); break;
                case Act::FromEnd: st = reader.Value().GoToFrame(a.frame, 0, batch); break;
            }
            if (!last) {
                ASSERT_TRUE(st.Ok()) << c.name << " action " << i << ": " << st.Err().text;
                continue;
            }
            ASSERT_FALSE(st.Ok()) << c.name;
            EXPECT_NE(st.Err().text.find(c.error), std::string::npos) << c.name << ": " << st.Err().text;
            EXPECT_EQ(batch.GetFrameCount(), 0u) << c.name << ": no frames of a failed block";
            EXPECT_EQ(reader.Value().Screen(), screenBefore) << c.name << ": screen unchanged";
        }
    }
}

TEST(TraceBadInput, ListingTheChainChecksEveryOffset) {
    Bytes file = testutil::ReadAll(testutil::WriteTrace("good.tns", {3, 4, 5}));
    const Layout l = LayoutOf(file);
    const auto path = testutil::TempPath("chain.tns");
    testutil::WriteAll(path, file);
    auto blocks = TraceReader::Open(path).Value().ListBlocks();
    ASSERT_TRUE(blocks.Ok());
    ASSERT_EQ(blocks.Value().size(), 3u);
    EXPECT_EQ(blocks.Value()[2].offset, l.offset[2]);
    EXPECT_EQ(blocks.Value()[2].lead.first, 7u);

    PutLe32(file, l.offset[1] + 8, static_cast<std::uint32_t>(l.offset[1]));
    testutil::WriteAll(path, file);
    auto broken = TraceReader::Open(path).Value().ListBlocks();
    ASSERT_FALSE(broken.Ok());
    EXPECT_NE(broken.Err().text.find("block 2"), std::string::npos) << broken.Err().text;
}

}  // namespace
