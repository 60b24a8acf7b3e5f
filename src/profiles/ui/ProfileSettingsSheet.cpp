// The sheet that New and Edit run.
#include "profiles/ui/ProfileSettingsSheet.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "widgets/QtUserPrompt.h"

namespace profiles::ui {

ProfileSettingsSheet::ProfileSettingsSheet(const ProfileForm& form, core::UserPrompt& prompt, QWidget* parent)
    : QDialog(parent),
      m_prompt(prompt),
      m_form(form) {
    setWindowTitle(QStringLiteral("Profile settings"));
    setObjectName(QStringLiteral("profileSettings"));
    m_tabs = new QTabWidget(this);
    m_filePage = new CKestroFilePropPage(form, m_tabs);
    m_filterPage = new CKestroFilterPropPage(form, m_tabs);
    m_tabs->addTab(m_filePage, QStringLiteral("File settings"));
    m_tabs->addTab(m_filterPage, QStringLiteral("Filters"));
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("&OK"), QDialogButtonBox::AcceptRole)->setObjectName(QStringLiteral("ok"));
    buttons->addButton(QStringLiteral("&Cancel"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("cancel"));
    QPushButton* help = buttons->addButton(QDialogButtonBox::Help);
    widgets::SetDialogHelp(*this, QStringLiteral("File settings: the profile's name, the agent's host, the trace file "
                                                 "and its size and time limits. Filters: the protocols the agent "
                                                 "captures."));
    connect(help, &QPushButton::clicked, this, [this] { widgets::ShowDialogHelp(*this); });
    connect(buttons, &QDialogButtonBox::accepted, this, &ProfileSettingsSheet::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ProfileSettingsSheet::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addWidget(buttons);
}

void ProfileSettingsSheet::accept() {
    ProfileForm form = m_form;
    m_filterPage->Read(form);
    auto problem = m_filePage->Read(form);
    if (!problem) problem = form.Validate();
    if (problem) {
        m_prompt.Tell(problem->message, core::PromptIcon::Exclamation);
        const bool onFilters = problem->field == FormField::FilterType;
        m_tabs->setCurrentWidget(onFilters ? static_cast<QWidget*>(m_filterPage) : m_filePage);
        if (QWidget* field = onFilters ? m_filterPage->FilterTypeWidget() : m_filePage->FieldWidget(problem->field))
            field->setFocus();
        return;
    }
    m_form = std::move(form);
    QDialog::accept();
}

}  // namespace profiles::ui
