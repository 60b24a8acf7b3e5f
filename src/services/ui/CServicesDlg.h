// The Services dialog: a host's services with their state and start type; Start (with
// parameters), Stop, Pause, Continue, "Startup..." and "&Host" on the selected one. The
// rules are ServicesDialogModel's, and the dialog shows what the model says changed; after
// a control it polls every 100 ms (the dialog stays responsive, the polling is bounded)
// until the service leaves its pending state.
#pragma once

#include <QDialog>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "services/ServicesDialogModel.h"
#include "widgets/QtUserPrompt.h"

class QLineEdit;
class QPushButton;

namespace services::ui {

class CServiceListCtrl;

class CServicesDlg final : public QDialog, private ServicesDialogModel::Listener {
    Q_OBJECT
public:
    // Opens on host (empty: the host shown last, else this machine) with service selected
    // when named. The clock is for tests; by default the real one.
    CServicesDlg(ServicesContext& context, QWidget* parent, const std::string& host = {},
                 const std::string& service = {}, PollClock* clock = nullptr);
    ~CServicesDlg() override;

    ServicesDialogModel& Model() noexcept { return m_model; }
    CServiceListCtrl& List() noexcept { return *m_list; }
    QLineEdit& Parameters() noexcept { return *m_parameters; }
    QPushButton& Button(ServiceOperation operation) noexcept;
    QPushButton& StartupButton() noexcept { return *m_startup; }
    QPushButton& HostButton() noexcept { return *m_host; }

    // The host the operator types after "&Host" (tests replace the question).
    std::function<std::optional<std::string>()> askHost;

public slots:
    void OnSelectionChanged();
    void OnStart();
    void OnStop();
    void OnPause();
    void OnContinue();
    void OnStartup();
    void OnHost();

protected:
    void done(int result) override;

private:
    // What the model says changed.
    void RowsReplaced() override;
    void RowsChanged() override;
    void ButtonsChanged() override;

    void RunOperation(ServiceOperation operation);
    void OnPollTimer();
    std::optional<std::string> AskHost();

    widgets::QtUserPrompt m_prompt;
    widgets::QtWaitCursor m_cursor;
    SteadyPollClock m_steadyClock;
    ServicesDialogModel m_model;
    CServiceListCtrl* m_list = nullptr;
    QLineEdit* m_parameters = nullptr;
    QPushButton* m_start = nullptr;
    QPushButton* m_stop = nullptr;
    QPushButton* m_pause = nullptr;
    QPushButton* m_continue = nullptr;
    QPushButton* m_startup = nullptr;
    QPushButton* m_host = nullptr;
    QTimer m_pollTimer;
};

// Runs the Services dialog modally on this process's service administration (File >
// Services; "Agent is not running" with the agent's host and service).
void ShowServicesDialog(QWidget* parent, const std::string& host = {}, const std::string& service = {});

}  // namespace services::ui
