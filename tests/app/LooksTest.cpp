// What the user sees with big blocks and a dark desktop: a screen of 100,000 frames at its
// last row, and the packet list drawn in the desktop's own colours. With
// PALOMET_SCREENSHOTS=DIR the pictures are kept (run with QT_SCALE_FACTOR=2 for a high-DPI
// screen).
#include <QScrollBar>
#include <QTest>

#include "app/WorkbenchTestUtil.h"
#include "capture/TraceTestUtil.h"

namespace {

void Settle(const packetlist::CKestroView& v) {
    ASSERT_TRUE(QTest::qWaitFor([&] { return !v.Loading(); }, 60000));
}

TEST(WorkbenchLooks, AHundredThousandFrameScreenAtItsLastRow) {
    const QString big = QString::fromStdString(testutil::WriteTrace("big.tns", {100000, 100000}));
    testutil::Workbench w({big});
    app::CChildFrame* child = w.Frame().ActiveChild();
    ASSERT_NE(child, nullptr);
    packetlist::CKestroView& v = child->View();
    views::PacketListView& list = child->List();
    Settle(v);
    QTest::keyClick(&list, Qt::Key_End);  // the last screen
    Settle(v);
    QTest::keyClick(&list, Qt::Key_End);  // refused there: its last row
    EXPECT_EQ(v.Screen(), 2U);
    EXPECT_EQ(v.CurrentFrame(), 199999U);
    EXPECT_EQ(list.currentIndex().row(), 99999);
    EXPECT_TRUE(list.viewport()->rect().contains(list.visualRect(list.currentIndex()).center()));
    EXPECT_EQ(list.horizontalScrollBar()->value(), 0);
    support::Screenshot(w.Frame(), "block-100000-at-end");
}

// A dark palette reaches the rows: the selected row in the highlight colour across the whole
// width, the others on the palette's base.
TEST(WorkbenchLooks, TheListIsDrawnInTheDesktopsColours) {
    const QPalette before = QApplication::palette();
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(0x2b, 0x2b, 0x2b));
    dark.setColor(QPalette::WindowText, QColor(0xe0, 0xe0, 0xe0));
    dark.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x1e));
    dark.setColor(QPalette::AlternateBase, QColor(0x2a, 0x2a, 0x2a));
    dark.setColor(QPalette::Text, QColor(0xe0, 0xe0, 0xe0));
    dark.setColor(QPalette::Button, QColor(0x35, 0x35, 0x35));
    dark.setColor(QPalette::ButtonText, QColor(0xe0, 0xe0, 0xe0));
    dark.setColor(QPalette::Highlight, QColor(0x2f, 0x65, 0xca));
    dark.setColor(QPalette::HighlightedText, Qt::white);
    // The frame colours a dark desktop gives too (the window area's background is Dark).
    dark.setColor(QPalette::Light, QColor(0x50, 0x50, 0x50));
    dark.setColor(QPalette::Midlight, QColor(0x40, 0x40, 0x40));
    dark.setColor(QPalette::Mid, QColor(0x28, 0x28, 0x28));
    dark.setColor(QPalette::Dark, QColor(0x18, 0x18, 0x18));
    dark.setColor(QPalette::Shadow, Qt::black);
    dark.setColor(QPalette::ToolTipBase, QColor(0x35, 0x35, 0x35));
    dark.setColor(QPalette::ToolTipText, QColor(0xe0, 0xe0, 0xe0));
    dark.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x80, 0x80, 0x80));
    dark.setColor(QPalette::Disabled, QPalette::Text, QColor(0x80, 0x80, 0x80));
    dark.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x80, 0x80, 0x80));
    QApplication::setPalette(dark);
    {
        testutil::Workbench w({testutil::kSample});
        app::CChildFrame* child = w.Frame().ActiveChild();
        ASSERT_NE(child, nullptr);
        Settle(child->View());
        child->View().Select(2);
        support::Screenshot(w.Frame(), "dark-palette");
        views::PacketListView& list = child->List();
        const QImage shot = list.viewport()->grab().toImage();
        const qreal scale = shot.devicePixelRatio();  // 2 with QT_SCALE_FACTOR=2
        const auto pixel = [&](int row) {
            const int x = list.viewport()->width() - 8;  // beside the summary's text
            const int y = list.rowViewportPosition(row) + list.rowHeight(row) / 2;
            return QColor(shot.pixel(static_cast<int>(x * scale), static_cast<int>(y * scale)));
        };
        EXPECT_EQ(pixel(2), dark.color(QPalette::Highlight));
        EXPECT_EQ(pixel(4), dark.color(QPalette::Base));
    }
    QApplication::setPalette(before);
}

}  // namespace
