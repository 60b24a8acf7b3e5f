// The detail pane's commands as the user gives them (its context menus, Ctrl+C, F6), and the
// level box following the active window.
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include "app/WorkbenchTestUtil.h"
#include "capture/TraceTestUtil.h"
#include "decode/ProtoCode.h"
#include "views/CommandIds.h"

namespace {

using views::CommandId;

struct MenuEntry {
    std::uint32_t id;
    bool enabled;
    bool operator==(const MenuEntry&) const = default;
};

// Opens widget's context menu, notes its entries and triggers the one of command `run` (none: 0).
std::vector<MenuEntry> RunContextMenu(QWidget& widget, CommandId run = CommandId{}) {
    std::vector<MenuEntry> entries;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr) return;
        QAction* chosen = nullptr;
        for (QAction* a : menu->actions()) {
            if (a->isSeparator()) continue;
            entries.push_back({a->data().toUInt(), a->isEnabled()});
            if (a->data().toUInt() == static_cast<std::uint32_t>(run)) chosen = a;
        }
        menu->close();
        if (chosen != nullptr) chosen->trigger();
    });
    QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(10, 10), widget.mapToGlobal(QPoint(10, 10)));
    QApplication::sendEvent(&widget, &event);
    QApplication::processEvents();
    return entries;
}

constexpr std::uint32_t Id(CommandId id) { return static_cast<std::uint32_t>(id); }

struct Opened {
    testutil::Workbench w{{testutil::kSample}};
    app::CChildFrame* child = nullptr;
    Opened() {
        child = w.Frame().ActiveChild();
        EXPECT_NE(child, nullptr);
        EXPECT_TRUE(QTest::qWaitFor([&] { return child != nullptr && !child->View().Loading(); }, 30000));
        w.Frame().activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&w.Frame()));
    }
};

// Expand All opens every line; Collapse All closes the layers, and each line below keeps
// its state for when its layer opens again.
TEST(DetailCommands, ExpandAllAndCollapseAllKeepTheLinesBelow) {
    Opened o;
    views::CKestroTreeDetailsView& tree = o.child->Details().Tree();
    const views::DetailTreeModel& lines = tree.Lines();
    ASSERT_GT(lines.rowCount(), 2);
    EXPECT_EQ(RunContextMenu(tree, CommandId::ExpandAll),
              (std::vector<MenuEntry>{{Id(CommandId::SwitchDetailView), true},
                                      {Id(CommandId::ExpandAll), true},
                                      {Id(CommandId::CollapseAll), true},
                                      {Id(CommandId::ViewBytesPane), true}}));
    // A line with lines of its own, below a layer.
    QModelIndex nested;
    std::function<void(const QModelIndex&)> visit = [&](const QModelIndex& parent) {
        for (int r = 0; r < lines.rowCount(parent); ++r) {
            const QModelIndex index = lines.index(r, 0, parent);
            if (lines.rowCount(index) == 0) continue;
            EXPECT_TRUE(tree.isExpanded(index)) << index.data().toString().toStdString();
            if (parent.isValid() && !nested.isValid()) nested = index;
            visit(index);
        }
    };
    visit({});
    ASSERT_TRUE(nested.isValid()) << "the sample's frames have nested lines";
    tree.collapse(nested);

    RunContextMenu(tree, CommandId::CollapseAll);
    for (int r = 0; r < lines.rowCount(); ++r) EXPECT_FALSE(tree.isExpanded(lines.index(r, 0))) << r;
    QModelIndex layer = nested;
    while (layer.parent().isValid()) layer = layer.parent();
    tree.expand(layer);
    EXPECT_FALSE(tree.isExpanded(nested)) << "collapsed by the user before";
    for (int r = 0; r < lines.rowCount(layer); ++r) {
        const QModelIndex index = lines.index(r, 0, layer);
        if (lines.rowCount(index) > 0 && index != nested && index != nested.parent()) {
            EXPECT_TRUE(tree.isExpanded(index)) << "kept open: " << index.data().toString().toStdString();
        }
    }
}

// The text's menu: Copy Selection only with a selection; Select All, then Copy Selection
// puts the whole text on the clipboard.
TEST(DetailCommands, TheTextsMenuSelectsAndCopies) {
    Opened o;
    o.child->Details().SwitchKind();
    views::CKestroDetailsView& text = o.child->Details().Text();
    QApplication::clipboard()->clear();
    EXPECT_EQ(RunContextMenu(text, CommandId::SelectAll),
              (std::vector<MenuEntry>{{Id(CommandId::SwitchDetailView), true},
                                      {Id(CommandId::CopySelection), false},
                                      {Id(CommandId::SelectAll), true},
                                      {Id(CommandId::ViewBytesPane), true}}));
    EXPECT_EQ(text.textCursor().selectedText().size(), text.toPlainText().size());
    const auto entries = RunContextMenu(text, CommandId::CopySelection);
    ASSERT_EQ(entries.size(), 4U);
    EXPECT_TRUE(entries[1].enabled);
    EXPECT_EQ(QApplication::clipboard()->text(), text.toPlainText());
    RunContextMenu(text, CommandId::SwitchDetailView);
    EXPECT_TRUE(o.child->Details().TreeShown());
}

// Ctrl+C copies from the pane with the focus; F6 and Shift+F6 move the focus between them.
TEST(DetailCommands, CopyAndNextPaneFollowTheFocus) {
    Opened o;
    app::CMainFrame& f = o.w.Frame();
    views::PacketListView& list = o.child->List();
    views::CKestroTreeDetailsView& tree = o.child->Details().Tree();
    list.setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return list.hasFocus(); }, 5000));
    o.child->View().Select(3);
    QTest::keyClick(&f, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), list.SelectedRowText());
    EXPECT_TRUE(list.SelectedRowText().startsWith(QStringLiteral("3\t")));

    QTest::keyClick(&f, Qt::Key_F6);
    EXPECT_TRUE(tree.hasFocus());
    tree.setCurrentIndex(tree.Lines().index(1, 0));
    QTest::keyClick(&f, Qt::Key_Insert, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), tree.Lines().index(1, 0).data().toString());
    QTest::keyClick(&f, Qt::Key_F6, Qt::ShiftModifier);
    EXPECT_TRUE(list.hasFocus());
}

// The level box shows the level of whichever window is active.
TEST(DetailCommands, TheLevelBoxFollowsTheActiveWindow) {
    const QString other = QString::fromStdString(testutil::WriteTrace("other.tns", {5}));
    testutil::Workbench w({testutil::kSample, other});
    app::CMainFrame& f = w.Frame();
    const auto windows = f.MdiArea().subWindowList();
    ASSERT_EQ(windows.size(), 2);
    f.MdiArea().setActiveSubWindow(windows[0]);
    QComboBox& levels = f.NavigationBar().LevelBox();
    levels.setCurrentIndex(0);
    emit levels.activated(0);
    EXPECT_EQ(f.ActiveChild()->View().SummaryLevel(), decode::LEVEL_DATALINK);
    for (int i : {1, 0, 1}) {
        f.MdiArea().setActiveSubWindow(windows[i]);
        EXPECT_EQ(f.NavigationBar().SelectedLevel(), i == 0 ? decode::LEVEL_DATALINK : decode::LEVEL_APPLICATION) << i;
    }
    f.MdiArea().closeAllSubWindows();
    EXPECT_FALSE(levels.isEnabled());
}

}  // namespace
