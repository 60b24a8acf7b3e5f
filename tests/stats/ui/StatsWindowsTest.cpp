// The statistics windows offscreen: the table model under Qt's model tester, sorting with
// the "other" row last and kept across a live window's next counts, copy as TSV, the
// double-click and the graph's click that go to a frame, zoom and pan, and a live window
// whose tables grow as blocks arrive.
#include <QAbstractItemModelTester>
#include <QApplication>
#include <QClipboard>
#include <QSignalSpy>
#include <QTest>

#include "capture/TraceTestUtil.h"
#include "capture/TraceWriter.h"
#include "decode/DecodeFixtures.h"
#include "stats/StatsTables.h"
#include "stats/ui/IoGraphWindow.h"
#include "stats/ui/ProtocolHierarchyWindow.h"
#include "stats/ui/RateSparkline.h"
#include "stats/ui/StationTablesWindow.h"
#include "support/QtApp.h"
#include "support/Scratch.h"
#include "support/WaitUntil.h"

namespace stats::ui {
namespace {

const std::string kSample = std::string(PALOMET_SOURCE_DIR) + "/samples/sample.tns";

StatsSource SourceOf(const std::string& path, const decode::test::TestTables& t) {
    auto reader = testutil::OpenValid(path);
    const TraceCounts counts{reader.BlockCount(), reader.FrameCount(), reader.EndOffset()};
    StatsSource source;
    source.path = path;
    source.parsers = t.parsers.get();
    source.vendors = &t.ether;
    source.counts = [counts] { return counts; };
    return source;
}

// Polls as the window's timer would until the view has been given `sets` sets of tables.
bool ShownAtLeast(StatsWindow& window, std::uint64_t sets) {
    return support::WaitUntil([&] {
        window.Poll();
        return window.Shown() >= sets;
    });
}

std::vector<std::string> Column(const StatsTableModel& model, int column) {
    std::vector<std::string> cells;
    for (int r = 0; r < model.rowCount(); ++r) cells.push_back(model.index(r, column).data().toString().toStdString());
    return cells;
}

// A table of conversations with the given frame counts (each from station 10.0.0.<first
// frame>), capped one short, so that the last goes to the "other" row.
std::shared_ptr<const StatsTable> Conversations(const std::vector<std::uint64_t>& frames) {
    ConversationTable table(frames.size() - 1);
    std::uint32_t number = 10;
    for (const std::uint64_t f : frames) {
        for (std::uint64_t i = 0; i < f; ++i)
            table.Add(Address::V4(0x0A000000U + number), Address::V4(0x0A0000FFU), {0, 100, number});
        ++number;
    }
    return MakeConversationTable(TableKind::IPv4, table);
}

TEST(StatsTableModel, SortsWithOtherLastKeepsTheOrderOnANewTableAndCopiesTsv) {
    support::QtApp();
    StatsTableModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.SetTable(Conversations({5, 50, 7, 1, 2}));
    int framesColumn = 0;
    while (framesColumn < model.columnCount() &&
           model.headerData(framesColumn, Qt::Horizontal, Qt::DisplayRole).toString() != QStringLiteral("Frames"))
        ++framesColumn;
    ASSERT_LT(framesColumn, model.columnCount());
    // The table's own order (most frames first) until a column is picked.
    EXPECT_EQ(Column(model, framesColumn), (std::vector<std::string>{"50", "7", "5", "1", "2"}));
    struct Case {
        Qt::SortOrder order;
        std::vector<std::string> frames;
    };
    for (const Case& c : {Case{Qt::AscendingOrder, {"1", "5", "7", "50", "2"}},
                          Case{Qt::DescendingOrder, {"50", "7", "5", "1", "2"}}}) {
        model.sort(framesColumn, c.order);
        EXPECT_EQ(Column(model, framesColumn), c.frames);
        EXPECT_EQ(model.index(4, 0).data(Qt::FontRole).value<QFont>().italic(), true);  // "other"
        EXPECT_FALSE(model.FirstFrame(4).has_value());
    }
    // The next counts keep the order the user chose.
    model.SetTable(Conversations({5, 50, 7, 1, 90, 2}));
    EXPECT_EQ(Column(model, framesColumn), (std::vector<std::string>{"90", "50", "7", "5", "1", "2"}));
    EXPECT_EQ(model.FirstFrame(0), 14U);
    // Copy: the header and the picked rows in the order shown, or every row.
    const QString two = model.Tsv({model.index(1, 0), model.index(0, 3), model.index(1, 2)});
    EXPECT_EQ(two.count(QLatin1Char('\n')), 3);
    EXPECT_TRUE(two.startsWith(QStringLiteral("Address A\tAddress B\tFrames"))) << two.toStdString();
    EXPECT_TRUE(two.section(QLatin1Char('\n'), 1, 1).startsWith(QStringLiteral("10.0.0.14\t"))) << two.toStdString();
    EXPECT_TRUE(two.section(QLatin1Char('\n'), 2, 2).startsWith(QStringLiteral("10.0.0.11\t"))) << two.toStdString();
    EXPECT_EQ(model.Tsv().count(QLatin1Char('\n')), 7);
}

// The windows over the sample trace: the hierarchy as a tree, the conversations by kind with
// a double-click that goes to the first frame, copy, and the graph.
TEST(StatsWindows, ShowTheSampleAndGoToFrames) {
    support::QtApp();
    const decode::test::TestTables t;
    QWidget owner;

    ProtocolHierarchyWindow protocols(SourceOf(kSample, t), QStringLiteral("sample.tns"), &owner);
    ASSERT_TRUE(ShownAtLeast(protocols, 1));
    QTreeWidget& tree = protocols.Tree();
    ASSERT_GE(tree.topLevelItemCount(), 1);
    EXPECT_EQ(tree.topLevelItem(0)->text(0), QStringLiteral("Ethernet"));
    EXPECT_GE(tree.topLevelItem(0)->childCount(), 1);
    EXPECT_TRUE(tree.topLevelItem(0)->isExpanded());
    EXPECT_EQ(protocols.windowTitle(), QStringLiteral("Protocol Hierarchy - sample.tns"));
    EXPECT_TRUE(protocols.StatusLine().text().contains(QStringLiteral(" frames"))) << protocols.StatusLine().text().toStdString();
    support::Screenshot(protocols, "stats-protocol-hierarchy");

    StationTablesWindow conversations(StationTablesWindow::Tables::Conversations, SourceOf(kSample, t),
                                      QStringLiteral("sample.tns"), &owner);
    ASSERT_TRUE(ShownAtLeast(conversations, 1));
    conversations.Tabs().setCurrentIndex(static_cast<int>(TableKind::IPv4));
    QTableView& ipv4 = conversations.View(TableKind::IPv4);
    StatsTableModel& model = conversations.Model(TableKind::IPv4);
    ASSERT_GT(model.rowCount(), 1);
    EXPECT_TRUE(conversations.Tabs().tabText(static_cast<int>(TableKind::IPv4)).startsWith(QStringLiteral("IPv4")));
    QSignalSpy wentTo(&conversations, &StatsWindow::GoToFrame);
    support::Screenshot(conversations, "stats-conversations");
    ipv4.selectRow(0);
    emit ipv4.doubleClicked(model.index(0, 0));
    ASSERT_EQ(wentTo.count(), 1);
    EXPECT_EQ(wentTo.at(0).at(0).value<quint32>(), model.FirstFrame(0).value());
    // Copy with nothing but the double-clicked row selected, then with every row.
    conversations.Copy();
    EXPECT_EQ(QApplication::clipboard()->text().count(QLatin1Char('\n')), 2);
    ipv4.clearSelection();
    EXPECT_EQ(conversations.SelectionTsv().count(QLatin1Char('\n')), model.rowCount() + 1);

    IoGraphWindow graph(SourceOf(kSample, t), QStringLiteral("sample.tns"), &owner);
    graph.resize(820, 480);
    ASSERT_TRUE(ShownAtLeast(graph, 1));
    // The sample lasts a fraction of a second: intervals of 1 ms show its shape.
    graph.Interval().setCurrentIndex(0);
    ASSERT_TRUE(ShownAtLeast(graph, 2));
    IoGraphView& view = graph.Graph();
    ASSERT_GT(view.Frames().count(), 10);
    support::Screenshot(graph, "stats-io-graph");
    const auto [from, to] = view.TimeRange();
    EXPECT_EQ(from, 0.0);
    // A click at the left edge of the plot goes to the first frame.
    QSignalSpy clicked(&view, &IoGraphView::FrameClicked);
    const QPointF left = view.mapFromScene(view.chart()->plotArea().topLeft() + QPointF(2, 20));
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, left.toPoint());
    ASSERT_EQ(clicked.count(), 1);
    EXPECT_EQ(clicked.at(0).at(0).value<quint32>(), 0U);
    // Zoom into the first half, pan right past the end (it stops there), then all again.
    view.ZoomTo(from, to / 2);
    EXPECT_DOUBLE_EQ(view.TimeRange().second, to / 2);
    for (int i = 0; i < 20; ++i) QTest::keyClick(&view, Qt::Key_Right);
    EXPECT_DOUBLE_EQ(view.TimeRange().second, to);
    EXPECT_NEAR(view.TimeRange().first, to / 2, 1e-9);
    QTest::keyClick(&view, Qt::Key_0);
    EXPECT_EQ(view.TimeRange(), std::make_pair(from, to));

