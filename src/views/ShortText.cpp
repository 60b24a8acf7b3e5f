// Text shortening for the report lists. The widest prefix that fits is found by bisection
// over the character boundaries, so a long summary costs a handful of measurements.
#include "views/ShortText.h"

#include <QTextBoundaryFinder>
#include <vector>

namespace views {

namespace {
const QString kDots = QStringLiteral("...");
}

QString MakeShortString(const QFontMetrics& metrics, const QString& text, int width, int offset) {
    if (text.isEmpty() || metrics.horizontalAdvance(text) + offset <= width) return text;

    // Ends of the first 1, 2, ... characters; the whole text is already known not to fit.
    std::vector<qsizetype> ends;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    for (qsizetype at = finder.toNextBoundary(); at > 0 && at < text.size(); at = finder.toNextBoundary())
        ends.push_back(at);
    if (ends.empty()) return text + kDots;  // a single character: it stays, whatever the width

    // The longest prefix that fits beside the dots, else the first character alone.
    const int room = width - offset - metrics.horizontalAdvance(kDots);
    std::size_t low = 0;
    std::size_t high = ends.size() - 1;
    while (low < high) {
        const std::size_t mid = low + (high - low + 1) / 2;
        if (metrics.horizontalAdvance(text.left(ends[mid])) <= room)
            low = mid;
        else
            high = mid - 1;
    }
    return text.left(ends[low]) + kDots;
}

}  // namespace views
