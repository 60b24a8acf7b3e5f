// Trace writer and validation: the layout the writer produces, the four validation
// messages, and the writer's refusals.
#include <gtest/gtest.h>

#include <mutex>

#include "capture/TraceFileMutex.h"
#include "capture/TraceFormat.h"
#include "capture/TraceReader.h"
#include "capture/TraceWriter.h"
#include "TraceTestUtil.h"

namespace {

using capture::TraceReader;
using core::PromptIcon;
using testutil::Bytes;
using testutil::Le32At;

TEST(TraceWriter, ThreeBlocksChainBothWays) {
    const auto path = testutil::WriteTrace("t.tns", {3, 4, 5});
    const Bytes file = testutil::ReadAll(path);
    // Header: format words, signature, then 3 blocks, the file length, 12 frames.
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 12),
              (Bytes{0, 0, 1, 0, 0x1A, 0x70, 0x9D, 0xE5, 0xA9, 0xE4, 0x05, 0x10}));
    EXPECT_EQ(Le32At(file, 12), 3u);
    EXPECT_EQ(Le32At(file, 16), file.size());
    EXPECT_EQ(Le32At(file, 20), 12u);

    const std::uint32_t expectFirst[] = {0, 3, 7};
    const std::uint32_t expectLast[] = {2, 6, 11};
    std::size_t at = 24;
    std::uint32_t previousNext = 0;
    for (int i = 0; i < 3; ++i) {
        const std::uint32_t c = Le32At(file, at + 12);
        const std::size_t trail = at + 20 + c;
        EXPECT_EQ(Le32At(file, at), expectFirst[i]);
        EXPECT_EQ(Le32At(file, at + 4), expectLast[i]);
        EXPECT_EQ(Le32At(file, at + 8), at + 32 + c) << "lead points at the next block";
        EXPECT_EQ(Le32At(file, trail), expectFirst[i]);
        EXPECT_EQ(Le32At(file, trail + 4), expectLast[i]);
        EXPECT_EQ(Le32At(file, trail + 8), at) << "trail points back at its lead";
        if (i > 0) { EXPECT_EQ(previousNext, at) << "lead of block i = trail of block i + 1"; }
        EXPECT_EQ(file[at + 20], 0x78) << "zlib stream header";
        previousNext = Le32At(file, at + 8);
        at += 32 + c;
    }
    EXPECT_EQ(at, file.size());
}

TEST(TraceWriter, FirstWordOfThePeekResultBecomesTheCompressedSize) {
    const auto path = testutil::TempPath("t.tns");
    auto writer = capture::TraceWriter::Create(path);
    ASSERT_TRUE(writer.Ok());
    ASSERT_TRUE(writer.Value().WriteHeader().Ok());
    const Bytes peek = testutil::Pack(testutil::MakeBatch(0, 2));
    ASSERT_EQ(Le32At(peek, 0), 2u);
    ASSERT_TRUE(writer.Value().AppendBlock(peek, 2).Ok());
    EXPECT_EQ(writer.Value().BlockCount(), 1u);
    EXPECT_EQ(writer.Value().FrameCount(), 2u);
    EXPECT_EQ(writer.Value().EndOffset(), 24 + peek.size() + 24);
    const Bytes file = testutil::ReadAll(path);
    EXPECT_EQ(Le32At(file, 36), peek.size() - 8);
    EXPECT_EQ(Bytes(file.begin() + 40, file.end() - 12), Bytes(peek.begin() + 4, peek.end()));
    EXPECT_EQ(Le32At(file, 12), 0u) << "counts stay zero until Finish";
}

TEST(TraceWriter, DropsABlockWhenTheLockIsHeld) {
    const auto path = testutil::TempPath("t.tns");
    auto writer = capture::TraceWriter::Create(path);
    ASSERT_TRUE(writer.Ok());
    ASSERT_TRUE(writer.Value().WriteHeader().Ok());
    writer.Value().SetLockWait(std::chrono::milliseconds(10));
    std::unique_lock held(capture::TraceFileMutex());
    const auto st = writer.Value().AppendBlock(testutil::Pack(testutil::MakeBatch(0, 2)), 2);
    held.unlock();
    ASSERT_FALSE(st.Ok());
    EXPECT_NE(st.Err().text.find("dropped"), std::string::npos);
    EXPECT_EQ(writer.Value().BlockCount(), 0u);
    EXPECT_EQ(writer.Value().FrameCount(), 0u);
    EXPECT_EQ(testutil::ReadAll(path).size(), 24u);
}

