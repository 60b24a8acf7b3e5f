// The "File settings" page of the "Profile settings" sheet: name, server, queue length,
// trace file with its browse button, and the trace file constraints, whose limit fields
// are enabled by the selected limit mode.
#pragma once

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QWidget>
#include <optional>

#include "profiles/ProfileForm.h"

namespace profiles::ui {

class CKestroFilePropPage final : public QWidget {
    Q_OBJECT
public:
    // An empty form for a new profile, else the edited profile's.
    CKestroFilePropPage(const ProfileForm& form, QWidget* parent);

    // The page's fields into form; a numbers-only field that holds no number is a problem.
    std::optional<FormProblem> Read(ProfileForm& form) const;
    // The control of a field of this page, for focusing it after a failed check.
    QWidget* FieldWidget(FormField field) const;

private:
    void ApplyLimitMode(int mode);
    void Browse();

    QLineEdit* m_name;
    QLineEdit* m_server;
    QLineEdit* m_queue;
    QLineEdit* m_traceFile;
    QPushButton* m_browse;
    QListWidget* m_limitMode;
    QLineEdit* m_sizeValue;
    QComboBox* m_sizeUnit;
    QLineEdit* m_timeValue;
    QComboBox* m_timeUnit;
};

}  // namespace profiles::ui
