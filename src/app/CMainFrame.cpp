// Main window. Every command is one row of kCommands: its id, menu text, keys, and prompt
// (the status-bar text before the line feed, the tool tip after it).
#include "app/CMainFrame.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QApplication>
#include <QMimeData>
#include <QStatusBar>
#include <QStyle>
#include <QWhatsThis>
#include <algorithm>

#include "app/AboutBox.h"
#include "app/HelpTopics.h"
#include "app/StatisticsWindows.h"
#include "app/WhatsThisTexts.h"
#include "packetlist/NavCommand.h"
#include "views/BytesPaneSwitch.h"
#include "views/CommandIds.h"

namespace app {

namespace {

using packetlist::NavCommand;
using views::CommandId;

struct CommandRow {
    std::uint32_t id;
    const char* text;  // menu text, or the tool button's name for bar-only commands
    const char* prompt;
    const char* keys;  // QKeySequence text, several separated by "; "
    QStyle::StandardPixmap icon;
    bool checkable;
};

constexpr std::uint32_t Id(CommandId id) { return static_cast<std::uint32_t>(id); }
constexpr std::uint32_t Id(NavCommand id) { return static_cast<std::uint32_t>(id); }
constexpr QStyle::StandardPixmap kNoIcon = QStyle::SP_CustomBase;

const CommandRow kCommands[] = {
    {Id(CommandId::FileNew), "&New", "Starts a new session with remote agent\nStart new session", "Ctrl+N",
     QStyle::SP_FileIcon, false},
    {Id(CommandId::FileOpen), "&Open", "Open an existing trace file\nOpen", "Ctrl+O", QStyle::SP_DialogOpenButton,
     false},
    {Id(CommandId::FileServices), "&Services", "Services control panel\nServices panel", "Ctrl+S",
     QStyle::SP_ComputerIcon, false},
    {Id(CommandId::AppExit), "E&xit", "Quit the application\nExit", "", kNoIcon, false},
    {Id(CommandId::ViewToolbar), "&Toolbar", "Show or hide the toolbar\nToggle ToolBar", "", kNoIcon, true},
    {Id(CommandId::ViewNavigationBar), "&Navigation Bar", "Show or hide the navigation bar\nToggle Navigation Bar", "",
     kNoIcon, true},
    {Id(CommandId::ViewStatusBar), "&Status Bar", "Show or hide the status bar\nToggle StatusBar", "", kNoIcon, true},
    {Id(CommandId::ViewBytesPane), "&Bytes Pane", "Show or hide the bytes of the selected frame\nToggle Bytes Pane", "",
     kNoIcon, true},
    {Id(CommandId::StatsProtocols), "&Protocol Hierarchy",
     "Show every layer path of the active capture with its frames and bytes\nProtocol Hierarchy", "", kNoIcon, false},
    {Id(CommandId::StatsConversations), "&Conversations",
     "Show who talks to whom in the active capture, frames and bytes each way\nConversations", "", kNoIcon, false},
    {Id(CommandId::StatsEndpoints), "&Endpoints",
     "Show every station of the active capture with what it sent and received\nEndpoints", "", kNoIcon, false},
    {Id(CommandId::StatsIoGraph), "&I/O Graph", "Show frames and bytes per second over the active capture\nI/O Graph",
     "", kNoIcon, false},
    {Id(CommandId::WindowCascade), "&Cascade", "Arrange windows so they overlap\nCascade Windows", "", kNoIcon, false},
    {Id(CommandId::WindowTile), "&Tile", "Arrange windows as non-overlapping tiles\nTile Windows", "", kNoIcon, false},
    {Id(CommandId::WindowArrange), "&Arrange Icons", "Arrange icons at the bottom of the window\nArrange Icons", "",
     kNoIcon, false},
    {Id(CommandId::HelpTopics), "&Help topics", "List Help topics\nHelp Topics", "F1", kNoIcon, false},
    {Id(CommandId::ContextHelp), "Context Help", "Display help for clicked on buttons, menus and windows\nHelp",
     "Shift+F1", QStyle::SP_DialogHelpButton, false},
    {Id(CommandId::AppAbout), "&About Palomet", "Display program information and version number\nAbout", "",
     QStyle::SP_MessageBoxInformation, false},
    {Id(CommandId::EditCopy), "Copy", "Copy the selection to the clipboard\nCopy", "Ctrl+C; Ctrl+Ins", kNoIcon, false},
    {Id(CommandId::EditFind), "&Find...", "Find a packet holding a text\nFind", "Ctrl+F", kNoIcon, false},
    {Id(CommandId::EditFindNext), "Find &Next", "Find the next packet holding the text\nFind Next", "F3", kNoIcon,
     false},
    {Id(CommandId::EditFindPrevious), "Find &Previous", "Find the previous packet holding the text\nFind Previous",
     "Shift+F3", kNoIcon, false},
    {Id(CommandId::NextPane), "Next Pane", "Switch to the next window pane\nNext Pane", "F6", kNoIcon, false},
    {Id(CommandId::PreviousPane), "Previous Pane", "Switch back to the previous window pane\nPrevious Pane", "Shift+F6",
     kNoIcon, false},
    {Id(NavCommand::GoToBeginning), "Go to beginning", "Go to the beginning of tracefile\nGo to beginning", "",
     QStyle::SP_MediaSkipBackward, false},
    {Id(NavCommand::PreviousScreen), "Previous screen", "Go to the previous screen\nPrevious screen", "",
     QStyle::SP_MediaSeekBackward, false},
    {Id(NavCommand::PreviousPacket), "Previous packet", "Go to the previous packet\nPrevious packet", "",
     QStyle::SP_ArrowUp, false},
    {Id(NavCommand::NextPacket), "Next packet", "Go to the next packet\nNext packet", "", QStyle::SP_ArrowDown, false},
    {Id(NavCommand::NextScreen), "Next screen", "Go to the next screen\nNext screen", "", QStyle::SP_MediaSeekForward,
     false},
    {Id(NavCommand::GoToEnd), "Go to end", "Go to the end of tracefile\nGo to end", "", QStyle::SP_MediaSkipForward,
     false},
    {Id(NavCommand::GotoPacket), "Goto packet", "Go to specified packet\nGoto packet", "", QStyle::SP_ArrowRight,
     false},
    {Id(NavCommand::PauseContinue), "Pause/Continue", "Pause/continue packet gathering\nPause/Continue", "",
     QStyle::SP_MediaPause, true},
};

constexpr CommandId kStatsCommands[] = {CommandId::StatsProtocols, CommandId::StatsConversations,
                                       CommandId::StatsEndpoints, CommandId::StatsIoGraph};

constexpr NavCommand kNavCommands[] = {
    NavCommand::GoToBeginning, NavCommand::PreviousScreen, NavCommand::PreviousPacket, NavCommand::NextPacket,
    NavCommand::NextScreen,    NavCommand::GoToEnd,        NavCommand::GotoPacket,     NavCommand::PauseContinue};

}  // namespace

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent), m_mdi(new QMdiArea(this)) {
    setWindowTitle(QStringLiteral("Palomet Manager"));
    setWindowIcon(ApplicationIcon());
    setAcceptDrops(true);
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setWhatsThis(ControlWhatsThis(Control::Windows));
    setCentralWidget(m_mdi);
    MakeActions();
    MakeToolBars();
    MakeMenus();
    ConnectCommands();
    // The message pane only: the keyboard lock indicators have no portable source.
    statusBar()->showMessage(tr("Ready"));
    UpdateCommandStates();
}

