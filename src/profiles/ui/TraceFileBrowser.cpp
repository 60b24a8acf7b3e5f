// The trace-file browse dialog.
#include "profiles/ui/TraceFileBrowser.h"

#include <QFileInfo>

namespace profiles::ui {

std::unique_ptr<QFileDialog> MakeTraceFileDialog(QWidget* parent, const QString& current) {
    auto dialog = std::make_unique<QFileDialog>(parent, QStringLiteral("Open"));
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::AnyFile);  // a new trace file is the usual answer
    dialog->setNameFilters({QStringLiteral("Data Files (*.tns)"), QStringLiteral("All Files (*)")});
    dialog->setDefaultSuffix(QStringLiteral("tns"));
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    if (!current.isEmpty()) {
        const QFileInfo info(current);
        dialog->setDirectory(info.absolutePath());
        dialog->selectFile(info.fileName());
    }
    return dialog;
}

}  // namespace profiles::ui
