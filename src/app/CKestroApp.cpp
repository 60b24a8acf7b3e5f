// Application object.
#include "app/CKestroApp.h"

#include <QFileDialog>
#include <QFileInfo>

#include "app/AboutBox.h"
#include "app/CaptureRelay.h"
#include "app/QtBlockLoader.h"
#include "profiles/ui/CSessionProfilesDlg.h"
#include "services/BrowserAgentCheck.h"
#include "services/ServicesContext.h"
#include "services/ui/CServicesDlg.h"
#include "session/TraceWindow.h"

namespace app {

CKestroApp::CKestroApp(core::UserPrompt& prompt, core::WaitCursor& wait)
    : m_prompt(prompt),
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
}

CKestroApp::~CKestroApp() {
    // Capture windows close (their captures stopped) before the tables they borrow go.
    m_mainFrame.reset();
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
    m_mainFrame->resize(1280, 860);
    m_mainFrame->show();
    for (const QString& path : traceFiles) OpenSavedTrace(path);
}

bool CKestroApp::OpenTraceFile(std::unique_ptr<profiles::CSessionProfile> profile) {
    auto relay = std::make_unique<CaptureRelay>();
    auto window =
        session::TraceWindow::Open(m_context, std::move(profile), relay->Hooks(), std::make_unique<QtBlockLoader>());
    if (!window) return false;
    auto* child = new CChildFrame(std::move(window), std::move(relay), m_prompt);
    m_mainFrame->AddChild(child);
    child->InitialUpdate();
    m_mainFrame->UpdateCommandStates();
    return true;
}

bool CKestroApp::OpenSavedTrace(const QString& path) {
    auto profile = std::make_unique<profiles::CSessionProfile>();
    profile->traceFile = path.toStdString();
    profile->dumpFile = 1;
    return OpenTraceFile(std::move(profile));
}

bool CKestroApp::OpenLiveCapture(const std::string& host, std::uint16_t epmPort, const std::string& traceFile) {
    auto profile = std::make_unique<profiles::CSessionProfile>();
    profile->serverAddress = host;
    profile->traceFile = traceFile;
    profile->dumpFile = 0;
    m_context.epmPort = epmPort;
    return OpenTraceFile(std::move(profile));
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
