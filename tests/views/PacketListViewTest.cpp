// The packet list's widget offscreen: keys the packet list takes stay out of the table's own
// handling, the full-row highlight follows the selection, and the columns fill the window.
#include <QHeaderView>
#include <QPaintEvent>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include "capture/TraceTestUtil.h"
#include "packetlist/PacketListTestUtil.h"
#include "support/QtApp.h"
#include "views/PacketListView.h"

namespace {

// The widget over a saved trace of three screens, wired to its packet list as a window wires it.
struct ListUnderTest final : packetlist::CKestroView::Listener {
    testutil::ViewUnderTest u;
    views::PacketListView list;

    explicit ListUnderTest(int width, const std::string& name = "three.tns")
        : u((support::QtApp(), testutil::WriteTrace(name, {20, 20, 20}))), list(*u.view) {
        u.view->SetListener(this);
        list.resize(width, 300);
        list.show();
        u.view->InitialUpdateSaved();
        QApplication::processEvents();
    }
    ~ListUnderTest() override { u.view->SetListener(nullptr); }
    void ListFilled() override { list.Table().Refill(); }
    void RowsRetexted() override { list.Table().Retext(); }
    void RowSelected(std::optional<std::uint32_t> row) override { list.ShowRow(row); }
};

// Every region the viewport paints, from the moment it is watched.
struct PaintRecorder final : QObject {
    QRegion painted;
    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        if (event->type() == QEvent::Paint) painted += static_cast<QPaintEvent*>(event)->region();
        return false;
    }
};

// Home and End that the packet list refuses (or takes) move down the rows only: the table's
// own Home and End would run along the row and scroll the Counter column out of sight.
TEST(PacketListView, NavigationKeysNeverScrollTheListSideways) {
    ListUnderTest t(260);  // narrower than the columns: the table could scroll sideways
    packetlist::CKestroView& v = *t.u.view;
    ASSERT_GT(t.list.horizontalScrollBar()->maximum(), 0);
    struct Case {
        const char* what;
        Qt::Key key;
        std::uint32_t screen;
        int row;
    };
    for (const Case& c : {Case{"End from the first screen", Qt::Key_End, 3, 0},
                          Case{"End on the last screen (refused)", Qt::Key_End, 3, 19},
                          Case{"Page Down on the last screen (refused)", Qt::Key_PageDown, 3, 19},
                          Case{"Home from the last screen", Qt::Key_Home, 1, 0},
                          Case{"Down", Qt::Key_Down, 1, 1},
                          Case{"Home on the first screen (refused)", Qt::Key_Home, 1, 0}}) {
        QTest::keyClick(&t.list, c.key);
        EXPECT_EQ(v.Screen(), c.screen) << c.what;
        EXPECT_EQ(t.list.currentIndex().row(), c.row) << c.what;
        EXPECT_EQ(v.CurrentFrame(), v.ScreenFirst() + static_cast<std::uint32_t>(c.row)) << c.what;
        EXPECT_EQ(t.list.horizontalScrollBar()->value(), 0) << c.what;
    }
}

// The highlight beyond the last column is repainted with the row it belongs to.
TEST(PacketListView, TheFullRowHighlightIsRepaintedWithTheSelection) {
    ListUnderTest t(700);
    t.list.horizontalHeader()->setStretchLastSection(false);
    for (int c = 0; c < views::PacketTableModel::kColumnCount; ++c) t.list.setColumnWidth(c, 60);
    QApplication::processEvents();
    const int right = 5 * 60;
    const auto beyondColumns = [&](int row) {
        return QRect(right, t.list.rowViewportPosition(row), t.list.viewport()->width() - right,
                     t.list.rowHeight(row));
    };
    ASSERT_EQ(t.list.currentIndex().row(), 0);
    PaintRecorder recorder;
    t.list.viewport()->installEventFilter(&recorder);
    t.u.view->Select(2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !recorder.painted.isEmpty(); }, 5000));
    QApplication::processEvents();
    // Every pixel of it painted again, not merely some.
    EXPECT_TRUE(QRegion(beyondColumns(0)).subtracted(recorder.painted).isEmpty()) << "row 0 lost its highlight";
    EXPECT_TRUE(QRegion(beyondColumns(2)).subtracted(recorder.painted).isEmpty()) << "row 2 gained it";
    t.list.viewport()->removeEventFilter(&recorder);
}

// The Summary column reaches the window's edge however wide the window; the others keep the
// widths the user gives them, which the window can take and give back.
TEST(PacketListView, TheLastColumnStretchesAndTheOthersAreTheUsers) {
    ListUnderTest t(900);
    QHeaderView& header = *t.list.horizontalHeader();
    const auto columnsEnd = [&] {
        const int last = views::PacketTableModel::kSummary;
        return t.list.columnViewportPosition(last) + t.list.columnWidth(last);
    };
    for (int width : {900, 1400, 1000}) {
        t.list.resize(width, 300);
        QApplication::processEvents();
        EXPECT_EQ(columnsEnd(), t.list.viewport()->width()) << width;
    }
    for (int c = 0; c < views::PacketTableModel::kColumnCount; ++c)
        EXPECT_EQ(header.sectionResizeMode(c), QHeaderView::Interactive) << c;

    QSignalSpy resized(&t.list, &views::PacketListView::ColumnsResized);
    header.resizeSection(views::PacketTableModel::kSource, 180);
    EXPECT_GE(resized.count(), 1);
    const QList<int> widths = t.list.ColumnWidths();
    ASSERT_EQ(widths.size(), 4);
    EXPECT_EQ(widths[views::PacketTableModel::kSource], 180);

    ListUnderTest other(900, "other.tns");
    other.list.SetColumnWidths(widths);
    EXPECT_EQ(other.list.ColumnWidths(), widths);
    other.list.SetColumnWidths({10, 20});  // another version's list
    EXPECT_EQ(other.list.ColumnWidths(), widths);
}

}  // namespace
