// Trace files end to end: the layout the writer produces and the blocks it refuses, the
// validation messages, every move of the reader on well-formed and growing files, and hostile
// files, each of which gets an error naming the block and leaves nothing behind.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/resource.h>

#include <csignal>

#include <algorithm>
#include <functional>
#include <future>
#include <mutex>

#include "TraceTestUtil.h"
#include "capture/TraceFileMutex.h"

namespace {

using capture::TraceReader;
using core::PromptIcon;
using testutil::Bytes;
using testutil::Le32At;
using testutil::OpenValid;
using testutil::PutLe32;
using Move = TraceReader::Move;

const Bytes kHeadOfHeader = {0, 0, 1, 0, 0x1A, 0x70, 0x9D, 0xE5, 0xA9, 0xE4, 0x05, 0x10};

TEST(TraceWriter, ThreeBlocksChainBothWays) {
    const auto path = testutil::WriteTrace("t.tns", {3, 4, 5});
    const Bytes file = support::ReadBytes(path);
    // Header: format words, signature, then 3 blocks, the file length, 12 frames.
    const auto size = static_cast<std::uint32_t>(file.size());
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 24), testutil::Cat({kHeadOfHeader, testutil::Words({3, size, 12})}));
    auto listed = TraceReader::Open(path).Value().ListBlocks();
    ASSERT_TRUE(listed.Ok()) << listed.Err().text;
    ASSERT_EQ(listed.Value().size(), 3u);

    const std::uint32_t expectFirst[] = {0, 3, 7};
    const std::uint32_t expectLast[] = {2, 6, 11};
    std::size_t at = 24;
    for (std::size_t i = 0; i < 3; ++i) {
        const std::uint32_t c = Le32At(file, at + 12);
        const std::size_t trail = at + 20 + c;
        EXPECT_EQ(Le32At(file, at), expectFirst[i]);
        EXPECT_EQ(Le32At(file, at + 4), expectLast[i]);
        EXPECT_EQ(Le32At(file, at + 8), at + 32 + c) << "lead points at the next block";
        EXPECT_EQ(file[at + 20], 0x78) << "zlib stream header";
        EXPECT_EQ(Le32At(file, trail), expectFirst[i]);
        EXPECT_EQ(Le32At(file, trail + 4), expectLast[i]);
        EXPECT_EQ(Le32At(file, trail + 8), at) << "trail points back at its lead";
        EXPECT_EQ(listed.Value()[i].offset, at);
        EXPECT_EQ(listed.Value()[i].lead.first, expectFirst[i]);
        at += 32 + c;
    }
    EXPECT_EQ(at, file.size());
}

// A block the writer cannot take is refused whole: the file stays as it was (cut back to the
// end of the last block when a write broke off), and the counts do not move.
TEST(TraceWriter, RefusedBlocksLeaveTheFileAsItWas) {
    const Bytes good = testutil::Pack(testutil::MakeBatch(0, 2));
    struct Case {
        const char* name;
        std::function<core::Status(capture::TraceWriter&)> append;
        const char* error;
    };
    const Case cases[] = {
        {"lock held",
         [&](capture::TraceWriter& w) {
             std::unique_lock held(capture::TraceFileMutex());
             // Appended from another thread: the lock is not recursive.
             return std::async(std::launch::async, [&] { return w.AppendBlock(good, 2); }).get();
         },
         "dropped"},
        {"too short",
         [](capture::TraceWriter& w) {
             return w.AppendBlock(Bytes{1, 0, 0, 0}, 2);
         },
         "too short"},
        {"past 4 GiB",
         [](capture::TraceWriter& w) {
             // Address space only: the writer refuses before it reads a byte of it.
             const std::size_t size = 0xFFFFFFF0;
             void* huge = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
             if (huge == MAP_FAILED)
                 return core::Status(core::Fail(core::ErrorKind::Io, "past 4 GiB (no address space)"));
             auto st = w.AppendBlock(std::span<const std::uint8_t>(static_cast<const std::uint8_t*>(huge), size), 2);
             ::munmap(huge, size);
             return st;
         },
         "past 4 GiB"},
        {"write broken off",
         [&](capture::TraceWriter& w) {
             // The file may grow by 10 bytes: the block's write stops part-way.
             rlimit old{};
             ::getrlimit(RLIMIT_FSIZE, &old);
             rlimit cap = old;
             cap.rlim_cur = w.EndOffset() + 10;
             const auto previous = std::signal(SIGXFSZ, SIG_IGN);
             ::setrlimit(RLIMIT_FSIZE, &cap);
             auto st = w.AppendBlock(good, 2);
             ::setrlimit(RLIMIT_FSIZE, &old);
             std::signal(SIGXFSZ, previous);
             return st;
         },
         "write"},
    };
    for (const auto& c : cases) {
        const auto path = support::TempPath("t.tns");
        auto writer = capture::TraceWriter::Create(path);
        ASSERT_TRUE(writer.Ok() && writer.Value().WriteHeader().Ok());
        ASSERT_TRUE(writer.Value().AppendBlock(good, 2).Ok());
        writer.Value().SetLockWait(std::chrono::milliseconds(10));
        const auto before = support::ReadBytes(path);
        const auto st = c.append(writer.Value());
        ASSERT_FALSE(st.Ok()) << c.name;
        EXPECT_NE(st.Err().text.find(c.error), std::string::npos) << c.name << ": " << st.Err().text;
        EXPECT_EQ(writer.Value().BlockCount(), 1u) << c.name;
        EXPECT_EQ(writer.Value().FrameCount(), 2u) << c.name;
        EXPECT_EQ(support::ReadBytes(path), before) << c.name;
    }
}

