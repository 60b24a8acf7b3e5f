// The workbench offscreen: where each command sits and what it does, opening files, keys
// driving the packet list, and a live window from its first block to its close.
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <cstdlib>
#include <vector>

#include "agentd/AgentDaemon.h"
#include "agentd/AgentTestUtil.h"
#include "agentd/PcapSource.h"
#include "app/WorkbenchTestUtil.h"
#include "capture/TraceTestUtil.h"
#include "decode/ProtoCode.h"
#include "packetlist/PacketListTestUtil.h"
#include "stats/ui/IoGraphWindow.h"
#include "stats/ui/ProtocolHierarchyWindow.h"
#include "stats/ui/StationTablesWindow.h"
#include "views/CommandIds.h"

namespace {

using packetlist::NavCommand;

// Blocks load on the window's own thread: wait until the one asked for is on display.
void Settle(const packetlist::CKestroView& v) {
    ASSERT_TRUE(QTest::qWaitFor([&] { return !v.Loading(); }, 30000));
}

// A command as the workbench's actions carry it (QAction::data); 0 stands for a separator.
constexpr std::uint32_t Id(views::CommandId command) { return static_cast<std::uint32_t>(command); }
constexpr std::uint32_t Id(NavCommand command) { return static_cast<std::uint32_t>(command); }
constexpr std::uint32_t kSeparator = 0;

std::vector<std::uint32_t> Ids(const QList<QAction*>& actions) {
    std::vector<std::uint32_t> ids;
    for (QAction* a : actions) ids.push_back(a->isSeparator() ? kSeparator : a->data().toUInt());
    return ids;
}

TEST(WorkbenchCommands, EachMenuAndTheToolBarHoldTheirCommandsInOrder) {
    using enum views::CommandId;
    testutil::Workbench w;
    app::CMainFrame& f = w.Frame();
    const auto menus = f.menuBar()->actions();
    ASSERT_EQ(menus.size(), 6);
    const struct {
        const char* name;
        QList<QAction*> actions;
        std::vector<std::uint32_t> ids;
    } bars[] = {
        {"File", menus[0]->menu()->actions(), {Id(FileNew), Id(FileOpen), Id(FileServices), kSeparator, Id(AppExit)}},
        {"Edit",
         menus[1]->menu()->actions(),
         {Id(EditCopy), kSeparator, Id(EditFind), Id(EditFindNext), Id(EditFindPrevious)}},
        {"View", menus[2]->menu()->actions(), {Id(ViewToolbar), Id(ViewNavigationBar), Id(ViewStatusBar), Id(ViewBytesPane)}},
        {"Statistics",
         menus[3]->menu()->actions(),
         {Id(StatsProtocols), Id(StatsConversations), Id(StatsEndpoints), Id(StatsIoGraph)}},
        {"Window", menus[4]->menu()->actions(), {Id(WindowCascade), Id(WindowTile), Id(WindowArrange)}},
        {"Help", menus[5]->menu()->actions(), {Id(HelpTopics), kSeparator, Id(AppAbout)}},
        {"tool bar",
         f.MainToolBar().actions(),
         {Id(FileNew), Id(FileOpen), Id(FileServices), kSeparator, Id(AppAbout), Id(ContextHelp)}},
    };
    for (const auto& bar : bars) EXPECT_EQ(Ids(bar.actions), bar.ids) << bar.name;
    EXPECT_FALSE(menus[4]->isVisible()) << "the Window menu comes with the first window";
    EXPECT_FALSE(f.Action(Id(StatsConversations))->isEnabled()) << "statistics are of a capture window";
    EXPECT_FALSE(f.Action(Id(EditFind))->isEnabled()) << "find looks in a capture window";
}

TEST(WorkbenchCommands, CommandsShowTheirPromptsAndShortcuts) {
    testutil::Workbench w;
    struct Prompt {
        std::uint32_t id;
        const char* status;
        const char* tip;
        const char* keys;
    };
    for (const auto& p : {
             Prompt{Id(views::CommandId::FileNew), "Starts a new session with remote agent", "Start new session",
                    "Ctrl+N"},
             Prompt{Id(views::CommandId::FileServices), "Services control panel", "Services panel", "Ctrl+S"},
             Prompt{Id(views::CommandId::ViewNavigationBar), "Show or hide the navigation bar", "Toggle Navigation Bar",
                    ""},
             Prompt{Id(NavCommand::GoToBeginning), "Go to the beginning of tracefile", "Go to beginning", ""},
             Prompt{Id(NavCommand::GotoPacket), "Go to specified packet", "Goto packet", ""},
             Prompt{Id(NavCommand::PauseContinue), "Pause/continue packet gathering", "Pause/Continue", ""},
         }) {
        QAction* a = w.Frame().Action(p.id);
        ASSERT_NE(a, nullptr) << p.id;
        EXPECT_EQ(a->data().toUInt(), p.id);
        EXPECT_EQ(a->statusTip(), p.status);
        EXPECT_EQ(a->toolTip(), p.tip);
        EXPECT_EQ(QKeySequence::listToString(a->shortcuts()), p.keys);
    }
}

TEST(WorkbenchCommands, TheNavigationBarsCommandsWaitForAWindow) {
    using enum NavCommand;
    testutil::Workbench w;
    app::CMainFrame& f = w.Frame();
    std::vector<std::uint32_t> nav;
    for (QAction* a : f.NavigationBar().actions())
        if (!a->isSeparator() && a->data().isValid()) nav.push_back(a->data().toUInt());
    EXPECT_EQ(nav,
              (std::vector<std::uint32_t>{Id(GoToBeginning), Id(PreviousScreen), Id(PreviousPacket), Id(NextPacket),
                                          Id(NextScreen), Id(GoToEnd), Id(GotoPacket), Id(PauseContinue)}));
    for (std::uint32_t id : nav) EXPECT_FALSE(f.Action(id)->isEnabled()) << id << " without a window";
}

TEST(WorkbenchCommands, TheLevelBoxOffersFourLevelsFromTheApplicationLevel) {
    testutil::Workbench w;
    QComboBox& levels = w.Frame().NavigationBar().LevelBox();
    ASSERT_EQ(levels.count(), 4);
    const std::pair<const char*, std::uint32_t> entries[] = {{"Datalink level", decode::LEVEL_DATALINK},
                                                             {"Network level", decode::LEVEL_NETWORK},
                                                             {"Transport level", decode::LEVEL_TRANSPORT},
                                                             {"Application level", decode::LEVEL_APPLICATION}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(levels.itemText(i), entries[i].first);
        EXPECT_EQ(levels.itemData(i).toUInt(), entries[i].second);
    }
    EXPECT_EQ(levels.currentIndex(), 3);
}

TEST(WorkbenchCommands, TheNavigationBarToggleFollowsTheBar) {
    testutil::Workbench w;
    app::CMainFrame& f = w.Frame();
    QAction* navToggle = f.Action(Id(views::CommandId::ViewNavigationBar));
    f.NavigationBar().hide();
    EXPECT_FALSE(navToggle->isChecked());
    navToggle->trigger();
    EXPECT_TRUE(f.NavigationBar().isVisible());
    EXPECT_TRUE(navToggle->isChecked());
}

// File > New opens a window on the profile the dialog hands back, none on Cancel.
TEST(WorkbenchCommands, FileNewOpensAWindowOnTheChosenProfileOnly) {
    testutil::Workbench w;
    app::CMainFrame& f = w.Frame();
    for (bool chosen : {false, true}) {
        w.app.sessionProfilesDialog = [&] {
            auto profile = std::make_unique<profiles::CSessionProfile>();
            profile->traceFile = testutil::kSample.toStdString();
            profile->dumpFile = 1;
            return chosen ? std::move(profile) : nullptr;
        };
        f.Action(Id(views::CommandId::FileNew))->trigger();
        EXPECT_EQ(f.Children().size(), chosen ? 1U : 0U);
    }
}

TEST(WorkbenchCommands, FileServicesOpensTheDialogOnTheHostShownLast) {
    testutil::Workbench w;
    int servicesShown = 0;
    w.app.servicesDialog = [&](const std::string& host, std::string_view service) {
        EXPECT_TRUE(host.empty() && service.empty()) << "File > Services opens on the host shown last";
        ++servicesShown;
    };
    w.Frame().Action(Id(views::CommandId::FileServices))->trigger();
    EXPECT_EQ(servicesShown, 1);
}

// Command-line files open in order, each once; dropped files the same way.
TEST(Workbench, FilesOpenOnceWhicheverWayTheyCome) {
    const QString other = QString::fromStdString(testutil::WriteTrace("other.tns", {3}));
    const QString third = QString::fromStdString(testutil::WriteTrace("third.tns", {4}));
    testutil::Workbench w({testutil::kSample, other, testutil::kSample});
    const auto titles = [&] {
        QStringList t;
        for (app::CChildFrame* child : w.Frame().Children()) t << child->windowTitle();
        return t;
    };
    EXPECT_EQ(titles(), (QStringList{testutil::kSample, other}));
    ASSERT_EQ(w.prompt.Messages().size(), 1U);
    EXPECT_EQ(w.prompt.Messages()[0].text, "Tracefile " + testutil::kSample.toStdString() + "\n is already opened!");
    EXPECT_TRUE(w.Frame().menuBar()->actions()[2]->isVisible());

    QMimeData dropped;
    dropped.setUrls({QUrl::fromLocalFile(third), QUrl::fromLocalFile(other)});
    QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w.Frame(), &enter);  // a drop goes where the drag entered
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w.Frame(), &drop);
    EXPECT_EQ(titles(), (QStringList{testutil::kSample, other, third}));
    ASSERT_EQ(w.prompt.Messages().size(), 2U);
    EXPECT_EQ(w.prompt.Messages()[1].text, "Tracefile " + other.toStdString() + "\n is already opened!");
}

