// Message boxes and the wait cursor of every window and dialog: the Qt side of
// core::UserPrompt and core::WaitCursor; and the OK, Cancel and Help row dialogs share.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include "core/UserPrompt.h"

class QDialog;
class QDialogButtonBox;

namespace widgets {

// The one help path of every dialog: help becomes the dialog's context help (shown for any
// of its controls without a text of its own) and what its Help button shows, in a box
// titled as the dialog.
void SetDialogHelp(QDialog& dialog, const QString& help);
// The Help button's box, with the text SetDialogHelp gave the dialog.
void ShowDialogHelp(QDialog& dialog);
// OK (the dialog's accept), Cancel and Help (ShowDialogHelp) for dialog, whose help it sets.
QDialogButtonBox* OkCancelHelp(QDialog& dialog, const QString& help);

class QtUserPrompt final : public core::UserPrompt {
public:
    explicit QtUserPrompt(QWidget* parent) : m_parent(parent) {}
    // The workbench's prompt exists before its main window, over which it shows its boxes.
    void SetParent(QWidget* parent) { m_parent = parent; }
    core::PromptAnswer Show(std::string_view text, core::PromptIcon icon, core::PromptButtons buttons) override;

private:
    QPointer<QWidget> m_parent;
};

// The override cursor, nested as the models nest their waits.
class QtWaitCursor final : public core::WaitCursor {
public:
    ~QtWaitCursor() override;
    void Begin() override;
    void End() override;

private:
    int m_depth = 0;
};

}  // namespace widgets
