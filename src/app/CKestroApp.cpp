// Application object.
#include "app/CKestroApp.h"

#include <QFileDialog>
#include <QFileInfo>
#include <utility>

#include "app/AboutBox.h"
#include "app/CaptureRelay.h"
#include "app/QtBlockLoader.h"
#include "profiles/ui/CSessionProfilesDlg.h"
#include "services/BrowserAgentCheck.h"
#include "services/ServicesContext.h"
#include "services/ui/CServicesDlg.h"
#include "session/TraceWindow.h"

namespace app {

CKestroApp::CKestroApp(core::UserPrompt& prompt, core::WaitCursor& wait, const std::string& registryPath)
    : m_prompt(prompt),
      m_settings(prompt, registryPath),
      m_layout(m_settings.Layout()),
      m_serviceCheck(services::MakeAgentServiceCheck(services::ProcessServices(), prompt)),
      m_context{m_bindings, m_openTraces, *m_serviceCheck, prompt, wait, {}} {
    servicesDialog = [this](const std::string& host, std::string_view service) {
        services::ui::ShowServicesDialog(m_mainFrame.get(), host, std::string(service));
    };
    sessionProfilesDialog = [this]() -> std::unique_ptr<profiles::CSessionProfile> {
        profiles::ui::CSessionProfilesDlg dialog(
            m_mainFrame.get(), [this](const std::string& path) { return m_openTraces.Contains(path); });
        if (dialog.exec() != QDialog::Accepted) return nullptr;
        return dialog.TakeChosenProfile();
    };
    m_context.runServicesDialog = [this](const std::string& host, std::string_view service) {
        if (servicesDialog) servicesDialog(host, service);
    };
    // A drag of a column's edge changes it many times a second: written once it rests.
    m_layoutSave.setSingleShot(true);
    m_layoutSave.setInterval(500);
    connect(&m_layoutSave, &QTimer::timeout, this, [this] {
        if (m_layout) m_settings.SetLayout(*m_layout);
    });
}

CKestroApp::~CKestroApp() {
    SaveSettings();
    // Capture windows close (their captures stopped) before the tables they borrow go.
    m_mainFrame.reset();
}

void CKestroApp::SaveSettings() {
    if (!m_mainFrame) return;
    m_settings.SetMain(m_mainFrame->saveGeometry(), m_mainFrame->saveState());
    if (const CChildFrame* child = m_mainFrame->ActiveChild()) KeepLayout(*child);
    m_layoutSave.stop();
    if (m_layout) m_settings.SetLayout(*m_layout);
}

void CKestroApp::KeepLayout(const CChildFrame& child) {
    m_layout = child.Layout();
    m_layoutSave.start();
}

void CKestroApp::ShowRecentFilters() {
    QStringList expressions;
    const settings::RecentFiles recent = m_settings.RecentFilters();
    for (const std::string& expression : recent.Paths())
        expressions << QString::fromStdString(expression);
    m_mainFrame->NavigationBar().SetRecentFilters(expressions);
}

void CKestroApp::ShowRecentFiles() {
    QStringList paths;
    const settings::RecentFiles recent = m_settings.Recent();
    for (const std::string& path : recent.Paths()) paths << QString::fromStdString(path);
    m_mainFrame->SetRecentFiles(paths);
}

void CKestroApp::OnRecentFile(const QString& path) {
    if (QFileInfo::exists(path)) {
        OpenSavedTrace(path);
        return;
    }
    settings::RecentFiles recent = m_settings.Recent();
    recent.Remove(path.toStdString());
    m_settings.SetRecent(std::move(recent));
    ShowRecentFiles();
    m_prompt.Tell("Tracefile " + path.toStdString() + "\n no longer exists; it is taken off the Recent Files list.",
                  core::PromptIcon::Exclamation);
}

void CKestroApp::InitInstance(const QStringList& traceFiles) {
    m_mainFrame = std::make_unique<CMainFrame>();
    connect(m_mainFrame.get(), &CMainFrame::NewRequested, this, &CKestroApp::OnFileNew);
    connect(m_mainFrame.get(), &CMainFrame::OpenRequested, this, &CKestroApp::OnFileOpen);
    connect(m_mainFrame.get(), &CMainFrame::ServicesRequested, this, &CKestroApp::OnFileServices);
    connect(m_mainFrame.get(), &CMainFrame::AboutRequested, this, &CKestroApp::OnAppAbout);
    connect(m_mainFrame.get(), &CMainFrame::FilesDropped, this, [this](const QStringList& paths) {
        for (const QString& path : paths) OpenSavedTrace(path);
    });
    connect(m_mainFrame.get(), &CMainFrame::RecentFileChosen, this, &CKestroApp::OnRecentFile);
    connect(m_mainFrame.get(), &CMainFrame::FilterApplied, this, [this](const QString& expression) {
        settings::RecentFiles recent = m_settings.RecentFilters();
        recent.Add(expression.toStdString());
        m_settings.SetRecentFilters(std::move(recent));
        ShowRecentFilters();
    });
    if (!m_mainFrame->restoreGeometry(m_settings.MainGeometry())) m_mainFrame->resize(1280, 860);
    m_mainFrame->RestoreBars(m_settings.MainState());
    ShowRecentFiles();
    ShowRecentFilters();
    m_mainFrame->show();
    for (const QString& path : traceFiles) OpenSavedTrace(path);
}

bool CKestroApp::OpenTraceFile(std::unique_ptr<profiles::CSessionProfile> profile) {
    auto relay = std::make_unique<CaptureRelay>();
    auto window =
        session::TraceWindow::Open(m_context, std::move(profile), relay->Hooks(), std::make_unique<QtBlockLoader>());
    if (!window) return false;
    auto* child = new CChildFrame(std::move(window), std::move(relay), m_prompt);
    // A new window looks as the user left the last one.
    if (m_layout) child->ApplyLayout(*m_layout);
    connect(child, &CChildFrame::LayoutChanged, this, [this, child] { KeepLayout(*child); });
    m_mainFrame->AddChild(child);
    child->InitialUpdate();
    m_mainFrame->UpdateCommandStates();
    return true;
}

bool CKestroApp::OpenSavedTrace(const QString& path) {
    auto profile = std::make_unique<profiles::CSessionProfile>();
    profile->traceFile = path.toStdString();
    profile->dumpFile = 1;
    if (!OpenTraceFile(std::move(profile))) return false;
    settings::RecentFiles recent = m_settings.Recent();
    recent.Add(path.toStdString());
    m_settings.SetRecent(std::move(recent));
    ShowRecentFiles();
    return true;
}

bool CKestroApp::OpenLiveCapture(const std::string& host, std::uint16_t epmPort, const std::string& traceFile) {
    auto profile = std::make_unique<profiles::CSessionProfile>();
    profile->serverAddress = host;
    profile->traceFile = traceFile;
    profile->dumpFile = 0;
    // The port is this window's session's: every later session goes to the default mapper.
    const std::uint16_t sessionDefault = std::exchange(m_context.epmPort, epmPort);
    const bool opened = OpenTraceFile(std::move(profile));
    m_context.epmPort = sessionDefault;
    return opened;
}

void CKestroApp::OnFileNew() {
    // The dialog has refused a trace file that a window has open.
    if (auto profile = sessionProfilesDialog ? sessionProfilesDialog() : nullptr) OpenTraceFile(std::move(profile));
}

void CKestroApp::OnFileServices() {
    if (servicesDialog) servicesDialog({}, {});
}

void CKestroApp::OnFileOpen() {
    const QString path =
        QFileDialog::getOpenFileName(m_mainFrame.get(), tr("Open"), QString(), tr("Data Files (*.tns);;All Files (*)"));
    if (!path.isEmpty()) OpenSavedTrace(QFileInfo(path).absoluteFilePath());
}

void CKestroApp::OnAppAbout() {
    AboutBox box(m_mainFrame.get());
    box.exec();
}

}  // namespace app
