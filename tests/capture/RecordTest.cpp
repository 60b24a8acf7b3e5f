// Frame record and frame batch: stored forms, round trips, and loads of hostile bytes.
#include <gtest/gtest.h>

#include <vector>

#include "capture/CPktSnap.h"
#include "capture/CPktSnapQue.h"
#include "core/Archive.h"
#include "TraceTestUtil.h"

namespace {

using capture::CPktSnap;
using capture::CPktSnapQue;
using testutil::Bytes;

Bytes Store(CPktSnapQue& frame) {
    Bytes out;
    core::Archive ar(out);
    frame.Serialize(ar);
    return out;
}

TEST(FrameRecord, StoresWireOrderAndRoundTrips) {
    CPktSnapQue frame;
    frame.SetCaptureTime(0x11111111);
    frame.SetStamp(0x7FFFFFFE'80000001);  // high half non-zero, low half above 2^31
    frame.SetFrameNumber(0x33333333);
    frame.SetCapturedLength(0x44444444);
    frame.SetLinkProtocol(4);
    frame.SetTotalLength(0x66666666);
    frame.SetData(Bytes{0xAA, 0xBB, 0xCC});
    const Bytes stored = Store(frame);
    ASSERT_EQ(stored.size(), 36u + 3);
    const std::uint32_t words[] = {1, 0x11111111, 0x80000001, 0x33333333, 0x7FFFFFFE, 0x44444444, 4, 0x66666666, 3};
    for (std::size_t i = 0; i < 9; ++i) EXPECT_EQ(testutil::Le32At(stored, i * 4), words[i]) << "word " << i;

    CPktSnapQue loaded;
    core::Archive ar{std::span<const std::uint8_t>(stored)};
    loaded.Serialize(ar);
    EXPECT_EQ(loaded.GetStamp(), 0x7FFFFFFE'80000001);
    EXPECT_EQ(loaded.GetCaptureTime(), 0x11111111u);
    EXPECT_EQ(loaded.GetFrameNumber(), 0x33333333u);
    EXPECT_EQ(loaded.GetCapturedLength(), 0x44444444u);
    EXPECT_EQ(loaded.GetTotalLength(), 0x66666666u);
    EXPECT_EQ(loaded.GetLinkProtocol(), 4u);
    EXPECT_EQ(Bytes(loaded.GetData().begin(), loaded.GetData().end()), (Bytes{0xAA, 0xBB, 0xCC}));
}

TEST(FrameRecord, EmptyDataStoresThirtySixBytes) {
    CPktSnapQue frame;
    const Bytes stored = Store(frame);
    EXPECT_EQ(stored.size(), 36u);
    CPktSnapQue loaded;
    loaded.SetData(Bytes{1, 2, 3});
    core::Archive ar{std::span<const std::uint8_t>(stored)};
    loaded.Serialize(ar);
    EXPECT_EQ(loaded.GetDataLength(), 0u) << "a load replaces the old buffer";
}

TEST(FrameRecord, OtherSchemaStopsAfterTheSchemaWord) {
    Bytes stored = {2, 0, 0, 0, 9, 9, 9, 9};
    CPktSnapQue loaded;
    core::Archive ar{std::span<const std::uint8_t>(stored)};
    loaded.Serialize(ar);
    EXPECT_EQ(ar.Remaining(), 4u);
    EXPECT_EQ(loaded.GetCaptureTime(), 0u);
}

TEST(FrameRecord, DataLengthBeyondTheStreamThrowsBeforeAllocating) {
    CPktSnapQue frame;
    frame.SetData(Bytes(8, 1));
    Bytes stored = Store(frame);
    testutil::PutLe32(stored, 32, 0xFFFFFFF0);  // would be a 4 GiB buffer
    CPktSnapQue loaded;
    core::Archive ar{std::span<const std::uint8_t>(stored)};
    EXPECT_THROW(loaded.Serialize(ar), core::ArchiveException);
}

TEST(FrameRecord, DeltaAcrossAChangeOfTheHighHalf) {
    const std::int64_t earlier = 0x00000001'FFFFFF00;
    const std::int64_t later = 0x00000002'00000100;  // low half smaller than the earlier one's
    EXPECT_DOUBLE_EQ(capture::MillisecondsBetween(earlier, later, 1'000'000), 0.512);
    EXPECT_DOUBLE_EQ(capture::MillisecondsBetween(later, earlier, 1'000'000), -0.512);
    EXPECT_DOUBLE_EQ(capture::MillisecondsBetween(earlier, later, 0), 0.0);
}

TEST(FrameBatch, EmptyBatchIsSixteenBytes) {
    CPktSnap batch;
    batch.SetFrequency(0x1'00000002);
    Bytes out;
    core::Archive store(out);
    batch.Serialize(store);
    EXPECT_EQ(out, (Bytes{1, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0}));
    CPktSnap loaded;
    core::Archive load{std::span<const std::uint8_t>(out)};
    loaded.Serialize(load);
    EXPECT_EQ(loaded.GetFrameCount(), 0u);
    EXPECT_EQ(loaded.GetFrequency(), 0x1'00000002);
    loaded.RemoveAllFrames();
    EXPECT_EQ(loaded.GetFrameCount(), 0u);
}

TEST(FrameBatch, LoadAppendsSoTwiceGivesTwiceTheFrames) {
    auto batch = testutil::MakeBatch(10, 3);
    const Bytes stored = capture::SerializeBatch(batch);
    CPktSnap loaded;
    for (int i = 0; i < 2; ++i) {
        core::Archive ar{std::span<const std::uint8_t>(stored)};
        loaded.Serialize(ar);
    }
    ASSERT_EQ(loaded.GetFrameCount(), 6u);
    EXPECT_EQ(loaded.GetFrame(4).GetFrameNumber(), 11u);
    EXPECT_EQ(loaded.GetFrame(4).GetStamp(), batch.GetFrame(1).GetStamp());
}

TEST(FrameBatch, HostileHeadsLoadNothingOrThrow) {
    struct Case {
        const char* name;
        std::uint32_t schema;
        std::uint32_t count;
        std::size_t framesAfter;  // frames left after the load (or the throw)
        bool throws;
    };
    const Case cases[] = {
        {"schema 2", 2, 1, 0, false},
        {"negative count", 1, 0x80000000, 0, false},
        {"count far beyond the bytes", 1, 0x7FFFFFFF, 1, true},
    };
    for (const auto& c : cases) {
        auto one = testutil::MakeBatch(0, 1);
        Bytes stored = capture::SerializeBatch(one);
        testutil::PutLe32(stored, 0, c.schema);
        testutil::PutLe32(stored, 12, c.count);
        CPktSnap loaded;
        loaded.SetFrequency(77);
        core::Archive ar{std::span<const std::uint8_t>(stored)};
        if (c.throws) { EXPECT_THROW(loaded.Serialize(ar), core::ArchiveException) << c.name; }
        else loaded.Serialize(ar);
        EXPECT_EQ(loaded.GetFrameCount(), c.framesAfter) << c.name;
        if (c.schema != 1) { EXPECT_EQ(loaded.GetFrequency(), 77) << c.name; }
    }
}

}  // namespace
