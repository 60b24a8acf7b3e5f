// The "Profile settings" sheet: the "File settings" and "Filters" pages under OK and Cancel
// (no Apply). OK checks every field first and keeps the sheet open, on the failing field,
// until they pass.
#pragma once

#include <QDialog>
#include <QTabWidget>

#include "core/UserPrompt.h"
#include "profiles/ProfileForm.h"
#include "profiles/ui/CKestroFilePropPage.h"
#include "profiles/ui/CKestroFilterPropPage.h"

namespace profiles::ui {

class ProfileSettingsSheet final : public QDialog {
    Q_OBJECT
public:
    ProfileSettingsSheet(const ProfileForm& form, core::UserPrompt& prompt, QWidget* parent);

    // What the pages hold; meaningful after OK.
    const ProfileForm& Form() const noexcept { return m_form; }
    void accept() override;

private:
    core::UserPrompt& m_prompt;
    ProfileForm m_form;
    QTabWidget* m_tabs;
    CKestroFilePropPage* m_filePage;
    CKestroFilterPropPage* m_filterPage;
};

}  // namespace profiles::ui
