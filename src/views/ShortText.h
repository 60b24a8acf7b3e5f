// Fitting a cell's text into its column: a text that does not fit loses characters from its
// end until what is left, "..." and the cell's margin fit, keeping at least one character.
#pragma once

#include <QFontMetrics>
#include <QString>

namespace views {

// Cuts only between whole characters as the user sees them (never inside a surrogate pair or
// a combining sequence), so any text, however long, shortens cleanly.
QString MakeShortString(const QFontMetrics& metrics, const QString& text, int width, int offset);

}  // namespace views