CMainFrame::~CMainFrame() {
    // Closed windows still waiting for their deletion go too: their notifications must not
    // reach a frame that is no longer one.
    for (QMdiSubWindow* sub : m_mdi->findChildren<QMdiSubWindow*>()) delete sub;
}

QAction* CMainFrame::Action(std::uint32_t id) const {
    const auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}

void CMainFrame::MakeActions() {
    for (const CommandRow& row : kCommands) {
        auto* action = new QAction(tr(row.text), this);
        action->setData(row.id);
        action->setObjectName(QStringLiteral("command%1").arg(row.id));
        const QString prompt = QString::fromLatin1(row.prompt);
        action->setStatusTip(prompt.section(QLatin1Char('\n'), 0, 0));
        action->setToolTip(prompt.section(QLatin1Char('\n'), 1));
        action->setWhatsThis(CommandWhatsThis(row.id));
        if (*row.keys != '\0') {
            action->setShortcuts(QKeySequence::listFromString(QString::fromLatin1(row.keys)));
            action->setShortcutContext(Qt::WindowShortcut);
        }
        if (row.icon != kNoIcon) action->setIcon(style()->standardIcon(row.icon));
        action->setCheckable(row.checkable);
        addAction(action);  // keys work whether or not the action is in a menu or bar
        m_actions[row.id] = action;
    }
}