// Statistics of a saved window: a double-click on a conversation goes to its first frame in
// that window, whichever screen it is on; the windows close with it.
TEST(Workbench, StatisticsWindowsGoToTheirCaptureWindowsFrames) {
    testutil::Workbench w({testutil::kSample});
    app::CChildFrame* child = w.Frame().ActiveChild();
    ASSERT_NE(child, nullptr);
    packetlist::CKestroView& v = child->View();
    Settle(v);
    for (const auto id : {views::CommandId::StatsConversations, views::CommandId::StatsIoGraph})
        w.Frame().Action(Id(id))->trigger();
    auto* conversations = child->findChild<stats::ui::StationTablesWindow*>();
    ASSERT_NE(conversations, nullptr);
    EXPECT_NE(child->findChild<stats::ui::IoGraphWindow*>(), nullptr);
    stats::ui::StatsTableModel& tcp = conversations->Model(stats::TableKind::TCP);
    ASSERT_TRUE(QTest::qWaitFor([&] { return tcp.rowCount() > 0; }, 30000));
    int late = 0;  // a conversation that starts beyond the first screen
    while (late < tcp.rowCount() && tcp.FirstFrame(late).value_or(0) < 250) ++late;
    ASSERT_LT(late, tcp.rowCount());
    emit conversations->View(stats::TableKind::TCP).doubleClicked(tcp.index(late, 0));
    Settle(v);
    EXPECT_EQ(v.CurrentFrame(), *tcp.FirstFrame(late));
    EXPECT_EQ(v.Screen(), *tcp.FirstFrame(late) / 100 + 1);

    QPointer<stats::ui::StationTablesWindow> statistics(conversations);
    delete child;
    EXPECT_TRUE(statistics.isNull());
}

