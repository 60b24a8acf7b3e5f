// The workbench's way of telling the user something: a message box over the given window,
// with the icon and buttons asked for.
#pragma once

#include <QWidget>

#include "core/UserPrompt.h"

namespace profiles::ui {

class MessageBoxPrompt final : public core::UserPrompt {
public:
    explicit MessageBoxPrompt(QWidget* parent) : m_parent(parent) {}
    core::PromptAnswer Show(std::string_view text, core::PromptIcon icon, core::PromptButtons buttons) override;

private:
    QWidget* m_parent;
};

}  // namespace profiles::ui