void CMainFrame::MakeToolBars() {
    m_mainBar = addToolBar(tr("Toolbar"));
    m_mainBar->setObjectName(QStringLiteral("MainToolBar"));
    m_mainBar->setIconSize(QSize(32, 32));
    for (CommandId id : {CommandId::FileNew, CommandId::FileOpen, CommandId::FileServices})
        m_mainBar->addAction(Action(Id(id)));
    m_mainBar->addSeparator();
    m_mainBar->addAction(Action(Id(CommandId::AppAbout)));
    m_mainBar->addAction(Action(Id(CommandId::ContextHelp)));

    // On the same row, directly right of the main tool bar.
    m_navBar = new CNavigationBar([this](std::uint32_t id) { return Action(id); }, this);
    m_navBar->setIconSize(QSize(32, 32));
    addToolBar(Qt::TopToolBarArea, m_navBar);
}

void CMainFrame::MakeMenus() {
    QMenu* file = m_fileMenu = menuBar()->addMenu(tr("&File"));
    file->addAction(Action(Id(CommandId::FileNew)));
    file->addAction(Action(Id(CommandId::FileOpen)));
    file->addAction(Action(Id(CommandId::FileServices)));
    file->addSeparator();
    file->addAction(Action(Id(CommandId::AppExit)));

    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    edit->addAction(Action(Id(CommandId::EditCopy)));
    edit->addSeparator();
    for (CommandId id : {CommandId::EditFind, CommandId::EditFindNext, CommandId::EditFindPrevious})
        edit->addAction(Action(Id(id)));

    QMenu* view = menuBar()->addMenu(tr("&View"));
    view->addAction(Action(Id(CommandId::ViewToolbar)));
    view->addAction(Action(Id(CommandId::ViewNavigationBar)));
    view->addAction(Action(Id(CommandId::ViewStatusBar)));
    view->addAction(Action(Id(CommandId::ViewBytesPane)));

    // The document menu's Window menu: only while a capture window is open.
    QMenu* statistics = menuBar()->addMenu(tr("&Statistics"));
    for (const CommandId id : kStatsCommands) statistics->addAction(Action(Id(id)));

    m_windowMenu = menuBar()->addMenu(tr("&Window"));
    m_windowMenu->addAction(Action(Id(CommandId::WindowCascade)));
    m_windowMenu->addAction(Action(Id(CommandId::WindowTile)));
    m_windowMenu->addAction(Action(Id(CommandId::WindowArrange)));

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    help->addAction(Action(Id(CommandId::HelpTopics)));
    help->addSeparator();
    help->addAction(Action(Id(CommandId::AppAbout)));
}

void CMainFrame::ConnectCommands() {
    const auto on = [this](auto id, auto slot) { connect(Action(Id(id)), &QAction::triggered, this, slot); };
    on(CommandId::FileNew, [this] { emit NewRequested(); });
    on(CommandId::FileOpen, [this] { emit OpenRequested(); });
    on(CommandId::FileServices, [this] { emit ServicesRequested(); });
    on(CommandId::AppAbout, [this] { emit AboutRequested(); });
    on(CommandId::AppExit, [this] { close(); });
    on(CommandId::HelpTopics, [this] { ShowHelpTopics(this); });
    on(CommandId::ContextHelp, [] { QWhatsThis::enterWhatsThisMode(); });
    on(CommandId::WindowCascade, [this] { m_mdi->cascadeSubWindows(); });
    on(CommandId::WindowTile, [this] { m_mdi->tileSubWindows(); });
    on(CommandId::WindowArrange, [this] {
        for (QMdiSubWindow* sub : m_mdi->subWindowList())
            if (sub->isMinimized()) sub->showMinimized();  // the area lines its icons up again
    });
    on(CommandId::EditCopy, [this] {
        if (CChildFrame* child = ActiveChild()) child->Copy();
    });
    on(CommandId::NextPane, [this] {
        if (CChildFrame* child = ActiveChild()) child->NextPane();
    });
    on(CommandId::PreviousPane, [this] {
        if (CChildFrame* child = ActiveChild()) child->NextPane();  // two panes: back is forth
    });

    // The bars' toggles are checked while the bar shows.
    const std::pair<CommandId, QWidget*> toggles[] = {{CommandId::ViewToolbar, m_mainBar},
                                                      {CommandId::ViewNavigationBar, m_navBar},
                                                      {CommandId::ViewStatusBar, statusBar()}};
    for (const auto& [id, bar] : toggles) {
        QAction* action = Action(Id(id));
        action->setChecked(true);
        connect(action, &QAction::toggled, bar, &QWidget::setVisible);
        if (auto* toolBar = qobject_cast<QToolBar*>(bar))
            connect(toolBar, &QToolBar::visibilityChanged, action, &QAction::setChecked);
    }

    // The bytes pane of every capture window follows one switch, remembered between sessions.
    QAction* bytesPane = Action(Id(CommandId::ViewBytesPane));
    views::BytesPaneSwitch& bytesSwitch = views::BytesPaneSwitch::Instance();
    bytesPane->setChecked(bytesSwitch.IsOn());
    connect(bytesPane, &QAction::toggled, &bytesSwitch, &views::BytesPaneSwitch::Set);
    connect(&bytesSwitch, &views::BytesPaneSwitch::Changed, bytesPane, &QAction::setChecked);

    for (NavCommand id : kNavCommands) {
        connect(Action(Id(id)), &QAction::triggered, this, [this, id] {
            if (CChildFrame* child = ActiveChild()) child->Run(id, m_navBar->PacketField().text());
            UpdateCommandStates();
        });
    }
    for (const CommandId id : kStatsCommands) {
        on(id, [this, id] {
            if (CChildFrame* child = ActiveChild()) OpenStatistics(*child, id);
        });
    }
    connect(m_navBar, &CNavigationBar::LevelChosen, this, [this](std::uint32_t level) {
        if (CChildFrame* child = ActiveChild()) child->SetSummaryLevel(level);
    });
    connect(m_mdi, &QMdiArea::subWindowActivated, this, [this] { OnChildActivated(); });
    connect(m_navBar, &CNavigationBar::FilterEntered, this, &CMainFrame::ApplyFilter);
    on(CommandId::EditFind, [this] {
        FindDialog& finder = Finder();
        finder.show();
        finder.raise();
        finder.activateWindow();
        finder.TextField().selectAll();
        finder.TextField().setFocus();
    });
    on(CommandId::EditFindNext, [this] { FindAgain(true); });
    on(CommandId::EditFindPrevious, [this] { FindAgain(false); });
}