// The same moves as the packet-list tests, made with keys, clicks and the navigation bar.
TEST(Workbench, KeysClicksAndTheNavigationBarDriveThePacketList) {
    testutil::Workbench w({testutil::kSample});
    app::CChildFrame* child = w.Frame().ActiveChild();
    ASSERT_NE(child, nullptr);
    views::PacketListView& list = child->List();
    packetlist::CKestroView& v = child->View();
    Settle(v);
    support::Screenshot(w.Frame(), "main-window-tree");

    struct Step {
        Qt::Key key;
        std::uint32_t screen, current;
    };
    for (const auto& s : {Step{Qt::Key_PageDown, 2, 100}, Step{Qt::Key_Up, 1, 99}, Step{Qt::Key_End, 4, 300},
                          Step{Qt::Key_Down, 4, 301}}) {
        QTest::keyClick(&list, s.key);
        Settle(v);
        EXPECT_EQ(v.Screen(), s.screen) << s.key;
        EXPECT_EQ(v.CurrentFrame(), s.current) << s.key;
        EXPECT_EQ(list.currentIndex().row(), static_cast<int>(s.current - v.ScreenFirst()));
    }
    // Page Down on the last screen beeps and goes on to the list, which moves a page down it.
    QTest::keyClick(&list, Qt::Key_PageDown);
    EXPECT_EQ(v.Screen(), 4U);
    EXPECT_GT(list.currentIndex().row(), 1);
    EXPECT_EQ(v.CurrentFrame(), 300U + static_cast<std::uint32_t>(list.currentIndex().row()));
    const QRect row5 = list.visualRect(list.model()->index(5, 2));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, row5.center());
    EXPECT_EQ(v.CurrentFrame(), 305U);
    EXPECT_EQ(child->CurrentPane().text(), "Current packet: 305");
    EXPECT_EQ(child->PacketsPane().text(), "400 Packets, 64 Kb");
    EXPECT_EQ(child->Progress().value(), 305 * 100 / 399);
    EXPECT_GT(child->Details().Tree().Lines().rowCount(), 2);
    EXPECT_TRUE(w.Frame().Action(Id(NavCommand::GoToBeginning))->isEnabled());
    EXPECT_FALSE(w.Frame().Action(Id(NavCommand::NextScreen))->isEnabled()) << "last screen";

    w.Frame().NavigationBar().PacketField().setText(QStringLiteral("42"));
    w.Frame().Action(Id(NavCommand::GotoPacket))->trigger();
    Settle(v);
    EXPECT_EQ(v.CurrentFrame(), 42U);
    EXPECT_EQ(list.currentIndex().row(), 42);

    QComboBox& levels = w.Frame().NavigationBar().LevelBox();
    levels.setCurrentIndex(0);
    emit levels.activated(0);
    EXPECT_EQ(v.SummaryLevel(), decode::LEVEL_DATALINK);
    EXPECT_TRUE(list.model()->index(42, 4).data().toString().startsWith(QStringLiteral("ETHERNET:")));

    child->Details().SwitchKind();
    const QString text = child->Details().Text().toPlainText();
    EXPECT_TRUE(text.startsWith(QStringLiteral("FRAME:  Base frame properties\n    FRAME:  Time of capture = ")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("\n    FRAME:  Frame number = 42\n")));
    support::Screenshot(w.Frame(), "main-window-text");
    child->Details().SwitchKind();
    EXPECT_TRUE(child->Details().TreeShown());
    EXPECT_EQ(child->Details().Tree().Lines().index(0, 0).data().toString(),
              QStringLiteral("FRAME:  Base frame properties"));

    support::Screenshot(w.Frame(), "stretched-summary");
}