TEST(TraceValidation, MessagesAndIcons) {
    const Bytes good = support::ReadBytes(testutil::WriteTrace("good.tns", {2}));
    auto with = [&](std::size_t at, std::uint8_t v) {
        Bytes b = good;
        b[at] = v;
        return b;
    };
    Bytes longer = good;
    longer.push_back(0);
    Bytes zeroCounts = good;
    std::fill(zeroCounts.begin() + 12, zeroCounts.begin() + 24, 0);
    struct Case {
        const char* name;
        Bytes bytes;
        const char* message;  // nullptr: valid
        PromptIcon icon;
    };
    const Case cases[] = {
        {"good", good, nullptr, PromptIcon::None},
        {"empty file", {}, "Wrong file opened!", PromptIcon::Exclamation},
        {"shorter than a header", Bytes(good.begin(), good.begin() + 23), "Wrong file opened!",
         PromptIcon::Exclamation},
        {"signature", with(11, 0x11), "Wrong file opened!", PromptIcon::Exclamation},
        {"format word A", with(0, 1), "File was created by different release", PromptIcon::Information},
        {"format word B", with(2, 2), "File was created by different release", PromptIcon::Information},
        {"one byte too many", longer, "File length is invalid", PromptIcon::Information},
        {"capture did not end in order", zeroCounts, "File length is invalid", PromptIcon::Information},
    };
    for (const auto& c : cases) {
        const auto path = support::TempPath("v.tns");
        support::WriteBytes(path, c.bytes);
        auto reader = TraceReader::Open(path);
        ASSERT_TRUE(reader.Ok());
        core::RecordingPrompt prompt;
        EXPECT_EQ(reader.Value().Validate(prompt), c.message == nullptr) << c.name;
        ASSERT_EQ(prompt.Messages().size(), c.message == nullptr ? 0u : 1u) << c.name;
        if (c.message == nullptr) continue;
        EXPECT_EQ(prompt.Messages()[0].text, c.message) << c.name;
        EXPECT_EQ(prompt.Messages()[0].icon, c.icon) << c.name;
    }
}

TEST(TraceValidation, AFileWithoutBlocksValidatesAndShowsNothing) {
    const auto path = testutil::WriteTrace("empty.tns", {});
    EXPECT_EQ(support::ReadBytes(path), testutil::Cat({kHeadOfHeader, testutil::Words({0, 24, 0})}));
    auto reader = OpenValid(path);
    capture::CPktSnap batch;
    for (auto move : {TraceReader::Move::Next, TraceReader::Move::Previous, TraceReader::Move::Last}) {
        auto moved = reader.Go(move, batch);
        ASSERT_TRUE(moved.Ok());
        EXPECT_FALSE(moved.Value());
    }
    EXPECT_FALSE(reader.Go(TraceReader::Move::First, batch).Ok()) << "there is no first block to load";
    EXPECT_EQ(reader.Screen(), 0u);
}

