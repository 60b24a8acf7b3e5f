// "Startup Configuration": start type (Automatic, Manual, Disabled) and the account the
// service logs on as, over StartupConfigModel; "..." picks an account in Add User.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <vector>

#include "services/AccountSource.h"
#include "services/StartupConfigModel.h"
#include "widgets/QtUserPrompt.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace services::ui {

class CStartupConfigDlg final : public QDialog {
    Q_OBJECT
public:
    using SourcesFactory = std::function<std::vector<std::unique_ptr<AccountSource>>()>;
    CStartupConfigDlg(StartupConfigModel model, SourcesFactory sources, QWidget* parent);

    const StartupConfigModel& Model() const noexcept { return m_model; }
    QRadioButton& Automatic() noexcept { return *m_automatic; }
    QRadioButton& Manual() noexcept { return *m_manual; }
    QRadioButton& Disabled() noexcept { return *m_disabled; }
    QRadioButton& SystemAccount() noexcept { return *m_systemAccount; }
    QRadioButton& ThisAccount() noexcept { return *m_thisAccount; }
    QLineEdit& Account() noexcept { return *m_account; }
    QLineEdit& Password() noexcept { return *m_password; }
    QCheckBox& Desktop() noexcept { return *m_desktop; }

public slots:
    void accept() override;
    void OnBrowse();

private:
    void UpdateControls();

    StartupConfigModel m_model;
    SourcesFactory m_sources;
    widgets::QtUserPrompt m_prompt;
    QRadioButton* m_automatic = nullptr;
    QRadioButton* m_manual = nullptr;
    QRadioButton* m_disabled = nullptr;
    QRadioButton* m_systemAccount = nullptr;
    QRadioButton* m_thisAccount = nullptr;
    QCheckBox* m_desktop = nullptr;
    QLineEdit* m_account = nullptr;
    QPushButton* m_browse = nullptr;
    QLineEdit* m_password = nullptr;
    QLineEdit* m_confirmation = nullptr;
};

}  // namespace services::ui
