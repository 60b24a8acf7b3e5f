// The Services dialog's widgets.
#include "services/ui/CServicesDlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "services/ui/CServiceListCtrl.h"
#include "services/ui/CStartupConfigDlg.h"

namespace services::ui {

CServicesDlg::CServicesDlg(ServicesContext& context, QWidget* parent, const std::string& host,
                           const std::string& service, PollClock* clock)
    : QDialog(parent),
      m_prompt(this),
      m_model(context, m_prompt, m_cursor, clock != nullptr ? *clock : m_steadyClock) {
    setWindowTitle(QStringLiteral("Services"));
    m_list = new CServiceListCtrl(m_model, this);
    m_list->setMinimumSize(380, 220);
    m_parameters = new QLineEdit(this);
    m_parameters->setMaxLength(static_cast<int>(kMaxParameterText));
    auto* parametersLabel = new QLabel(QStringLiteral("Startup Parameters"), this);
    parametersLabel->setBuddy(m_parameters);

    auto button = [this](const char* text) {
        auto* b = new QPushButton(QString::fromLatin1(text), this);
        b->setAutoDefault(false);
        return b;
    };
    m_start = button("Start");
    m_stop = button("Stop");
    m_pause = button("Pause");
    m_continue = button("Continue");
    m_startup = button("Startup...");
    m_host = button("&Host");
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setDefault(true);
    auto* help = button("Help");

    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {close, m_start, m_stop, m_pause, m_continue, m_startup, m_host}) buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(help);
    auto* left = new QVBoxLayout;
    left->addWidget(m_list, 1);
    left->addWidget(parametersLabel);
    left->addWidget(m_parameters);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(buttons);

    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    widgets::SetDialogHelp(*this, QStringLiteral("Select a service to start, stop, pause (freeze) or continue it, or to "
                                                 "change its start type and account with Startup.... Host shows the "
                                                 "services of another machine, reached through ssh."));
    connect(help, &QPushButton::clicked, this, [this] { widgets::ShowDialogHelp(*this); });
    const std::pair<QWidget*, const char*> explained[] = {
        {m_list, "The host's services, with their state and how they start. Select one to control it."},
        {m_parameters, "Words passed to the service when Start starts it, separated by spaces."},
        {close, "Closes the dialog."},
        {m_start, "Starts the selected service, with the startup parameters below."},
        {m_stop, "Stops the selected service."},
        {m_pause, "Pauses (freezes) the selected service."},
        {m_continue, "Continues a paused service."},
        {m_startup, "Sets how the selected service starts and the account it runs as."},
        {m_host, "Shows the services of another host, reached through ssh."},
        {help, "Says what the dialog is for."}};
    for (const auto& [widget, text] : explained) widget->setWhatsThis(QString::fromUtf8(text));
    connect(m_start, &QPushButton::clicked, this, &CServicesDlg::OnStart);
    connect(m_stop, &QPushButton::clicked, this, &CServicesDlg::OnStop);
    connect(m_pause, &QPushButton::clicked, this, &CServicesDlg::OnPause);
    connect(m_continue, &QPushButton::clicked, this, &CServicesDlg::OnContinue);
    connect(m_startup, &QPushButton::clicked, this, &CServicesDlg::OnStartup);
    connect(m_host, &QPushButton::clicked, this, &CServicesDlg::OnHost);
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this, &CServicesDlg::OnSelectionChanged);
    m_pollTimer.setInterval(static_cast<int>(PendingPoll::kInterval.count()));
    connect(&m_pollTimer, &QTimer::timeout, this, &CServicesDlg::OnPollTimer);

    m_model.SetListener(this);
    m_model.Open(host, service);
    resize(560, 340);
}

CServicesDlg::~CServicesDlg() {
    m_pollTimer.stop();
    m_model.SetListener(nullptr);
    m_model.StopPolling();
    // The list reads the model's rows while it is hidden, and the model (a member) goes
    // before the dialog's child widgets would.
    delete m_list;
}

QPushButton& CServicesDlg::Button(ServiceOperation operation) noexcept {
    switch (operation) {
        case ServiceOperation::Start:
            return *m_start;
        case ServiceOperation::Stop:
            return *m_stop;
        case ServiceOperation::Pause:
            return *m_pause;
        case ServiceOperation::Continue:
            return *m_continue;
    }
    return *m_start;
}

void CServicesDlg::RowsReplaced() {
    m_list->Rows().Reset();
    // A field whose every word the host would refuse is not offered.
    const bool takes = m_model.TakesStartParameters();
    m_parameters->setEnabled(takes);
    m_parameters->setToolTip(takes ? QString()
                                   : QStringLiteral("This host's service manager starts services without parameters."));
    setWindowTitle(QString::fromStdString(m_model.Title()));
    m_list->SelectRow(m_model.Selected());
    ButtonsChanged();
}

void CServicesDlg::RowsChanged() { m_list->Rows().RowsChanged(); }

void CServicesDlg::ButtonsChanged() {
    const ServiceButtons b = m_model.Buttons();
    m_start->setEnabled(b.start);
    m_stop->setEnabled(b.stop);
    m_pause->setEnabled(b.pause);
    m_continue->setEnabled(b.cont);
    m_startup->setEnabled(b.startup);
    m_host->setEnabled(!m_model.Busy());
}

void CServicesDlg::OnSelectionChanged() { m_model.Select(m_list->SelectedRow()); }

void CServicesDlg::RunOperation(ServiceOperation operation) {
    if (m_model.Run(operation, m_parameters->text().toStdString())) m_pollTimer.start();
}

void CServicesDlg::OnPollTimer() {
    if (!m_model.Poll()) m_pollTimer.stop();
}

void CServicesDlg::OnStart() { RunOperation(ServiceOperation::Start); }
void CServicesDlg::OnStop() { RunOperation(ServiceOperation::Stop); }
void CServicesDlg::OnPause() { RunOperation(ServiceOperation::Pause); }
void CServicesDlg::OnContinue() { RunOperation(ServiceOperation::Continue); }

void CServicesDlg::OnStartup() {
    auto startup = m_model.StartupDialog();
    if (!startup) return;
    CStartupConfigDlg dialog(
        std::move(*startup), [this] { return m_model.AccountSources(); }, this);
    if (dialog.exec() != QDialog::Accepted) return;
    m_model.ApplyStartup(dialog.Model());
}

std::optional<std::string> CServicesDlg::AskHost() {
    if (askHost) return askHost();
    QStringList hosts;
    for (const auto& h : m_model.RecentHosts()) hosts << QString::fromStdString(h);
    bool ok = false;
    const QString chosen = QInputDialog::getItem(this, QStringLiteral("Select the computer."),
                                                 QStringLiteral("Host name (as ssh reaches it):"), hosts, 0, true, &ok);
    if (!ok || chosen.trimmed().isEmpty()) return std::nullopt;
    return chosen.trimmed().toStdString();
}

void CServicesDlg::OnHost() {
    const auto host = AskHost();
    if (!host) return;
    m_model.ChangeHost(*host);
}

void CServicesDlg::done(int result) {
    m_pollTimer.stop();
    m_model.StopPolling();
    QDialog::done(result);
}

void ShowServicesDialog(QWidget* parent, const std::string& host, const std::string& service) {
    CServicesDlg dialog(ProcessServices(), parent, host, service);
    dialog.exec();
}

}  // namespace services::ui
