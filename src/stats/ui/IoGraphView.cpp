// The I/O graph's chart and its zoom, pan and click.
#include "stats/ui/IoGraphView.h"

#include <QChart>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace stats::ui {

namespace {
constexpr int kClickSlop = 4;       // pixels a press may move and still be a click
constexpr double kWheelZoom = 1.25;  // per notch
}  // namespace

// The chart is given to the base: a chart view made without one makes its own, and a chart
// set later does not free that one.
IoGraphView::IoGraphView(QWidget* parent)
    : QChartView(new QChart, parent),
      m_frames(new QLineSeries),
      m_bytes(new QLineSeries),
      m_matched(new QLineSeries),
      m_time(new QValueAxis),
      m_frameAxis(new QValueAxis),
      m_byteAxis(new QValueAxis),
      m_band(new QRubberBand(QRubberBand::Rectangle, this)) {
    QChart* chart = this->chart();
    chart->legend()->setAlignment(Qt::AlignBottom);
    m_frames->setName(tr("Frames/s"));
    m_bytes->setName(tr("Bytes/s"));
    m_matched->setName(tr("Matched frames/s"));
    chart->addSeries(m_frames);
    chart->addSeries(m_bytes);
    chart->addSeries(m_matched);
    m_time->setTitleText(tr("Time (s)"));
    m_time->setLabelFormat(QStringLiteral("%.3g"));
    m_frameAxis->setTitleText(tr("Frames/s"));
    m_frameAxis->setLabelFormat(QStringLiteral("%.4g"));
    m_byteAxis->setTitleText(tr("Bytes/s"));
    m_byteAxis->setLabelFormat(QStringLiteral("%.4g"));
    chart->addAxis(m_time, Qt::AlignBottom);
    chart->addAxis(m_frameAxis, Qt::AlignLeft);
    chart->addAxis(m_byteAxis, Qt::AlignRight);
    m_frames->attachAxis(m_time);
    m_frames->attachAxis(m_frameAxis);
    m_bytes->attachAxis(m_time);
    m_bytes->attachAxis(m_byteAxis);
    m_matched->attachAxis(m_time);
    m_matched->attachAxis(m_frameAxis);
    m_matched->setVisible(false);
    setRenderHint(QPainter::Antialiasing);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::CrossCursor);
    setWhatsThis(tr("Frames and bytes per second over the capture. Drag across the graph to zoom into that time, "
                    "use the wheel to zoom, Shift and drag or the arrow keys to pan, 0 to see everything; click to "
                    "go to the first frame at that time."));
    ShowAll();
}

void IoGraphView::SetSeries(std::shared_ptr<const IoSeries> series) {
    m_series = std::move(series);
    QList<QPointF> frames, bytes, matched;
    double end = 1;
    if (m_series) {
        const IoRates rates = RatesOf(*m_series, kMaxPoints);
        frames.reserve(static_cast<qsizetype>(rates.points.size()));
        bytes.reserve(static_cast<qsizetype>(rates.points.size()));
        for (const IoRatePoint& p : rates.points) {
            frames.append({p.seconds, p.frames});
            bytes.append({p.seconds, p.bytes});
            matched.append({p.seconds, p.matched});
        }
        // At least one interval wide, however short the capture.
        const auto intervals = static_cast<std::int64_t>(std::max<std::size_t>(1, m_series->Intervals().size()));
        end = static_cast<double>(intervals * m_series->Interval()) / static_cast<double>(kNanosPerSecond);
    }
    m_frames->replace(frames);
    m_bytes->replace(bytes);
    const bool matching = m_series && m_series->Matching();
    m_matched->replace(matching ? matched : QList<QPointF>{});
    m_matched->setVisible(matching);
    m_end = end;
    if (!m_zoomed) m_time->setRange(0, m_end);
    FitValues();
}

void IoGraphView::FitValues() {
    double frames = 1, bytes = 1;
    for (const QPointF& p : m_frames->points()) frames = std::max(frames, p.y());
    for (const QPointF& p : m_bytes->points()) bytes = std::max(bytes, p.y());
    m_frameAxis->setRange(0, frames * 1.05);
    m_byteAxis->setRange(0, bytes * 1.05);
}