// A live window on an agent replaying the sample: the first block shows by itself, the
// button pauses and continues capture, and closing the window leaves a finished trace.
TEST(Workbench, LiveWindowFillsPausesContinuesAndClosesCleanly) {
    const auto daemon = testutil::StartReplayAgent();
    ASSERT_TRUE(daemon);
    const auto trace = support::TempPath("live.tns");

    testutil::Workbench w;
    ASSERT_TRUE(w.app.OpenLiveCapture("127.0.0.1", *daemon->EpmPort(), trace)) << w.prompt.Messages().size();
    app::CChildFrame* child = w.Frame().ActiveChild();
    ASSERT_NE(child, nullptr);
    packetlist::CKestroView& v = child->View();
    ASSERT_TRUE(QTest::qWaitFor([&] { return v.Screen() == 1 && v.BlockCount() >= 2; }, 30000));
    EXPECT_EQ(child->List().currentIndex().row(), 0);
    EXPECT_EQ(v.Screen(), 1U) << "later blocks wait for the user";
    support::Screenshot(w.Frame(), "live-window");
    ASSERT_TRUE(w.app.OpenSavedTrace(testutil::kSample));  // make run's two windows, side by side
    w.Frame().MdiArea().tileSubWindows();
    QTest::qWait(200);
    support::Screenshot(w.Frame(), "live-and-sample");
    w.Frame().MdiArea().setActiveSubWindow(w.Frame().MdiArea().subWindowList().front());
    ASSERT_EQ(w.Frame().ActiveChild(), child);

    // Statistics of the live window follow its capture; its status bar draws the rate.
    ASSERT_TRUE(w.Frame().Action(Id(views::CommandId::StatsProtocols))->isEnabled());
    w.Frame().Action(Id(views::CommandId::StatsProtocols))->trigger();
    auto* protocols = child->findChild<stats::ui::ProtocolHierarchyWindow*>();
    ASSERT_NE(protocols, nullptr);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return protocols->Tree().topLevelItemCount() > 0 && protocols->Tree().topLevelItem(0)->text(1).toUInt() >= 400; },
        30000));
    ASSERT_NE(child->RatePane(), nullptr);
    EXPECT_TRUE(child->RatePane()->isVisible());

    QAction* pause = w.Frame().Action(Id(NavCommand::PauseContinue));
    ASSERT_TRUE(pause->isEnabled());
    for (bool paused : {true, false}) {
        pause->trigger();
        ASSERT_TRUE(QTest::qWaitFor([&] { return v.Paused() == paused && pause->isChecked() == paused; }, 30000))
            << "paused " << paused;
    }
    QTest::keyClick(&child->List(), Qt::Key_PageDown);
    Settle(v);
    EXPECT_EQ(v.Screen(), 2U);
    EXPECT_TRUE(w.prompt.Messages().empty()) << w.prompt.Messages()[0].text;

    QPointer<app::CChildFrame> closing(child);
    QPointer<stats::ui::ProtocolHierarchyWindow> statistics(protocols);
    w.Frame().MdiArea().subWindowList().front()->close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return closing.isNull(); }, 30000));
    EXPECT_TRUE(statistics.isNull()) << "a capture window's statistics close with it";
    auto reader = capture::TraceReader::Open(trace);
    ASSERT_TRUE(reader.Ok());
    core::RecordingPrompt prompt;
    EXPECT_TRUE(reader.Value().Validate(prompt)) << (prompt.Messages().empty() ? "" : prompt.Messages()[0].text);
    EXPECT_GE(reader.Value().BlockCount(), 2U);
    EXPECT_FALSE(w.Frame().Action(Id(NavCommand::PauseContinue))->isChecked());
}

