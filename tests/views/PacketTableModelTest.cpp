// The packet list's and the detail tree's Qt models under QAbstractItemModelTester, over a
// live trace whose screens come in different sizes while the level changes.
#include <QAbstractItemModelTester>

#include "capture/TraceTestUtil.h"
#include "capture/TraceWriter.h"
#include "decode/ProtoCode.h"
#include "packetlist/PacketListTestUtil.h"
#include "support/QtApp.h"
#include "views/DetailTreeModel.h"
#include "views/PacketTableModel.h"

namespace {

// The table over a live trace while screens of other sizes come and the level changes, and
// the detail tree while frames are shown one after another.
TEST(ViewModels, PassTheItemModelTesterWhileScreensAndLevelsChange) {
    support::QtApp();
    const auto path = support::TempPath("live.tns");
    auto writer = capture::TraceWriter::Create(path, capture::TraceWriter::Flush::Deferred);
    ASSERT_TRUE(writer.Ok() && writer.Value().WriteHeader().Ok());
    testutil::FakeCapture capture;
    testutil::ViewUnderTest u(path);
    packetlist::CKestroView& v = *u.view;
    views::PacketTableModel table(v);
    struct Forward final : packetlist::CKestroView::Listener {
        views::PacketTableModel* table;
        void ListFilled() override { table->Refill(); }
        void RowsRetexted() override { table->Retext(); }
    } forward;
    forward.table = &table;
    v.SetListener(&forward);
    QAbstractItemModelTester tableTester(&table, QAbstractItemModelTester::FailureReportingMode::Fatal);
    v.InitialUpdateLive(capture);
    v.OnIdle();
    EXPECT_EQ(table.rowCount(), 0);
    std::uint32_t first = 0;
    for (std::uint32_t frames : {30U, 50U, 7U}) {
        ASSERT_TRUE(writer.Value().AppendBlock(testutil::Pack(testutil::MakeBatch(first, frames)), frames).Ok());
        first += frames;
        capture.counts = {writer.Value().BlockCount(), writer.Value().FrameCount(), writer.Value().EndOffset()};
        v.OnIdle();
        v.NextScreen();
        EXPECT_EQ(table.rowCount(), static_cast<int>(frames));
        v.SetSummaryLevel(frames == 50 ? decode::LEVEL_NETWORK : decode::LEVEL_APPLICATION);
        EXPECT_EQ(table.index(frames - 1, 0).data().toString(), QString::number(first - 1));
    }
    v.GoToBeginning();
    EXPECT_EQ(table.rowCount(), 30);

    views::DetailTreeModel details;
    QAbstractItemModelTester detailTester(&details, QAbstractItemModelTester::FailureReportingMode::Fatal);
    for (std::uint32_t row : {0U, 5U, 29U}) {
        auto root = std::make_unique<decode::CPktDetailLine>();
        ASSERT_TRUE(v.DetailOf(row, *root));
        details.SetLines(std::move(root));
        EXPECT_GT(details.rowCount(details.index(0, 0)), 0);
    }
    details.SetLines(nullptr);
    EXPECT_EQ(details.rowCount(), 0);
}

}  // namespace
