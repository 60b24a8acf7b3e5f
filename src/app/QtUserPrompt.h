// Message boxes and the wait cursor of the workbench, behind the interfaces the models use.
#pragma once

#include <QPointer>
#include <QWidget>

#include "core/UserPrompt.h"

namespace app {

class QtUserPrompt final : public core::UserPrompt {
public:
    // Boxes are shown over parent (the main window), or on their own before it exists.
    void SetParent(QWidget* parent) { m_parent = parent; }
    core::PromptAnswer Show(std::string_view text, core::PromptIcon icon, core::PromptButtons buttons) override;

private:
    QPointer<QWidget> m_parent;
};

// The wait cursor over the whole application while a long step runs; nested uses stack.
class QtWaitCursor final : public core::WaitCursor {
public:
    void Begin() override;
    void End() override;
};

}  // namespace app
