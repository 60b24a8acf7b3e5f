// The application: makes the main window, keeps what all capture windows share (the
// open-trace list, the agent bindings, the service check), and turns every way of opening a
// trace file (command line, File > Open, dropped files) and every live capture into one
// operation, OpenTraceFile.
#pragma once

#include <QObject>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/CMainFrame.h"
#include "app/WorkbenchSettings.h"
#include "core/UserPrompt.h"
#include "profiles/CSessionProfile.h"
#include "services/AgentServiceCheck.h"
#include "session/AgentBindingTable.h"
#include "session/DocumentContext.h"
#include "session/OpenTraceList.h"

namespace app {

class CKestroApp : public QObject {
    Q_OBJECT
public:
    // Messages and the wait cursor go through prompt and wait (the workbench's message boxes,
    // or a recording in tests); what the workbench remembers is kept in the registry at
    // registryPath (empty: the process's registry).
    CKestroApp(core::UserPrompt& prompt, core::WaitCursor& wait, const std::string& registryPath = {});
    ~CKestroApp() override;

    // Makes and shows the main window as it was left, then opens each trace file named, in
    // order.
    void InitInstance(const QStringList& traceFiles);
    // Keeps the main window's geometry and bars and the active window's layout (also done
    // when the application object goes).
    void SaveSettings();
    CMainFrame& MainFrame() noexcept { return *m_mainFrame; }

    // Opens a window on the profile; false when nothing opened (the user was told why).
    bool OpenTraceFile(std::unique_ptr<profiles::CSessionProfile> profile);
    // A saved trace file by path.
    bool OpenSavedTrace(const QString& path);
    // A live capture from the agent on host (its endpoint mapper on epmPort, 0: the default)
    // into traceFile.
    bool OpenLiveCapture(const std::string& host, std::uint16_t epmPort, const std::string& traceFile);

    // File > New: a live capture on the profile the Session Profiles dialog hands back.
    void OnFileNew();
    // File > Services: the services dialog on the host shown last.
    void OnFileServices();
    void OnFileOpen();
    void OnAppAbout();
    // A Recent Files entry: opened again, or, when the file no longer exists, taken off the
    // list with a message.
    void OnRecentFile(const QString& path);

    // Runs the services dialog modally on a host (empty: the one shown last) with a service
    // selected: File > Services, and OK to "Agent is not running. Do you want to start it?".
    // The process's service administration by default; tests put a recording in its place.
    std::function<void(const std::string& host, std::string_view service)> servicesDialog;
    // Runs the Session Profiles dialog modally: the chosen profile, or null on Cancel. The
    // process's settings store by default; tests put a stand-in in its place.
    std::function<std::unique_ptr<profiles::CSessionProfile>()> sessionProfilesDialog;

private:
    void ShowRecentFiles();
    void ShowRecentFilters();
    void KeepLayout(const CChildFrame& child);

    core::UserPrompt& m_prompt;
    WorkbenchSettings m_settings;
    std::optional<WindowLayout> m_layout;  // the layout a new window gets
    QTimer m_layoutSave;                   // writes m_layout a moment after the user's last change
    session::AgentBindingTable m_bindings;
    session::OpenTraceList m_openTraces;
    // Whether the agent's service exists and runs, where the host's service manager knows it.
    std::unique_ptr<services::AgentServiceCheck> m_serviceCheck;
    session::DocumentContext m_context;
    std::unique_ptr<CMainFrame> m_mainFrame;
};

}  // namespace app