// The endpoint-mapper port given with a live window (`--live HOST:PORT`) is that window's
// session's: a later session on the host goes to the default mapper, $PALOMET_EPM_PORT here.
// The first agent is gone by then, so a session sent to its port would fail.
TEST(Workbench, TheLivePortBelongsToItsWindowsSession) {
    auto first = testutil::StartReplayAgent();
    const auto second = testutil::StartReplayAgent();
    ASSERT_TRUE(first && second);
    const char* before = std::getenv("PALOMET_EPM_PORT");
    const std::string restore = before != nullptr ? before : "";
    ::setenv("PALOMET_EPM_PORT", std::to_string(*second->EpmPort()).c_str(), 1);
    testutil::Workbench w;
    ASSERT_TRUE(w.app.OpenLiveCapture("127.0.0.1", *first->EpmPort(), support::TempPath("first.tns")));
    QPointer<app::CChildFrame> closing(w.Frame().ActiveChild());
    w.Frame().MdiArea().closeAllSubWindows();
    ASSERT_TRUE(QTest::qWaitFor([&] { return closing.isNull(); }, 30000));
    first.reset();

    auto profile = std::make_unique<profiles::CSessionProfile>();
    profile->serverAddress = "127.0.0.1";
    profile->traceFile = support::TempPath("second.tns");
    EXPECT_TRUE(w.app.OpenTraceFile(std::move(profile)))
        << (w.prompt.Messages().empty() ? "" : w.prompt.Messages().back().text);
    w.Frame().MdiArea().closeAllSubWindows();
    if (before != nullptr)
        ::setenv("PALOMET_EPM_PORT", restore.c_str(), 1);
    else
        ::unsetenv("PALOMET_EPM_PORT");
}

