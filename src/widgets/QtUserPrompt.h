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

// OK (the dialog's accept), Cancel and Help (a box with help) for dialog.
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