void IoGraphView::ShowAll() {
    m_zoomed = false;
    m_time->setRange(0, m_end);
}

std::pair<double, double> IoGraphView::TimeRange() const { return {m_time->min(), m_time->max()}; }

void IoGraphView::ZoomTo(double from, double to) {
    if (to < from) std::swap(from, to);
    const double least = m_series ? static_cast<double>(m_series->Interval()) / kNanosPerSecond : 1e-3;
    if (to - from < least) to = from + least;  // no closer than one interval
    const double width = to - from;
    if (width >= m_end) return ShowAll();
    // Kept inside the capture: a pan past either end stops there.
    if (from < 0) from = 0;
    if (from + width > m_end) from = m_end - width;
    m_zoomed = true;
    m_time->setRange(from, from + width);
}

double IoGraphView::TimeAt(QPoint point) const {
    return chart()->mapToValue(mapToScene(point), m_frames).x();
}

std::optional<std::uint32_t> IoGraphView::FrameAt(QPoint point) const {
    if (!m_series || !chart()->plotArea().contains(mapToScene(point))) return std::nullopt;
    return FrameAtTime(*m_series, TimeAt(point));
}

void IoGraphView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QChartView::mousePressEvent(event);
    m_pressed = event->position().toPoint();
    if (event->modifiers() & Qt::ShiftModifier) m_panFrom = TimeAt(*m_pressed);
    event->accept();
}

void IoGraphView::mouseMoveEvent(QMouseEvent* event) {
    if (!m_pressed) return QChartView::mouseMoveEvent(event);
    const QPoint at = event->position().toPoint();
    if (m_panFrom) {
        const double shift = *m_panFrom - TimeAt(at);
        const auto [from, to] = TimeRange();
        ZoomTo(from + shift, to + shift);
    } else if ((at - *m_pressed).manhattanLength() > kClickSlop) {
        const QRectF plot = chart()->plotArea();
        m_band->setGeometry(QRect(QPoint(std::min(at.x(), m_pressed->x()), static_cast<int>(plot.top())),
                                  QPoint(std::max(at.x(), m_pressed->x()), static_cast<int>(plot.bottom())))
                                .normalized());
        m_band->show();
    }
    event->accept();
}

void IoGraphView::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_pressed || event->button() != Qt::LeftButton) return QChartView::mouseReleaseEvent(event);
    const QPoint at = event->position().toPoint();
    const QPoint from = *m_pressed;
    m_pressed.reset();
    const bool panned = m_panFrom.has_value();
    m_panFrom.reset();
    if (m_band->isVisible()) {
        m_band->hide();
        ZoomTo(TimeAt(from), TimeAt(at));
    } else if (!panned && (at - from).manhattanLength() <= kClickSlop) {
        if (const auto frame = FrameAt(at)) emit FrameClicked(*frame);
    }
    event->accept();
}

void IoGraphView::wheelEvent(QWheelEvent* event) {
    const double notches = event->angleDelta().y() / 120.0;
    if (notches == 0) return;
    const double centre = TimeAt(event->position().toPoint());
    const auto [from, to] = TimeRange();
    const double factor = std::pow(kWheelZoom, -notches);
    ZoomTo(centre - (centre - from) * factor, centre + (to - centre) * factor);
    event->accept();
}

void IoGraphView::keyPressEvent(QKeyEvent* event) {
    const auto [from, to] = TimeRange();
    const double step = (to - from) / 10;
    switch (event->key()) {
        case Qt::Key_Left:
            ZoomTo(from - step, to - step);
            break;
        case Qt::Key_Right:
            ZoomTo(from + step, to + step);
            break;
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            ZoomTo(from + step * 2, to - step * 2);
            break;
        case Qt::Key_Minus:
            ZoomTo(from - step * 2.5, to + step * 2.5);
            break;
        case Qt::Key_0:
        case Qt::Key_Home:
            ShowAll();
            break;
        default:
            return QChartView::keyPressEvent(event);
    }
    event->accept();
}

}  // namespace stats::ui
