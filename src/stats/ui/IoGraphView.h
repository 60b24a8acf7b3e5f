// The I/O graph's chart: frames per second (left axis) and bytes per second (right axis)
// over the capture's time. Dragging across it zooms into that stretch of time, the wheel
// zooms around the pointer, Shift and a drag (or the arrow keys) pan, 0 or Home shows all
// again; a click goes to the first frame at that time.
#pragma once

#include <QChartView>
#include <QLineSeries>
#include <QRubberBand>
#include <QValueAxis>
#include <memory>
#include <optional>

#include "stats/IoRates.h"

namespace stats::ui {

class IoGraphView : public QChartView {
    Q_OBJECT
public:
    static constexpr std::size_t kMaxPoints = 4000;

    explicit IoGraphView(QWidget* parent = nullptr);

    // A new series (a live window's next counts): a zoomed graph stays where the user put it.
    void SetSeries(std::shared_ptr<const IoSeries> series);
    // Every interval in view again.
    void ShowAll();
    // The times in view, in seconds after the first frame.
    std::pair<double, double> TimeRange() const;
    void ZoomTo(double from, double to);
    QLineSeries& Frames() noexcept { return *m_frames; }
    QLineSeries& Bytes() noexcept { return *m_bytes; }
    // Frames per second of those the window's filter matches; hidden without a filter.
    QLineSeries& Matched() noexcept { return *m_matched; }
    // The frame a click at this point of the widget goes to.
    std::optional<std::uint32_t> FrameAt(QPoint point) const;

signals:
    void FrameClicked(quint32 frame);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    double TimeAt(QPoint point) const;
    void FitValues();

    QLineSeries* m_frames;
    QLineSeries* m_bytes;
    QLineSeries* m_matched;
    QValueAxis* m_time;
    QValueAxis* m_frameAxis;
    QValueAxis* m_byteAxis;
    std::shared_ptr<const IoSeries> m_series;
    double m_end = 1;  // seconds: the end of the last interval
    bool m_zoomed = false;
    std::optional<QPoint> m_pressed;
    std::optional<double> m_panFrom;  // the time under the pointer when a pan began
    QRubberBand* m_band;
};

}  // namespace stats::ui
