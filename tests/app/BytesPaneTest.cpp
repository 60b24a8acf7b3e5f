// The bytes pane of a capture window, offscreen: a selected detail line marks its bytes, a
// clicked byte selects the deepest line naming it (in the tree and in the text), the font
// scales, and the pane hides from the View menu or the detail pane's menu, remembered.
#include <gtest/gtest.h>

#include <QAction>
#include <QTest>
#include <QTextBlock>

#include "app/CChildFrame.h"
#include "app/CMainFrame.h"
#include "app/CNavigationBar.h"
#include "app/WorkbenchTestUtil.h"
#include "packetlist/NavCommand.h"
#include "settings/PanePreferences.h"
#include "views/BytesPaneSwitch.h"
#include "views/CommandIds.h"

namespace {

void Settle(const packetlist::CKestroView& v) {
    ASSERT_TRUE(QTest::qWaitFor([&] { return !v.Loading(); }, 30000));
}

// The first line, depth first, whose prefix and text start with start.
const decode::CPktDetailLine* FindLine(const decode::CPktDetailLine& line, const std::string& start) {
    for (const auto& child : line.Children()) {
        if ((child->Prefix() + child->Text()).starts_with(start)) return child.get();
        if (const auto* found = FindLine(*child, start)) return found;
    }
    return nullptr;
}

QString LineText(const decode::CPktDetailLine* line) {
    return line != nullptr ? QString::fromStdString(line->Prefix() + line->Text()) : QString();
}

TEST(BytesPane, SelectedLineMarksItsBytesAndAClickedByteSelectsItsLine) {
    views::BytesPaneSwitch::Instance().Set(true);
    testutil::Workbench w({testutil::kSample});
    app::CChildFrame* child = w.Frame().ActiveChild();
    ASSERT_NE(child, nullptr);
    Settle(child->View());
    // Frame 6: Ethernet, IPv4, a TCP SYN with options.
    w.Frame().NavigationBar().PacketField().setText(QStringLiteral("6"));
    w.Frame().Action(static_cast<std::uint32_t>(packetlist::NavCommand::GotoPacket))->trigger();
    Settle(child->View());
    ASSERT_EQ(child->View().CurrentFrame(), 6U);
    views::DetailPane& details = child->Details();
    views::BytesPane& bytes = details.Bytes();
    ASSERT_FALSE(bytes.isHidden());
    ASSERT_GT(bytes.Model().LineCount(), 3U);
    EXPECT_TRUE(QString::fromStdString(bytes.Model().LineText(0)).startsWith(QStringLiteral("0000  ")));

    const decode::CPktDetailLine* source = FindLine(*details.Tree().Lines().Root(), "IPv4:  Source address");
    ASSERT_NE(source, nullptr);
    details.SelectLine(source);
    EXPECT_EQ(details.SelectedLine(), source);
    EXPECT_EQ(bytes.Model().Marked(), (decode::ByteRange{26, 4}));
    child->resize(760, 620);
    support::Screenshot(*child, "bytes-pane-source-address");

    // Byte 23, the IPv4 protocol field: line 1, the eighth byte. Then a TCP flag bit.
    const struct {
        std::size_t line, column;
        const char* expected;
    } clicks[] = {
        {1, bytes.Model().Layout().HexColumn(7), "IPv4:  Protocol = "},
        {2, bytes.Model().Layout().TextColumn(15), "TCP:  ..0..... = No urgent data"},
        {0, bytes.Model().Layout().HexColumn(0) + 1, "ETHERNET:  .......0 = Individual address"},
    };
    for (const auto& c : clicks) {
        QTest::mouseClick(bytes.viewport(), Qt::LeftButton, {}, bytes.PointOf(c.line, c.column));
        EXPECT_TRUE(LineText(details.SelectedLine()).startsWith(QString::fromLatin1(c.expected)))
            << LineText(details.SelectedLine()).toStdString();
        EXPECT_EQ(bytes.Model().Selected(), details.SelectedLine());
        EXPECT_TRUE(details.Tree().currentIndex().isValid());
    }

    // The text view: the click puts the caret on the line, and moving the caret marks.
    details.SwitchKind();
    ASSERT_FALSE(details.TreeShown());
    QTest::mouseClick(bytes.viewport(), Qt::LeftButton, {}, bytes.PointOf(1, bytes.Model().Layout().HexColumn(7)));
    EXPECT_TRUE(details.Text().textCursor().block().text().trimmed().startsWith(QStringLiteral("IPv4:  Protocol = ")));
    const decode::CPktDetailLine* top = bytes.Model().LineByIndex(0);
    details.Text().setTextCursor(QTextCursor(details.Text().document()->findBlockByNumber(0)));
    EXPECT_EQ(bytes.Model().Selected(), top);
    EXPECT_EQ(bytes.Model().Marked(), top->Bytes()) << "the frame's top line names the whole frame";
    details.SwitchKind();

    const int size = bytes.PointSize();
    bytes.setFocus();
    QTest::keyClick(&bytes, Qt::Key_Plus, Qt::ControlModifier);
    QTest::keyClick(&bytes, Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_EQ(bytes.PointSize(), size + 2);
    bytes.ZoomBy(-100);
    EXPECT_EQ(bytes.PointSize(), views::BytesPane::kMinPointSize);
}

TEST(BytesPane, HiddenFromEitherMenuAndRemembered) {
    views::BytesPaneSwitch::Instance().Set(true);
    testutil::Workbench w({testutil::kSample});
    app::CChildFrame* child = w.Frame().ActiveChild();
    ASSERT_NE(child, nullptr);
    QAction* viewItem = w.Frame().Action(static_cast<std::uint32_t>(views::CommandId::ViewBytesPane));
    ASSERT_NE(viewItem, nullptr);
    EXPECT_TRUE(viewItem->isChecked());

    viewItem->trigger();
    EXPECT_TRUE(child->Details().Bytes().isHidden());
    EXPECT_FALSE(settings::LoadBytesPaneShown()) << "kept in the settings store";

    // The detail pane's context-menu item toggles the same switch, and the View item follows.
    emit child->Details().Tree().BytesPaneToggled();
    EXPECT_FALSE(child->Details().Bytes().isHidden());
    EXPECT_TRUE(viewItem->isChecked());
    EXPECT_TRUE(settings::LoadBytesPaneShown());
    emit child->Details().Text().BytesPaneToggled();
    EXPECT_FALSE(viewItem->isChecked());
    EXPECT_FALSE(settings::LoadBytesPaneShown());
    views::BytesPaneSwitch::Instance().Set(true);
}

}  // namespace