    // A filter draws the frames it matches apart; a bad one turns the field red and counts nothing.
    EXPECT_FALSE(view.Matched().isVisible());
    const std::uint64_t shown = graph.Shown();
    graph.Filter().setText(QStringLiteral("udp port 53"));
    QTest::keyClick(&graph.Filter(), Qt::Key_Return);
    ASSERT_TRUE(ShownAtLeast(graph, shown + 1));
    EXPECT_TRUE(view.Matched().isVisible());
    double matched = 0, all = 0;
    for (const QPointF& p : view.Matched().points()) matched += p.y();
    for (const QPointF& p : view.Frames().points()) all += p.y();
    EXPECT_GT(matched, 0);
    EXPECT_LT(matched, all);
    graph.Filter().setText(QStringLiteral("port port"));
    QTest::keyClick(&graph.Filter(), Qt::Key_Return);
    EXPECT_FALSE(graph.Filter().toolTip().isEmpty());
    EXPECT_FALSE(graph.Filter().styleSheet().isEmpty());
    support::Screenshot(graph, "stats-io-graph-bad-filter");
}

// A live window's statistics follow its file: every block the writer adds is counted once.
TEST(StatsWindows, ALiveWindowsTablesGrowAsBlocksArrive) {
    support::QtApp();
    const decode::test::TestTables t;
    const auto path = support::TempPath("live.tns");
    auto writer = capture::TraceWriter::Create(path, capture::TraceWriter::Flush::Deferred);
    ASSERT_TRUE(writer.Ok() && writer.Value().WriteHeader().Ok());
    TraceCounts counts;
    StatsSource source;
    source.path = path;
    source.parsers = t.parsers.get();
    source.counts = [&] { return counts; };
    source.live = true;
    QWidget owner;
    ProtocolHierarchyWindow window(std::move(source), QStringLiteral("live.tns"), &owner);
    std::uint32_t first = 0;
    for (const std::uint32_t frames : {30U, 50U, 7U}) {
        ASSERT_TRUE(writer.Value().AppendBlock(testutil::Pack(testutil::MakeBatch(first, frames)), frames).Ok());
        first += frames;
        counts = {writer.Value().BlockCount(), writer.Value().FrameCount(), writer.Value().EndOffset()};
        ASSERT_TRUE(support::WaitUntil([&] {
            window.Poll();
            return window.Tree().topLevelItemCount() > 0 &&
                   window.Tree().topLevelItem(0)->text(1) == QString::number(first);
        })) << first;
    }
}

TEST(RateSparkline, DrawsTheLastSecondsAndSaysTheLatestRate) {
    support::QtApp();
    RateSparkline line;
    for (std::int64_t s = 0; s <= 5; ++s) line.Sample(s * 1000, static_cast<std::uint64_t>(s * s * 100));
    EXPECT_EQ(line.History().PerSecond().size(), 5U);
    EXPECT_TRUE(line.toolTip().startsWith(QStringLiteral("900 frames/s"))) << line.toolTip().toStdString();
    line.resize(line.sizeHint());
    EXPECT_FALSE(line.grab().isNull());
}

}  // namespace
}  // namespace stats::ui