void ExpectScreen(const TraceReader& r, const capture::CPktSnap& batch, std::uint32_t screen, std::uint32_t first,
                  std::uint32_t last, const std::string& what) {
    EXPECT_EQ(r.Screen(), screen) << what;
    EXPECT_EQ(r.ScreenFirst(), first) << what;
    EXPECT_EQ(r.ScreenLast(), last) << what;
    ASSERT_EQ(batch.GetFrameCount(), last + 1 - first) << what;
    EXPECT_EQ(batch.GetFrame(0).GetFrameNumber(), first) << what;
    EXPECT_EQ(batch.GetFrame(batch.GetFrameCount() - 1).GetFrameNumber(), last) << what;
}

TEST(TraceNavigation, EveryMoveOnThreeBlocks) {
    auto reader = OpenValid(testutil::WriteTrace("t.tns", {3, 4, 5}));
    EXPECT_EQ(reader.BlockCount(), 3u);
    EXPECT_EQ(reader.FrameCount(), 12u);
    struct Step {
        Move move;
        bool allowed;
        std::uint32_t screen, first, last;
    };
    const Step steps[] = {
        {Move::Next, true, 1, 0, 2},      {Move::Next, true, 2, 3, 6},     {Move::Next, true, 3, 7, 11},
        {Move::Next, false, 3, 7, 11},    {Move::Previous, true, 2, 3, 6}, {Move::Previous, true, 1, 0, 2},
        {Move::Previous, false, 1, 0, 2}, {Move::Last, true, 3, 7, 11},    {Move::First, true, 1, 0, 2},
        {Move::Next, true, 2, 3, 6},      {Move::Last, true, 3, 7, 11},    {Move::Previous, true, 2, 3, 6},
        {Move::Next, true, 3, 7, 11},
    };
    capture::CPktSnap batch;
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        const auto& s = steps[i];
        const std::string what = "step " + std::to_string(i);
        auto moved = reader.Go(s.move, batch);
        ASSERT_TRUE(moved.Ok()) << what << ": " << moved.Err().text;
        EXPECT_EQ(moved.Value(), s.allowed) << what;
        if (s.allowed) ExpectScreen(reader, batch, s.screen, s.first, s.last, what);
        EXPECT_EQ(reader.Screen(), s.screen) << what;
    }
}

TEST(TraceNavigation, BlockHoldingFrameFromEitherEnd) {
    const auto path = testutil::WriteTrace("t.tns", {3, 4, 5});
    struct Case {
        std::uint32_t n, current, screen, first, last;
    };
    const Case cases[] = {
        {0, 0, 1, 0, 2},  {2, 5, 1, 0, 2},   {3, 0, 2, 3, 6},    {6, 11, 2, 3, 6},
        {7, 0, 3, 7, 11}, {11, 0, 3, 7, 11}, {11, 11, 3, 7, 11}, {4, 4, 2, 3, 6},
    };
    for (const auto& c : cases) {
        const std::string what = "frame " + std::to_string(c.n) + " from " + std::to_string(c.current);
        auto reader = OpenValid(path);
        capture::CPktSnap batch;
        auto st = reader.GoToFrame(c.n, c.current, batch);
        ASSERT_TRUE(st.Ok()) << what << ": " << st.Err().text;
        ExpectScreen(reader, batch, c.screen, c.first, c.last, what);
    }
    auto reader = OpenValid(path);
    EXPECT_FALSE(reader.FetchFrameFromStart(12).Ok()) << "frame 12 is in no block";
    EXPECT_FALSE(reader.FetchFrameFromEnd(12).Ok()) << "frame 12 is in no block";
}

TEST(TraceNavigation, EmptyBlocksAreNeverFoundAndStillShow) {
    // Block 1 holds no frame with first frame 0: its last frame is recorded as 0xFFFFFFFF.
    auto reader = OpenValid(testutil::WriteTrace("t.tns", {0, 2, 0, 3}));
    struct Case {
        std::uint32_t n;
        bool fromStart;
        std::uint32_t screen;
    };
    const Case cases[] = {{0, true, 2}, {0, false, 2}, {1, false, 2}, {2, true, 4}, {2, false, 4}, {4, true, 4}};
    for (const auto& c : cases) {
        auto found = c.fromStart ? reader.FetchFrameFromStart(c.n) : reader.FetchFrameFromEnd(c.n);
        ASSERT_TRUE(found.Ok()) << c.n << ": " << found.Err().text;
        EXPECT_EQ(found.Value().screen, c.screen) << "frame " << c.n << (c.fromStart ? " from start" : " from end");
    }
    capture::CPktSnap batch;
    const std::uint32_t counts[] = {0, 2, 0, 3};
    for (std::uint32_t s = 1; s <= 4; ++s) {
        auto moved = reader.Go(Move::Next, batch);
        ASSERT_TRUE(moved.Ok() && moved.Value()) << s;
        EXPECT_EQ(reader.Screen(), s);
        EXPECT_EQ(batch.GetFrameCount(), counts[s - 1]);
    }
    EXPECT_EQ(reader.ScreenLast(), 4u);
}

