// The navigation bar's filter field and Edit > Find as the user drives them: Enter, Escape,
// a bad expression's red field, the packets pane, the moves over a filtered trace, windows
// keeping their own expression, and Find / F3 / Shift+F3 with the not-found message.
#include <QFile>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <optional>

#include "app/WorkbenchTestUtil.h"
#include "capture/TraceTestUtil.h"
#include "packetlist/NavCommand.h"
#include "views/CommandIds.h"

namespace {

using views::CommandId;

app::CChildFrame* OpenSample(testutil::Workbench& w) {
    app::CChildFrame* child = w.Frame().ActiveChild();
    EXPECT_NE(child, nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return child != nullptr && !child->View().Loading(); }, 30000));
    return child;
}

// Types text into the filter field and presses key there; waits for the scan to finish.
void Type(app::CMainFrame& frame, app::CChildFrame& child, const QString& text, Qt::Key key) {
    QLineEdit& field = *frame.NavigationBar().FilterBox().lineEdit();
    field.setText(text);
    QTest::keyClick(&field, key);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !child.View().FilterScanning(); }, 30000));
    QApplication::processEvents();
}

TEST(FilterField, EnterAppliesEscapeAndEmptyClearAndABadExpressionTurnsRed) {
    testutil::Workbench w{{testutil::kSample}};
    app::CChildFrame* child = OpenSample(w);
    ASSERT_NE(child, nullptr);
    app::CNavigationBar& bar = w.Frame().NavigationBar();
    const QString all = child->PacketsPane().text();
    const struct {
        const char* typed;
        Qt::Key key;
        const char* filtering;  // the window's expression afterwards; "" for none
        bool red;
        const char* packets;  // the packets pane; nullptr: the unfiltered text
        const char* shot;     // a screenshot's name, or nullptr
    } table[] = {
        {"udp port 53", Qt::Key_Return, "udp port 53", false, "94 of 400 packets", "filtered-window"},
        {"udp port", Qt::Key_Return, "udp port 53", true, "94 of 400 packets", "bad-expression"},  // as it was
        {"udp port", Qt::Key_Escape, "", false, nullptr, nullptr},
        {"src port 25", Qt::Key_Enter, "src port 25", false, "6 of 400 packets", nullptr},
        {"", Qt::Key_Return, "", false, nullptr, nullptr},
        {"ether host", Qt::Key_Return, "", true, nullptr, nullptr},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.typed);
        Type(w.Frame(), *child, QString::fromLatin1(row.typed), row.key);
        EXPECT_EQ(child->View().FilterExpression(), row.filtering);
        EXPECT_EQ(bar.FilterInError(), row.red);
        EXPECT_EQ(child->PacketsPane().text(), row.packets != nullptr ? QString::fromLatin1(row.packets) : all);
        if (row.red) {
            // libpcap's own words, on the field and in the status bar.
            EXPECT_TRUE(bar.FilterBox().toolTip().contains(QStringLiteral("syntax error")))
                << bar.FilterBox().toolTip().toStdString();
            EXPECT_EQ(w.Frame().statusBar()->currentMessage(), bar.FilterBox().toolTip());
        }
        // Every row shown is a match of the filter on.
        const packetlist::CKestroView& view = child->View();
        if (view.Filtering()) {
            EXPECT_EQ(view.RowCount(), view.Matches().FramesOf(view.Screen()).size());
        }
        if (row.shot != nullptr) support::Screenshot(w.Frame(), row.shot);
    }
    // The expressions applied are offered, newest first.
    ASSERT_GE(bar.FilterBox().count(), 2);
    EXPECT_EQ(bar.FilterBox().itemText(0), QStringLiteral("src port 25"));
    EXPECT_EQ(bar.FilterBox().itemText(1), QStringLiteral("udp port 53"));
}

TEST(FilterField, TheMovesGoFromMatchToMatchAndEachWindowKeepsItsExpression) {
    // A second window needs a file of its own: the same file opens once.
    const QString copy = QString::fromStdString(support::TempPath("copy.tns"));
    QFile::remove(copy);
    ASSERT_TRUE(QFile::copy(testutil::kSample, copy));
    testutil::Workbench w{{testutil::kSample, copy}};
    app::CChildFrame* second = OpenSample(w);
    ASSERT_NE(second, nullptr);
    const QList<QMdiSubWindow*> subs = w.Frame().MdiArea().subWindowList();
    ASSERT_EQ(subs.size(), 2);
    w.Frame().MdiArea().setActiveSubWindow(subs[0]);
    app::CChildFrame* first = w.Frame().ActiveChild();
    ASSERT_NE(first, second);
    Type(w.Frame(), *first, QStringLiteral("src port 25"), Qt::Key_Return);

    // Each move lands on a match (the server's six replies), and past the ends it is refused.
    const packetlist::FilterIndex& matches = first->View().Matches();
    using packetlist::NavCommand;
    const struct {
        NavCommand command;
        bool last;  // the last match rather than the first
    } moves[] = {{NavCommand::GoToEnd, true}, {NavCommand::GoToBeginning, false}};
    for (const auto& move : moves) {
        first->Run(move.command);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !first->View().Loading(); }, 30000));
        const auto screen = move.last ? matches.LastScreen() : matches.FirstScreen();
        ASSERT_TRUE(screen.has_value());
        const auto& frames = matches.FramesOf(*screen);
        EXPECT_EQ(first->View().CurrentFrame(), move.last ? frames.back() : frames.front());
    }
    EXPECT_FALSE(first->View().IsEnabled(NavCommand::PreviousPacket));
    for (int step = 0; step < 5; ++step) {
        first->Run(NavCommand::NextPacket);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !first->View().Loading(); }, 30000));
    }
    EXPECT_FALSE(first->View().IsEnabled(NavCommand::NextPacket));  // six matches: the last

    // The field shows the active window's expression.
    app::CNavigationBar& bar = w.Frame().NavigationBar();
    w.Frame().MdiArea().setActiveSubWindow(subs[1]);
    EXPECT_EQ(bar.FilterText(), QString());
    EXPECT_FALSE(second->View().Filtering());
    w.Frame().MdiArea().setActiveSubWindow(subs[0]);
    EXPECT_EQ(bar.FilterText(), QStringLiteral("src port 25"));
}

