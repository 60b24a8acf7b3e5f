// QMessageBox prompts and the override cursor.
#include "widgets/QtUserPrompt.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPushButton>

namespace widgets {

core::PromptAnswer QtUserPrompt::Show(std::string_view text, core::PromptIcon icon, core::PromptButtons buttons) {
    QMessageBox box(m_parent);
    box.setWindowTitle(QApplication::applicationDisplayName().isEmpty() ? QStringLiteral("Palomet Manager")
                                                                        : QApplication::applicationDisplayName());
    box.setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).trimmed());
    switch (icon) {
        case core::PromptIcon::None:
            break;
        case core::PromptIcon::Exclamation:
            box.setIcon(QMessageBox::Warning);
            break;
        case core::PromptIcon::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case core::PromptIcon::Question:
            box.setIcon(QMessageBox::Question);
            break;
        case core::PromptIcon::Stop:
            box.setIcon(QMessageBox::Critical);
            break;
    }
    switch (buttons) {
        case core::PromptButtons::Ok:
            box.setStandardButtons(QMessageBox::Ok);
            break;
        case core::PromptButtons::OkCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            break;
        case core::PromptButtons::YesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            break;
    }
    // A wait cursor would hide that the box wants an answer.
    const bool waiting = QApplication::overrideCursor() != nullptr;
    if (waiting) QApplication::setOverrideCursor(Qt::ArrowCursor);
    const int answer = box.exec();
    if (waiting) QApplication::restoreOverrideCursor();
    switch (answer) {
        case QMessageBox::Cancel:
            return core::PromptAnswer::Cancel;
        case QMessageBox::Yes:
            return core::PromptAnswer::Yes;
        case QMessageBox::No:
            return core::PromptAnswer::No;
        default:
            return core::PromptAnswer::Ok;
    }
}

void SetDialogHelp(QDialog& dialog, const QString& help) { dialog.setWhatsThis(help); }

void ShowDialogHelp(QDialog& dialog) {
    QMessageBox::information(&dialog, dialog.windowTitle(), dialog.whatsThis());
}

QDialogButtonBox* OkCancelHelp(QDialog& dialog, const QString& help) {
    SetDialogHelp(dialog, help);
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, &dialog);
    box->button(QDialogButtonBox::Ok)->setWhatsThis(QObject::tr("Takes what the dialog shows and closes it."));
    box->button(QDialogButtonBox::Cancel)->setWhatsThis(QObject::tr("Closes the dialog and changes nothing."));
    box->button(QDialogButtonBox::Help)->setWhatsThis(QObject::tr("Says what the dialog is for."));
    QObject::connect(box, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(box, &QDialogButtonBox::helpRequested, &dialog, [&dialog] { ShowDialogHelp(dialog); });
    return box;
}

QtWaitCursor::~QtWaitCursor() {
    while (m_depth > 0) End();
}

void QtWaitCursor::Begin() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ++m_depth;
}

void QtWaitCursor::End() {
    if (m_depth == 0) return;
    QApplication::restoreOverrideCursor();
    --m_depth;
}

}  // namespace widgets