TEST(TraceNavigation, FollowsAFileThatIsStillBeingWritten) {
    const auto path = support::TempPath("live.tns");
    auto writer = capture::TraceWriter::Create(path);
    ASSERT_TRUE(writer.Ok() && writer.Value().WriteHeader().Ok());
    auto& w = writer.Value();
    auto reader = TraceReader::Open(path).Value();
    capture::CPktSnap batch;
    auto sync = [&] { reader.SetKnownCounts(w.BlockCount(), w.FrameCount(), w.EndOffset()); };

    sync();
    EXPECT_FALSE(reader.Go(Move::Next, batch).Value()) << "nothing to show yet";
    const Bytes peek = testutil::Pack(testutil::MakeBatch(0, 2));
    ASSERT_TRUE(w.AppendBlock(peek, 2).Ok());
    EXPECT_EQ(w.BlockCount(), 1u);
    EXPECT_EQ(w.FrameCount(), 2u);
    EXPECT_EQ(w.EndOffset(), 24 + peek.size() + 24);
    // The peek result's first word (its frame count) becomes the compressed size.
    const Bytes file = support::ReadBytes(path);
    EXPECT_EQ(Le32At(file, 36), peek.size() - 8);
    EXPECT_EQ(Bytes(file.begin() + 40, file.end() - 12), Bytes(peek.begin() + 4, peek.end()));
    sync();
    ASSERT_TRUE(reader.Go(Move::Next, batch).Value());
    EXPECT_EQ(reader.Screen(), 1u);
    ASSERT_TRUE(w.AppendBlock(testutil::Pack(testutil::MakeBatch(2, 3)), 3).Ok());
    ASSERT_TRUE(w.AppendBlock(testutil::Pack(testutil::MakeBatch(5, 1)), 1).Ok());
    sync();
    ASSERT_TRUE(reader.GoToFrame(5, 0, batch).Ok());
    EXPECT_EQ(reader.Screen(), 3u) << "the last block, found from the end";
    ASSERT_TRUE(reader.Go(Move::Previous, batch).Value());
    EXPECT_EQ(reader.ScreenFirst(), 2u);

    // The capture never finished: a saved-file reader refuses the zero counts.
    core::RecordingPrompt prompt;
    EXPECT_FALSE(TraceReader::Open(path).Value().Validate(prompt));
    ASSERT_EQ(prompt.Messages().size(), 1u);
    EXPECT_EQ(prompt.Messages()[0].text, "File length is invalid");
}

using Step = std::function<core::Status(TraceReader&, capture::CPktSnap&)>;

Step Go(Move move) {
    return [move](TraceReader& r, capture::CPktSnap& batch) -> core::Status {
        auto moved = r.Go(move, batch);
        if (!moved) return moved.Err();
        return moved.Value() ? core::Success() : core::Fail(core::ErrorKind::Corrupt, "move not allowed");
    };
}

Step ToFrame(std::uint32_t n, std::uint32_t current) {
    return [=](TraceReader& r, capture::CPktSnap& batch) { return r.GoToFrame(n, current, batch); };
}

core::Status List(TraceReader& r, capture::CPktSnap&) {
    auto blocks = r.ListBlocks();
    return blocks ? core::Success() : core::Status(blocks.Err());
}

