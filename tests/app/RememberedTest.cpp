// What the workbench remembers from one run to the next (two application objects on one
// registry): the main window, the layout a capture window was left in, and Recent Files.
#include <QHeaderView>
#include <QMenuBar>
#include <QSplitter>
#include <filesystem>

#include "app/WorkbenchTestUtil.h"
#include "capture/TraceTestUtil.h"
#include "decode/ProtoCode.h"
#include "views/CommandIds.h"

namespace {

using views::PacketTableModel;

TEST(WorkbenchRemembers, TheNextRunLooksAsTheLastWasLeft) {
    QList<int> widths;
    QList<int> splitter;
    int points = 0;
    {
        testutil::Workbench w({testutil::kSample});
        app::CMainFrame& f = w.Frame();
        f.resize(1010, 690);
        f.Action(static_cast<std::uint32_t>(views::CommandId::ViewNavigationBar))->trigger();  // hidden
        app::CChildFrame* child = f.ActiveChild();
        ASSERT_NE(child, nullptr);
        child->List().horizontalHeader()->resizeSection(PacketTableModel::kDestination, 222);
        QComboBox& levels = f.NavigationBar().LevelBox();
        levels.setCurrentIndex(1);
        emit levels.activated(1);
        child->Details().SwitchKind();
        points = child->Details().Bytes().PointSize() + 3;
        child->Details().Bytes().ZoomBy(3);
        auto* split = child->findChild<QSplitter*>();
        ASSERT_NE(split, nullptr);
        split->setSizes({200, 300});
        widths = child->List().ColumnWidths();
        splitter = split->sizes();
    }
    testutil::Workbench w({testutil::kSample});
    app::CMainFrame& f = w.Frame();
    EXPECT_EQ(f.size(), QSize(1010, 690));
    EXPECT_FALSE(f.NavigationBar().isVisibleTo(&f));
    EXPECT_FALSE(f.Action(static_cast<std::uint32_t>(views::CommandId::ViewNavigationBar))->isChecked());
    app::CChildFrame* child = f.ActiveChild();
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child->List().ColumnWidths(), widths);
    EXPECT_EQ(child->List().ColumnWidths()[PacketTableModel::kDestination], 222);
    EXPECT_EQ(child->View().SummaryLevel(), decode::LEVEL_NETWORK);
    EXPECT_EQ(f.NavigationBar().SelectedLevel(), decode::LEVEL_NETWORK) << "the box follows the window";
    EXPECT_FALSE(child->Details().TreeShown());
    EXPECT_EQ(child->Details().Bytes().PointSize(), points);
    // The window is smaller this time: the list keeps its height, the details take the rest.
    EXPECT_EQ(child->findChild<QSplitter*>()->sizes()[0], splitter[0]);
}

// Newest first, each once; a file that is gone is dropped with a message when chosen.
TEST(WorkbenchRemembers, RecentFilesListOpenedTracesAndDropThoseThatAreGone) {
    const QString a = QString::fromStdString(testutil::WriteTrace("a.tns", {3}));
    const QString b = QString::fromStdString(testutil::WriteTrace("b.tns", {4}));
    const auto entries = [](app::CMainFrame& f) {
        QStringList texts;
        for (QAction* action : f.RecentFileActions())
            if (!action->isSeparator()) texts << action->text();
        return texts;
    };
    {
        testutil::Workbench w({a, b, a});  // the second a is refused: already open
        EXPECT_EQ(entries(w.Frame()), (QStringList{"&1 " + b, "&2 " + a}));
    }
    std::filesystem::remove(b.toStdString());
    testutil::Workbench w;
    app::CMainFrame& f = w.Frame();
    ASSERT_EQ(entries(f), (QStringList{"&1 " + b, "&2 " + a}));
    using enum views::CommandId;
    std::vector<std::uint32_t> file;
    for (QAction* action : f.menuBar()->actions()[0]->menu()->actions())
        file.push_back(action->isSeparator() ? 0 : action->data().toUInt());
    EXPECT_EQ(file.size(), 8U) << "New, Open, Services, separator, two files, separator, Exit";
    EXPECT_EQ(file.back(), static_cast<std::uint32_t>(AppExit));

    f.RecentFileActions()[0]->trigger();  // b, gone
    EXPECT_TRUE(f.Children().empty());
    ASSERT_EQ(w.prompt.Messages().size(), 1U);
    EXPECT_EQ(w.prompt.Messages()[0].text,
              "Tracefile " + b.toStdString() + "\n no longer exists; it is taken off the Recent Files list.");
    ASSERT_EQ(entries(f), (QStringList{"&1 " + a}));
    f.RecentFileActions()[0]->trigger();  // a
    ASSERT_EQ(f.Children().size(), 1U);
    EXPECT_EQ(f.Children()[0]->windowTitle(), a);
    EXPECT_EQ(entries(f), (QStringList{"&1 " + a}));
}

}  // namespace
