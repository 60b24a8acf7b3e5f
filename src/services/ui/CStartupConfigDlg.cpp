// The start-up configuration dialog's widgets.
#include "services/ui/CStartupConfigDlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "services/ui/CAddUserDlg.h"

namespace services::ui {

CStartupConfigDlg::CStartupConfigDlg(StartupConfigModel model, SourcesFactory sources, QWidget* parent)
    : QDialog(parent),
      m_model(std::move(model)),
      m_sources(std::move(sources)),
      m_prompt(this) {
    setWindowTitle(QStringLiteral("Startup Configuration"));

    auto* startType = new QGroupBox(QStringLiteral("Startup Type"), this);
    m_automatic = new QRadioButton(QStringLiteral("Automatic"), startType);
    m_manual = new QRadioButton(QStringLiteral("Manual"), startType);
    m_disabled = new QRadioButton(QStringLiteral("Disabled"), startType);
    auto* startLayout = new QVBoxLayout(startType);
    for (QRadioButton* r : {m_automatic, m_manual, m_disabled}) startLayout->addWidget(r);

    auto* logon = new QGroupBox(QStringLiteral("Log On As:"), this);
    m_systemAccount = new QRadioButton(QStringLiteral("System Account"), logon);
    m_desktop = new QCheckBox(QStringLiteral("Allow Service to Interact with Desktop"), logon);
    m_thisAccount = new QRadioButton(QStringLiteral("This Account:"), logon);
    m_account = new QLineEdit(logon);
    m_account->setMaxLength(255);
    m_browse = new QPushButton(QStringLiteral("..."), logon);
    m_browse->setAutoDefault(false);
    m_browse->setFixedWidth(32);
    m_password = new QLineEdit(logon);
    m_password->setEchoMode(QLineEdit::Password);
    m_password->setMaxLength(255);
    m_confirmation = new QLineEdit(logon);
    m_confirmation->setEchoMode(QLineEdit::Password);
    m_confirmation->setMaxLength(255);
    auto* logonGroup = new QButtonGroup(this);
    logonGroup->addButton(m_systemAccount);
    logonGroup->addButton(m_thisAccount);
    auto* grid = new QGridLayout(logon);
    grid->addWidget(m_systemAccount, 0, 0, 1, 3);
    grid->addWidget(m_desktop, 1, 0, 1, 3, Qt::AlignLeft);
    grid->setColumnMinimumWidth(0, 110);
    grid->addWidget(m_thisAccount, 2, 0);
    grid->addWidget(m_account, 2, 1);
    grid->addWidget(m_browse, 2, 2);
    grid->addWidget(new QLabel(QStringLiteral("Password:"), logon), 3, 0);
    grid->addWidget(m_password, 3, 1);
    grid->addWidget(new QLabel(QStringLiteral("Confirm Password:"), logon), 4, 0);
    grid->addWidget(m_confirmation, 4, 1);

    auto* box = widgets::OkCancelHelp(
        *this, QStringLiteral("Automatic starts the service when the host boots, Manual only when "
                              "asked, Disabled never (the unit is masked). The service runs as the "
                              "system account or as the account named here."));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(startType);
    layout->addWidget(logon);
    layout->addWidget(box);

    const StartupControls c = m_model.Controls();
    m_automatic->setChecked(c.automatic);
    m_manual->setChecked(c.manual);
    m_disabled->setChecked(c.disabled);
    m_account->setText(QString::fromStdString(m_model.Account()));
    connect(m_automatic, &QRadioButton::toggled, this, [this](bool on) {
        if (on) m_model.SetStartType(platform::kStartAuto);
    });
    connect(m_manual, &QRadioButton::toggled, this, [this](bool on) {
        if (on) m_model.SetStartType(platform::kStartManual);
    });
    connect(m_disabled, &QRadioButton::toggled, this, [this](bool on) {
        if (on) m_model.SetStartType(platform::kStartDisabled);
    });
    connect(m_systemAccount, &QRadioButton::toggled, this, [this](bool on) {
        if (on) m_model.ChooseSystemAccount();
        UpdateControls();
    });
    connect(m_thisAccount, &QRadioButton::toggled, this, [this](bool on) {
        if (on) m_model.ChooseThisAccount();
        UpdateControls();
    });
    connect(m_desktop, &QCheckBox::toggled, this, [this](bool on) { m_model.SetInteractive(on); });
    connect(m_browse, &QPushButton::clicked, this, &CStartupConfigDlg::OnBrowse);
    UpdateControls();
}

void CStartupConfigDlg::UpdateControls() {
    const StartupControls c = m_model.Controls();
    const QSignalBlocker blockSystem(m_systemAccount);
    const QSignalBlocker blockThis(m_thisAccount);
    m_systemAccount->setChecked(c.systemAccount);
    m_thisAccount->setChecked(c.thisAccount);
    m_systemAccount->setEnabled(c.logonEnabled);
    m_thisAccount->setEnabled(c.logonEnabled);
    m_account->setEnabled(c.accountEnabled);
    m_browse->setEnabled(c.accountEnabled);
    m_password->setEnabled(c.passwordEnabled);
    m_confirmation->setEnabled(c.passwordEnabled);
    const QString why = c.accountEnabled && !c.passwordEnabled
                            ? QStringLiteral("This host's services need no password; none is asked for or kept.")
                            : QString();
    m_password->setToolTip(why);
    m_confirmation->setToolTip(why);
    m_desktop->setEnabled(c.desktopEnabled);
    const QSignalBlocker blockDesktop(m_desktop);
    m_desktop->setChecked(c.desktopChecked);
}

void CStartupConfigDlg::OnBrowse() {
    m_model.ChooseThisAccount();
    UpdateControls();
    CAddUserDlg dialog(m_sources ? m_sources() : std::vector<std::unique_ptr<AccountSource>>(), this);
    if (dialog.exec() != QDialog::Accepted || !dialog.Chosen()) return;
    m_model.AccountChosen(dialog.Chosen()->first, dialog.Chosen()->second);
    m_account->setText(QString::fromStdString(m_model.Account()));
}

void CStartupConfigDlg::accept() {
    m_model.SetAccount(m_account->text().toStdString());
    m_model.SetPassword(m_password->text().toStdString());
    m_model.SetConfirmation(m_confirmation->text().toStdString());
    if (const auto refusal = m_model.Accept()) {
        m_prompt.Tell(*refusal);
        return;
    }
    QDialog::accept();
}

}  // namespace services::ui