TEST(TraceWriter, RefusesAPeekResultWithoutItsTwoWords) {
    const auto path = testutil::TempPath("t.tns");
    auto writer = capture::TraceWriter::Create(path);
    ASSERT_TRUE(writer.Ok());
    ASSERT_TRUE(writer.Value().WriteHeader().Ok());
    EXPECT_FALSE(writer.Value().AppendBlock(Bytes{1, 0, 0, 0}, 1).Ok());
    EXPECT_EQ(testutil::ReadAll(path).size(), 24u);
}

TEST(TraceValidation, MessagesAndIcons) {
    const Bytes good = testutil::ReadAll(testutil::WriteTrace("good.tns", {2}));
    struct Case {
        const char* name;
        Bytes bytes;
        const char* message;  // nullptr: valid
        PromptIcon icon;
    };
    auto with = [&](std::size_t at, std::uint8_t v) {
        Bytes b = good;
        b[at] = v;
        return b;
    };
    Bytes longer = good;
    longer.push_back(0);
    Bytes zeroCounts = good;
    for (std::size_t i = 12; i < 24; ++i) zeroCounts[i] = 0;
    const Case cases[] = {
        {"good", good, nullptr, PromptIcon::None},
        {"empty file", {}, "Wrong file opened!", PromptIcon::Exclamation},
        {"shorter than a header", Bytes(good.begin(), good.begin() + 23), "Wrong file opened!", PromptIcon::Exclamation},
        {"signature", with(11, 0x11), "Wrong file opened!", PromptIcon::Exclamation},
        {"format word A", with(0, 1), "File was created by different release", PromptIcon::Information},
        {"format word B", with(2, 2), "File was created by different release", PromptIcon::Information},
        {"one byte too many", longer, "File length is invalid", PromptIcon::Information},
        {"capture did not end in order", zeroCounts, "File length is invalid", PromptIcon::Information},
    };
    for (const auto& c : cases) {
        const auto path = testutil::TempPath("v.tns");
        testutil::WriteAll(path, c.bytes);
        auto reader = TraceReader::Open(path);
        ASSERT_TRUE(reader.Ok());
        core::RecordingPrompt prompt;
        EXPECT_EQ(reader.Value().Validate(prompt), c.message == nullptr) << c.name;
        if (c.message == nullptr) {
            EXPECT_TRUE(prompt.Messages().empty()) << c.name;
            continue;
        }
        ASSERT_EQ(prompt.Messages().size(), 1u) << c.name;
        EXPECT_EQ(prompt.Messages()[0].text, c.message) << c.name;
        EXPECT_EQ(prompt.Messages()[0].icon, c.icon) << c.name;
    }
}

TEST(TraceValidation, AFileWithoutBlocksValidatesAndShowsNothing) {
    const auto path = testutil::WriteTrace("empty.tns", {});
    EXPECT_EQ(testutil::ReadAll(path), (Bytes{0, 0, 1, 0, 0x1A, 0x70, 0x9D, 0xE5, 0xA9, 0xE4, 0x05, 0x10, 0, 0, 0, 0,
                                              24, 0, 0, 0, 0, 0, 0, 0}));
    auto reader = TraceReader::Open(path);
    ASSERT_TRUE(reader.Ok());
    core::RecordingPrompt prompt;
    ASSERT_TRUE(reader.Value().Validate(prompt));
    capture::CPktSnap batch;
    for (auto move : {TraceReader::Move::Next, TraceReader::Move::Previous, TraceReader::Move::Last}) {
        auto moved = reader.Value().Go(move, batch);
        ASSERT_TRUE(moved.Ok());
        EXPECT_FALSE(moved.Value());
    }
    EXPECT_FALSE(reader.Value().Go(TraceReader::Move::First, batch).Ok()) << "there is no first block to load";
    EXPECT_EQ(reader.Value().Screen(), 0u);
}

}  // namespace