// A live window says "0 Kb" until its first frame (the file is then its header alone), and
// a poll that finds the counts as they were changes nothing.
TEST(Workbench, LiveStatusShowsNoDataBeforeTheFirstFrameAndChangesOnlyWithTheCounts) {
    agentd::DaemonOptions options;
    options.epmPort = 0;
    agentd::AgentConfig config;
    config.sources = [](const capture::CPktSnapConf&) {
        return core::Result<std::unique_ptr<agentd::FrameSource>>(
            std::make_unique<agentd::test::ListSource>(agentd::test::NumberedFrames(0), false));
    };
    auto daemon = agentd::AgentDaemon::Start(options, std::move(config));
    ASSERT_TRUE(daemon) << daemon.Err().text;
    testutil::Workbench w;
    ASSERT_TRUE(w.app.OpenLiveCapture("127.0.0.1", *daemon.Value()->EpmPort(), support::TempPath("quiet.tns")));
    app::CChildFrame* child = w.Frame().ActiveChild();
    ASSERT_NE(child, nullptr);
    QTest::qWait(300);
    EXPECT_EQ(child->PacketsPane().text(), "0 Packets, 0 Kb");
    QSignalSpy changes(child, &app::CChildFrame::StateChanged);
    for (int i = 0; i < 3; ++i) child->Poll();
    EXPECT_EQ(changes.count(), 0);
}

// A live window on an agent that could not deliver every frame (its queue of 50 overrun by
// a burst of 3000): the status bar says how many were lost.
TEST(Workbench, LiveWindowShowsTheFramesTheAgentCouldNotDeliver) {
    agentd::DaemonOptions options;
    options.epmPort = 0;
    agentd::AgentConfig config;
    config.sources = [](const capture::CPktSnapConf&) {
        return core::Result<std::unique_ptr<agentd::FrameSource>>(
            std::make_unique<agentd::test::ListSource>(agentd::test::NumberedFrames(3000), false));
    };
    config.engineLimits.maxFrames = 50;
    auto daemon = agentd::AgentDaemon::Start(options, std::move(config));
    ASSERT_TRUE(daemon) << daemon.Err().text;
    testutil::Workbench w;
    ASSERT_TRUE(w.app.OpenLiveCapture("127.0.0.1", *daemon.Value()->EpmPort(), support::TempPath("lossy.tns")));
    app::CChildFrame* child = w.Frame().ActiveChild();
    ASSERT_NE(child, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return child->View().FrameCount() == 50; }, 30000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return child->PacketsPane().text().endsWith(" Kb, 2950 lost"); }, 30000))
        << child->PacketsPane().text().toStdString();
    EXPECT_TRUE(child->PacketsPane().text().startsWith("50 Packets, "));
    support::Screenshot(w.Frame(), "live-window-lost-frames");
}

}  // namespace
