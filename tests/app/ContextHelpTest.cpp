// Context help in the workbench: every command and every control of the main window, the
// navigation bar and a capture window has its What's-This text, and a click in What's-This
// mode shows it.
#include <QMdiSubWindow>
#include <QTest>
#include <QWhatsThis>

#include "app/WorkbenchTestUtil.h"
#include "support/ContextHelp.h"
#include "views/CommandIds.h"

namespace {

TEST(WorkbenchContextHelp, EveryCommandAndControlHasItsText) {
    testutil::Workbench w({testutil::kSample});
    app::CMainFrame& f = w.Frame();
    for (const auto& [id, action] : f.Actions()) EXPECT_FALSE(action->whatsThis().isEmpty()) << id;
    EXPECT_EQ(support::ControlsWithoutWhatsThis(f, &f.MdiArea()), QStringList{});
    EXPECT_FALSE(f.MdiArea().whatsThis().isEmpty());
    app::CChildFrame* child = f.ActiveChild();
    ASSERT_NE(child, nullptr);
    for (bool tree : {true, false}) {
        if (!tree) child->Details().SwitchKind();
        EXPECT_EQ(support::ControlsWithoutWhatsThis(*child), QStringList{}) << (tree ? "tree" : "text");
    }
}

// Shift+F1 (or the "?" button), then a click on the packet list: its text pops up.
TEST(WorkbenchContextHelp, AClickInWhatsThisModeShowsTheControlsText) {
    testutil::Workbench w({testutil::kSample});
    app::CMainFrame& f = w.Frame();
    app::CChildFrame* child = f.ActiveChild();
    ASSERT_NE(child, nullptr);
    QAction* contextHelp = f.Action(static_cast<std::uint32_t>(views::CommandId::ContextHelp));
    EXPECT_EQ(contextHelp->shortcut(), QKeySequence(QStringLiteral("Shift+F1")));
    contextHelp->trigger();
    ASSERT_TRUE(QWhatsThis::inWhatsThisMode());
    QWidget* target = child->List().viewport();
    QTest::mouseClick(target, Qt::LeftButton, {}, QPoint(40, 40));
    QWidget* popup = nullptr;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            for (QWidget* top : QApplication::topLevelWidgets())
                if (top->inherits("QWhatsThat") && top->isVisible()) popup = top;
            return popup != nullptr;
        },
        5000));
    EXPECT_FALSE(QWhatsThis::inWhatsThisMode());
    support::Screenshot(*popup, "whats-this-popup");
    QWhatsThis::hideText();
}

}  // namespace
