// The "Session Profiles" dialog that File > New runs: the profile list under an edit line,
// and OK, Cancel, New, Edit, Delete and Help beside it. Thin over SessionProfilesModel:
//
//     profiles::ui::CSessionProfilesDlg dialog(mainWindow, isTraceOpen);
//     if (dialog.exec() == QDialog::Accepted) OpenCapture(dialog.TakeChosenProfile());
#pragma once

#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <memory>
#include <string>

#include "profiles/SessionProfilesModel.h"
#include "widgets/QtUserPrompt.h"

namespace profiles::ui {

class CSessionProfilesDlg final : public QDialog {
    Q_OBJECT
public:
    // traceFileOpen: whether a capture window already writes or shows that trace file.
    // registryPath: the settings store file, the default one when empty. prompt: where
    // messages go, message boxes over this dialog when null.
    explicit CSessionProfilesDlg(QWidget* parent, SessionProfilesModel::TraceFileOpen traceFileOpen = {},
                                 const std::string& registryPath = {}, core::UserPrompt* prompt = nullptr);

    // After exec() returned Accepted: the chosen profile, now the caller's.
    std::unique_ptr<CSessionProfile> TakeChosenProfile() { return m_model.TakeChosenProfile(); }

    void accept() override;
    void reject() override;

signals:
    void helpRequested();

private:
    void Refill();
    void Select(int row);
    void TextEdited(const QString& text);
    void NewProfile();
    void EditProfile();
    void DeleteProfile();
    // Runs the "Profile settings" sheet; true with its values when it closed with OK.
    bool RunSheet(const ProfileForm& start, ProfileForm& result);

    widgets::QtUserPrompt m_boxes;
    core::UserPrompt& m_prompt;
    ProfileStore m_store;
    SessionProfilesModel m_model;
    QLineEdit* m_text;
    QListWidget* m_list;
    QPushButton* m_edit;
    QPushButton* m_delete;
};

}  // namespace profiles::ui