TEST(Find, FindNextAndPreviousGoToTheFramesHoldingTheTextAndSayWhenNothingMoreDoes) {
    testutil::Workbench w{{testutil::kSample}};
    app::CChildFrame* child = OpenSample(w);
    ASSERT_NE(child, nullptr);
    // The sample's summaries name SMTP on frames 61 65 84 93 151 212 256 285 300; the server's
    // replies 61, 84 and 130 say "Positive Completion" in their details only.
    const struct {
        const char* from;
        const char* text;  // nullptr: F3 or Shift+F3 with the last text
        bool matchCase;
        bool detail;
        bool forward;
        std::optional<std::uint32_t> found;
    } table[] = {
        {"0", "smtp", false, false, true, 61},
        {nullptr, nullptr, false, false, true, 65},
        {nullptr, nullptr, false, false, true, 84},
        {nullptr, nullptr, false, false, false, 65},
        {"300", nullptr, false, false, true, std::nullopt},
        {"0", "SMTP", true, false, true, 61},
        {"0", "sMTP", true, false, true, std::nullopt},
        {"84", "positive completion", false, true, true, 130},
        {"84", "positive completion", false, false, true, std::nullopt},
    };
    app::FindDialog& finder = w.Frame().Finder();
    support::Screenshot(finder, "find-dialog");
    QString lastText;
    for (const auto& row : table) {
        SCOPED_TRACE(std::string(row.from != nullptr ? row.from : "-") + " / " + (row.text ? row.text : "F3"));
        if (row.from != nullptr) child->Run(packetlist::NavCommand::GotoPacket, QString::fromLatin1(row.from));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !child->View().Loading(); }, 30000));
        const std::uint32_t before = child->View().CurrentFrame();
        QSignalSpy ended(child, &app::CChildFrame::FindEnded);
        if (row.text != nullptr) {
            lastText = QString::fromLatin1(row.text);
            finder.TextField().setText(lastText);
            finder.MatchCase().setChecked(row.matchCase);
            finder.InDetail().setChecked(row.detail);
            finder.Up().setChecked(!row.forward);
            QTest::mouseClick(&finder.FindNextButton(), Qt::LeftButton);
        } else {
            w.Frame().Action(static_cast<std::uint32_t>(row.forward ? CommandId::EditFindNext
                                                                     : CommandId::EditFindPrevious))
                ->trigger();
        }
        ASSERT_TRUE(ended.wait(30000) || ended.count() == 1);
        // A frame on another screen shows once its block is in.
        ASSERT_TRUE(QTest::qWaitFor([&] { return !child->View().Loading(); }, 30000));
        if (row.found) {
            EXPECT_EQ(child->View().CurrentFrame(), *row.found);
            EXPECT_EQ(child->CurrentPane().text(), QStringLiteral("Current packet: %1").arg(*row.found));
        } else {
            EXPECT_EQ(child->View().CurrentFrame(), before);
            EXPECT_EQ(w.Frame().statusBar()->currentMessage(),
                      QStringLiteral("Find: no more frames hold \"%1\"").arg(lastText));
        }
    }
}

// A search over a large trace shows its progress in the dialog, and Stop ends it where it
// is: the current packet stays, the dialog's Stop goes grey and the status says so.
TEST(Find, StopEndsALongSearchAndLeavesTheCurrentPacket) {
    const QString big = QString::fromStdString(testutil::WriteTrace("find-big.tns", {50000, 50000}));
    testutil::Workbench w{{big}};
    app::CChildFrame* child = OpenSample(w);
    ASSERT_NE(child, nullptr);
    app::FindDialog& finder = w.Frame().Finder();
    EXPECT_FALSE(finder.StopButton().isEnabled());
    EXPECT_FALSE(finder.Progress().isVisibleTo(&finder));
    finder.TextField().setText(QStringLiteral("no frame says this"));
    finder.InDetail().setChecked(true);
    QSignalSpy ended(child, &app::CChildFrame::FindEnded);
    QTest::mouseClick(&finder.FindNextButton(), Qt::LeftButton);
    EXPECT_TRUE(finder.StopButton().isEnabled());
    EXPECT_TRUE(finder.Progress().isVisibleTo(&finder));
    support::Screenshot(finder, "find-searching");  // the detail of 100,000 frames takes seconds
    QTest::mouseClick(&finder.StopButton(), Qt::LeftButton);
    ASSERT_EQ(ended.count(), 1);
    EXPECT_EQ(ended.at(0).at(0).toString(), QStringLiteral("Find: stopped"));
    EXPECT_EQ(w.Frame().statusBar()->currentMessage(), QStringLiteral("Find: stopped"));
    EXPECT_FALSE(child->View().Finding());
    EXPECT_EQ(child->View().CurrentFrame(), 0U);
    EXPECT_FALSE(finder.StopButton().isEnabled());
    EXPECT_FALSE(finder.Progress().isVisibleTo(&finder));
    // Nothing late arrives from the stopped search.
    QTest::qWait(200);
    EXPECT_EQ(ended.count(), 1);
}

}  // namespace