TEST(TraceBadInput, EachFaultIsNamedAndLeavesNothingBehind) {
    const Bytes good = support::ReadBytes(testutil::WriteTrace("good.tns", {3, 4, 5}));
    // Blocks of 3, 4 and 5 frames: where each starts and where its trail record lies.
    std::size_t offset[3], trail[3];
    for (std::size_t i = 0, at = 24; i < 3; at = trail[i] + 12, ++i) {
        offset[i] = at;
        trail[i] = at + 20 + testutil::Le32At(good, at + 12);
    }
    auto put = [&good](std::size_t at, std::size_t v) {
        Bytes b = good;
        PutLe32(b, at, static_cast<std::uint32_t>(v));
        return b;
    };
    // The same file with the middle block's serialised batch spoilt before it was packed.
    auto middle = [](const std::function<void(Bytes&)>& spoil) {
        return support::ReadBytes(testutil::WriteTrace("custom.tns", {3, 4, 5}, [&](std::size_t i, Bytes& s) {
            if (i == 1) spoil(s);
        }));
    };
    auto middlePut = [&](std::size_t at, std::uint32_t v) { return middle([=](Bytes& s) { PutLe32(s, at, v); }); };
    Bytes corruptZlib = good;
    for (std::size_t i = 2; i < 12; ++i) corruptZlib[offset[1] + 20 + i] ^= 0x5A;
    Bytes cutShort(good.begin(), good.end() - 20);
    PutLe32(cutShort, 16, static_cast<std::uint32_t>(cutShort.size()));
    const std::vector<Step> second = {Go(Move::Next), Go(Move::Next)};
    struct Case {
        const char* name;
        Bytes file;
        std::vector<Step> steps;  // all but the last succeed
        const char* error;
    };
    const Case cases[] = {
        {"compressed size past the end", put(offset[1] + 12, 0x7FFFFFFF), second,
         "compressed size 2147483647 runs past the end"},
        {"corrupt zlib stream", corruptZlib, second, "block 2 at offset"},
        {"absurd uncompressed size", put(offset[1] + 16, 0xFFFFFFF0), second, "is implausible"},
        {"trail record points elsewhere", put(trail[1] + 8, 24), second, "trail record points at offset 24"},
        {"lead record points backwards", put(offset[0] + 8, 24), {ToFrame(9, 9)}, "does not point forwards"},
        {"lead record points past the end", put(offset[0] + 8, 0xFFFFFF00), {ToFrame(9, 9)}, "does not point forwards"},
        {"trail record points forwards",
         put(trail[1] + 8, offset[2]),
         {Go(Move::Last), Go(Move::Previous)},
         "does not point backwards"},
        {"end search meets a forward trail", put(trail[1] + 8, offset[2]), {ToFrame(1, 0)}, "does not point backwards"},
        {"previous block does not end where this one starts",
         put(trail[1] + 8, 24),
         {Go(Move::Last), Go(Move::Previous)},
         "does not end where the next block starts"},
        {"more blocks in the header than in the file",
         put(12, 5),
         {Go(Move::Next), Go(Move::Next), Go(Move::Next), Go(Move::Next)},
         "block 4 at offset"},
        {"file cut inside the last block", cutShort, {Go(Move::Last)}, "block 3"},
        {"lead record disagrees with the block's length", put(offset[1] + 8, offset[1]), {List}, "block 2"},
        {"batch claims two billion frames", middlePut(12, 0x7FFFFFFF), second,
         "frame batch ends after 4 of 2147483647 frames"},
        {"frame claims more data than the batch", middlePut(16 + 32, 0x7FFFFFF0), second, "frame 0 claims more data"},
        {"batch schema word 2", middlePut(0, 2), second, "frame batch has schema word 2"},
        {"frame schema word 3", middlePut(16, 3), second, "frame 0 has schema word 3"},
        {"batch shorter than its head", middle([](Bytes& s) { s.resize(10); }), second,
         "shorter than its 16-byte head"},
    };
    for (const auto& c : cases) {
        const auto path = support::TempPath("bad.tns");
        support::WriteBytes(path, c.file);
        auto reader = OpenValid(path);
        capture::CPktSnap batch;
        for (std::size_t i = 0; i + 1 < c.steps.size(); ++i) {
            const auto st = c.steps[i](reader, batch);
            ASSERT_TRUE(st.Ok()) << c.name << " step " << i << ": " << st.Err().text;
        }
        const std::uint32_t screen = reader.Screen();
        const auto st = c.steps.back()(reader, batch);
        ASSERT_FALSE(st.Ok()) << c.name;
        EXPECT_NE(st.Err().text.find(c.error), std::string::npos) << c.name << ": " << st.Err().text;
        EXPECT_EQ(batch.GetFrameCount(), 0u) << c.name << ": no frames of a failed block";
        EXPECT_EQ(reader.Screen(), screen) << c.name << ": screen unchanged";
    }
}

}  // namespace
