// The status bar's rate sparkline.
#include "stats/ui/RateSparkline.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace stats::ui {

RateSparkline::RateSparkline(QWidget* parent) : QWidget(parent), m_history(300) {
    setToolTip(tr("Frames per second over the last minutes"));
    setWhatsThis(tr("Frames per second this capture received, second by second, over the last minutes."));
}

void RateSparkline::Sample(std::int64_t millis, std::uint64_t frames) {
    const auto before = m_history.Latest();
    m_history.Sample(millis, frames);
    const auto latest = m_history.Latest();
    if (latest == before) return;
    setToolTip(tr("%1 frames/s a second now").arg(latest ? *latest : 0.0, 0, 'f', 0));
    update();
}

void RateSparkline::paintEvent(QPaintEvent* /*event*/) {
    const auto rates = m_history.PerSecond();
    QPainter painter(this);
    const QRectF area = QRectF(rect()).adjusted(1, 2, -1, -2);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawLine(area.bottomLeft(), area.bottomRight());
    if (rates.size() < 2) return;
    const double top = std::max(1.0, *std::max_element(rates.begin(), rates.end()));
    // The newest second at the right edge; one pixel a second at most.
    const std::size_t shown = std::min(rates.size(), static_cast<std::size_t>(std::max(2.0, area.width())));
    const double step = area.width() / static_cast<double>(shown - 1);
    QPainterPath path;
    for (std::size_t i = 0; i < shown; ++i) {
        const double rate = rates[rates.size() - shown + i];
        const QPointF point(area.left() + step * static_cast<double>(i), area.bottom() - area.height() * rate / top);
        if (i == 0)
            path.moveTo(point);
        else
            path.lineTo(point);
    }
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(palette().color(QPalette::Highlight), 1.2));
    painter.drawPath(path);
}

}  // namespace stats::ui