void CMainFrame::ApplyFilter(const QString& expression) {
    CChildFrame* child = ActiveChild();
    if (child == nullptr) return;
    if (auto st = child->ApplyFilter(expression); !st) {
        const QString message = QString::fromStdString(st.Err().text);
        m_navBar->ShowFilterError(message);
        statusBar()->showMessage(message);
        return;
    }
    m_navBar->ShowFilterError(QString());
    statusBar()->showMessage(expression.isEmpty() ? tr("Filter cleared") : tr("Filter: %1").arg(expression));
    if (!expression.isEmpty()) emit FilterApplied(expression);
    UpdateCommandStates();
}

FindDialog& CMainFrame::Finder() {
    if (m_finder == nullptr) {
        m_finder = new FindDialog(this);
        connect(m_finder, &FindDialog::FindRequested, this, &CMainFrame::RunFind);
        connect(m_finder, &FindDialog::StopRequested, this, [this] {
            if (m_finding) m_finding->StopFind();
        });
    }
    return *m_finder;
}

void CMainFrame::RunFind(const FindRequest& request) {
    m_lastFind = request;
    CChildFrame* child = ActiveChild();
    if (child == nullptr || request.text.isEmpty()) return;
    if (auto st = child->Find(request.text, request.where, request.forward, request.matchCase); !st) {
        statusBar()->showMessage(QString::fromStdString(st.Err().text));
        return;
    }
    // The dialog follows one search: one in another window ends when this one starts.
    if (m_finding && m_finding != child) m_finding->StopFind();
    m_finding = child;
    Finder().Searching(true);
    statusBar()->showMessage(tr("Searching for \"%1\"...").arg(request.text));
}

void CMainFrame::SearchOver(const CChildFrame* child) {
    if (child != m_finding) return;
    m_finding = nullptr;
    if (m_finder != nullptr) m_finder->Searching(false);
}

void CMainFrame::FindAgain(bool forward) {
    if (!m_lastFind) {
        Action(Id(CommandId::EditFind))->trigger();
        return;
    }
    FindRequest request = *m_lastFind;
    request.forward = forward;
    RunFind(request);
}

