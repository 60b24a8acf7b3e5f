// Message boxes for the profile dialogs.
#include "profiles/ui/MessageBoxPrompt.h"

#include <QApplication>
#include <QMessageBox>

namespace profiles::ui {

core::PromptAnswer MessageBoxPrompt::Show(std::string_view text, core::PromptIcon icon, core::PromptButtons buttons) {
    QMessageBox box(m_parent);
    box.setWindowTitle(QApplication::applicationDisplayName());
    box.setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    switch (icon) {
        case core::PromptIcon::None: box.setIcon(QMessageBox::NoIcon); break;
        case core::PromptIcon::Exclamation: box.setIcon(QMessageBox::Warning); break;
        case core::PromptIcon::Information: box.setIcon(QMessageBox::Information); break;
        case core::PromptIcon::Question: box.setIcon(QMessageBox::Question); break;
        case core::PromptIcon::Stop: box.setIcon(QMessageBox::Critical); break;
    }
    switch (buttons) {
        case core::PromptButtons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
        case core::PromptButtons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
        case core::PromptButtons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    }
    switch (box.exec()) {
        case QMessageBox::Cancel: return core::PromptAnswer::Cancel;
        case QMessageBox::Yes: return core::PromptAnswer::Yes;
        case QMessageBox::No: return core::PromptAnswer::No;
        default: return core::PromptAnswer::Ok;
    }
}

}  // namespace profiles::ui
