// The main window: menus, the main tool bar, the navigation bar, the status bar, and the
// capture windows in an MDI area. Commands of the capture windows go to the active one; the
// application's own commands (new, open, services, about, dropped files) are signals that
// CKestroApp answers.
#pragma once

#include <QMainWindow>
#include <QMdiArea>
#include <map>
#include <vector>

#include "app/CChildFrame.h"
#include "app/CNavigationBar.h"
#include "app/FindDialog.h"

namespace app {

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(QWidget* parent = nullptr);
    // Closes the capture windows first, while their notifications still find a main frame.
    ~CMainFrame() override;

    // The action of a command id (every menu item and tool button has one); nullptr if none.
    QAction* Action(std::uint32_t id) const;
    const std::map<std::uint32_t, QAction*>& Actions() const noexcept { return m_actions; }
    QMdiArea& MdiArea() noexcept { return *m_mdi; }
    QToolBar& MainToolBar() noexcept { return *m_mainBar; }
    CNavigationBar& NavigationBar() noexcept { return *m_navBar; }

    // Shows a new capture window.
    void AddChild(CChildFrame* child);
    CChildFrame* ActiveChild() const;
    std::vector<CChildFrame*> Children() const;

    // Enabled and checked states of the navigation commands, from the active window.
    void UpdateCommandStates();
    // The bars as QMainWindow::saveState left them, their View toggles checked to match.
    void RestoreBars(const QByteArray& state);
    // The Recent Files entries of the File menu, newest first, above Exit.
    void SetRecentFiles(const QStringList& paths);
    const QList<QAction*>& RecentFileActions() const noexcept { return m_recentActions; }

    // The filter field's expression on the active window: the field turns red with libpcap's
    // message when it is refused.
    void ApplyFilter(const QString& expression);
    // Edit > Find: the dialog (made on first use), and a search on the active window; F3 and
    // Shift+F3 repeat the last one forward and back.
    FindDialog& Finder();
    void RunFind(const FindRequest& request);

signals:
    void NewRequested();
    void OpenRequested();
    void ServicesRequested();
    void AboutRequested();
    void FilesDropped(const QStringList& paths);
    void RecentFileChosen(const QString& path);
    // A filter expression was applied: it goes to the top of the recent ones.
    void FilterApplied(const QString& expression);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void MakeActions();
    void MakeMenus();
    void MakeToolBars();
    void ConnectCommands();
    void OnChildActivated();
    void FindAgain(bool forward);
    // The search the dialog follows ended (or its window went): the dialog stops following.
    void SearchOver(const CChildFrame* child);

    QMdiArea* m_mdi;
    QToolBar* m_mainBar = nullptr;
    CNavigationBar* m_navBar = nullptr;
    QMenu* m_windowMenu = nullptr;
    QMenu* m_fileMenu = nullptr;
    QList<QAction*> m_recentActions;  // the entries and the separator below them
    std::map<std::uint32_t, QAction*> m_actions;
    FindDialog* m_finder = nullptr;
    CChildFrame* m_finding = nullptr;  // the window whose search the dialog shows
    std::optional<FindRequest> m_lastFind;
};

}  // namespace app