void CMainFrame::AddChild(CChildFrame* child) {
    QMdiSubWindow* sub = m_mdi->addSubWindow(child);
    sub->setWindowIcon(ApplicationIcon());
    // Large enough to read a screen of rows and a frame's details, within the area.
    const QSize area = m_mdi->viewport()->size();
    sub->resize(std::max(720, area.width() * 9 / 10), std::max(520, area.height() * 9 / 10));
    connect(child, &CChildFrame::StateChanged, this, [this, child] {
        if (child == ActiveChild()) UpdateCommandStates();
    });
    connect(child, &CChildFrame::PauseButtonState, this, [this, child](bool pressed) {
        if (child == ActiveChild()) Action(Id(NavCommand::PauseContinue))->setChecked(pressed);
    });
    connect(child, &CChildFrame::FindEnded, this, [this, child](const QString& notFound) {
        statusBar()->showMessage(notFound.isEmpty() ? tr("Found") : notFound);
        SearchOver(child);
    });
    connect(child, &CChildFrame::FindProgress, this, [this, child](int percent) {
        if (child == m_finding && m_finder != nullptr) m_finder->SetProgress(percent);
    });
    connect(child, &QObject::destroyed, this, [this, child] { SearchOver(child); });
    connect(child, &QObject::destroyed, this, [this] { UpdateCommandStates(); });
    sub->show();
    m_mdi->setActiveSubWindow(sub);
    child->setFocus();
    UpdateCommandStates();
}

CChildFrame* CMainFrame::ActiveChild() const {
    QMdiSubWindow* sub = m_mdi->activeSubWindow();
    return sub != nullptr ? qobject_cast<CChildFrame*>(sub->widget()) : nullptr;
}

std::vector<CChildFrame*> CMainFrame::Children() const {
    std::vector<CChildFrame*> children;
    for (QMdiSubWindow* sub : m_mdi->subWindowList())
        if (auto* child = qobject_cast<CChildFrame*>(sub->widget())) children.push_back(child);
    return children;
}

void CMainFrame::OnChildActivated() {
    CChildFrame* child = ActiveChild();
    // The level box shows the level of the window that has the focus.
    if (child != nullptr) m_navBar->SelectLevel(child->View().SummaryLevel());
    // The filter field shows the window's own expression.
    m_navBar->ShowFilter(child != nullptr ? QString::fromStdString(child->View().FilterExpression()) : QString());
    setWindowTitle(child != nullptr ? QStringLiteral("Palomet Manager - ") + child->windowTitle()
                                    : QStringLiteral("Palomet Manager"));
    UpdateCommandStates();
}

void CMainFrame::UpdateCommandStates() {
    CChildFrame* child = ActiveChild();
    for (NavCommand id : kNavCommands) {
        QAction* action = Action(Id(id));
        action->setEnabled(child != nullptr && child->View().IsEnabled(id));
        if (action->isCheckable()) action->setChecked(child != nullptr && child->View().IsPressed(id));
    }
    m_navBar->LevelBox().setEnabled(child != nullptr);
    m_navBar->FilterBox().setEnabled(child != nullptr);
    for (CommandId id : {CommandId::EditFind, CommandId::EditFindNext, CommandId::EditFindPrevious})
        Action(Id(id))->setEnabled(child != nullptr);
    for (const CommandId id : kStatsCommands) Action(Id(id))->setEnabled(child != nullptr);
    m_windowMenu->menuAction()->setVisible(!m_mdi->subWindowList().isEmpty());
}

void CMainFrame::RestoreBars(const QByteArray& state) {
    if (!restoreState(state)) return;
    // A bar hidden before the window shows says nothing to its toggle.
    Action(Id(CommandId::ViewToolbar))->setChecked(!m_mainBar->isHidden());
    Action(Id(CommandId::ViewNavigationBar))->setChecked(!m_navBar->isHidden());
}

void CMainFrame::SetRecentFiles(const QStringList& paths) {
    qDeleteAll(m_recentActions);
    m_recentActions.clear();
    if (paths.isEmpty()) return;
    QAction* exit = Action(Id(CommandId::AppExit));
    for (int i = 0; i < paths.size(); ++i) {
        const QString path = paths[i];
        auto* entry = new QAction(QStringLiteral("&%1 %2").arg(i + 1).arg(path), m_fileMenu);
        entry->setStatusTip(tr("Open this document"));
        entry->setWhatsThis(tr("<b>Recent file</b><p>Opens %1 again. A file that no longer exists is taken off the "
                               "list.</p>")
                                .arg(path.toHtmlEscaped()));
        connect(entry, &QAction::triggered, this, [this, path] { emit RecentFileChosen(path); });
        m_fileMenu->insertAction(exit, entry);
        m_recentActions << entry;
    }
    m_recentActions << m_fileMenu->insertSeparator(exit);
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile()) paths << url.toLocalFile();
    if (paths.isEmpty()) return;
    event->acceptProposedAction();
    activateWindow();
    emit FilesDropped(paths);
}

}  // namespace app
