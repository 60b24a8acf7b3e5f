// Frame record and frame batch: exact stored forms, round trips, and loads of hostile bytes.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <utility>
#include <vector>

#include "TraceTestUtil.h"
#include "capture/CPktSnap.h"
#include "capture/CPktSnapQue.h"

namespace {

using capture::CPktSnap;
using capture::CPktSnapQue;
using testutil::Bytes;
using testutil::Load;
using testutil::Store;

TEST(FrameRecord, StoresWireOrderAndLoadsBack) {
    CPktSnapQue frame;
    frame.SetCaptureTime(0x11111111);
    frame.SetStamp(0x7FFFFFFE'80000001);  // high half non-zero, low half above 2^31
    frame.SetFrameNumber(0x33333333);
    frame.SetCapturedLength(0x44444444);
    frame.SetLinkProtocol(4);
    frame.SetTotalLength(0x66666666);
    frame.SetData(Bytes{0xAA, 0xBB, 0xCC});
    const Bytes stored = Store(frame);
    const Bytes words =
        testutil::Words({1, 0x11111111, 0x80000001, 0x33333333, 0x7FFFFFFE, 0x44444444, 4, 0x66666666, 3});
    EXPECT_EQ(stored, testutil::Cat({words, {0xAA, 0xBB, 0xCC}})) << "the frame number sits between the stamp halves";

    CPktSnapQue loaded;
    loaded.SetData(Bytes(10, 1));
    EXPECT_EQ(Load(loaded, stored), 0u);
    EXPECT_EQ(Store(loaded), stored) << "every field back in its place, the old data replaced";
    EXPECT_EQ(loaded.GetStamp(), 0x7FFFFFFE'80000001);
}

TEST(FrameRecord, HostileRecordsLoadNothingOrThrowBeforeAllocating) {
    CPktSnapQue loaded;
    EXPECT_EQ(Load(loaded, Bytes{2, 0, 0, 0, 9, 9, 9, 9}), 4u) << "schema 2 stops after the schema word";
    EXPECT_EQ(loaded.GetCaptureTime(), 0u);
    CPktSnapQue frame;
    frame.SetData(Bytes(8, 1));
    Bytes stored = Store(frame);
    testutil::PutLe32(stored, 32, 0xFFFFFFF0);  // would be a 4 GiB buffer
    EXPECT_THROW(Load(loaded, stored), core::ArchiveException);
}

TEST(FrameRecord, DeltaAcrossAChangeOfTheHighHalf) {
    const std::int64_t earlier = 0x00000001'FFFFFF00;
    const std::int64_t later = 0x00000002'00000100;  // low half smaller than the earlier one's
    EXPECT_DOUBLE_EQ(capture::MillisecondsBetween(earlier, later, 1'000'000), 0.512);
    EXPECT_DOUBLE_EQ(capture::MillisecondsBetween(later, earlier, 1'000'000), -0.512);
    EXPECT_DOUBLE_EQ(capture::MillisecondsBetween(earlier, later, 0), 0.0);
}

TEST(FrameBatch, EmptyBatchIsSixteenBytesAndLoadsAppend) {
    CPktSnap empty;
    empty.SetFrequency(0x1'00000002);
    const Bytes head = Store(empty);
    EXPECT_EQ(head, (Bytes{1, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0}));
    CPktSnap loaded;
    Load(loaded, head);
    EXPECT_EQ(loaded.GetFrequency(), 0x1'00000002);

    auto batch = testutil::MakeBatch(10, 3);
    const Bytes stored = Store(batch);
    for (int i = 0; i < 2; ++i) Load(loaded, stored);
    ASSERT_EQ(loaded.GetFrameCount(), 6u) << "loading appends; the caller empties the batch first";
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
        Bytes stored = Store(one);
        testutil::PutLe32(stored, 0, c.schema);
        testutil::PutLe32(stored, 12, c.count);
        CPktSnap loaded;
        loaded.SetFrequency(77);
        if (c.throws) {
            EXPECT_THROW(Load(loaded, stored), core::ArchiveException) << c.name;
        } else {
            Load(loaded, stored);
        }
        EXPECT_EQ(loaded.GetFrameCount(), c.framesAfter) << c.name;
        if (c.schema != 1) {
            EXPECT_EQ(loaded.GetFrequency(), 77) << c.name;
        }
    }
}

}  // namespace

namespace {

// A hundred thousand empty frames take their 36 bytes and a 4-byte offset each, however
// they were loaded; bytes adopted from a block load as Serialize loads them, or not at all.
TEST(FrameBatch, KeepsEachFrameAsItsRecordAndAdoptsWholeBatchesOnly) {
    CPktSnap built;
    for (int i = 0; i < 100000; ++i) built.AddFrame(CPktSnapQue());
    const Bytes many = Store(built);
    CPktSnap copied;
    Load(copied, many);
    CPktSnap adopted;
    ASSERT_TRUE(adopted.LoadAdopting(Bytes(many)));  // inflated bytes come exactly sized
    for (const CPktSnap* batch : {&copied, &adopted}) EXPECT_LE(batch->MemoryBytes(), many.size() + 4 * 100000u);
    EXPECT_THROW((void)adopted.GetFrame(100000), std::out_of_range);

    const Bytes whole = Store(*std::make_unique<CPktSnap>(testutil::MakeBatch(5, 3)));
    Bytes blank = whole;  // frame 1's schema word is 2: it reads as zeros, frame 2 starts 4 bytes on
    const std::size_t second = 16 + 36 + testutil::Le32At(whole, 16 + 32);
    testutil::PutLe32(blank, second, 2);
    blank.insert(blank.begin() + long(second) + 4, whole.begin() + long(second), whole.end());
    const std::pair<Bytes, bool> cases[] = {{whole, true},
                                            {blank, true},
                                            {Bytes(whole.begin(), whole.end() - 3), false},
                                            {Bytes(whole.begin(), whole.begin() + 10), false}};
    for (const auto& [bytes, adopts] : cases) {
        CPktSnap viaArchive;
        try {
            Load(viaArchive, bytes);
        } catch (const core::ArchiveException&) {}
        CPktSnap viaAdoption;
        EXPECT_EQ(viaAdoption.LoadAdopting(Bytes(bytes)), adopts) << bytes.size();
        EXPECT_EQ(Store(viaAdoption), adopts ? Store(viaArchive) : Store(*std::make_unique<CPktSnap>()))
            << bytes.size();
    }
    EXPECT_FALSE(built.LoadAdopting(Bytes(whole))) << "only an empty batch adopts";
}

}  // namespace
