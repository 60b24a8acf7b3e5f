// The "..." of the "File settings" page: an Open File dialog for the trace file to write,
// which need not exist yet. "Data Files (*.tns)" first, then "All Files (*)" (every file,
// with or without a dot, as Linux names them); ".tns" is added when no extension is typed.
#pragma once

#include <QFileDialog>
#include <QString>
#include <memory>

namespace profiles::ui {

std::unique_ptr<QFileDialog> MakeTraceFileDialog(QWidget* parent, const QString& current);

}  // namespace profiles::ui
