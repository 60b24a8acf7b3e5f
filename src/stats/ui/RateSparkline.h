// The live window's rate sparkline: frames per second over the last minutes, drawn small in
// its status bar, the latest rate in its tool tip.
#pragma once

#include <QWidget>

#include "stats/RateHistory.h"

namespace stats::ui {

class RateSparkline : public QWidget {
    Q_OBJECT
public:
    explicit RateSparkline(QWidget* parent = nullptr);

    // The capture's frame count now (milliseconds on a steady clock).
    void Sample(std::int64_t millis, std::uint64_t frames);
    const RateHistory& History() const noexcept { return m_history; }
    QSize sizeHint() const override { return {120, 18}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    RateHistory m_history;
};

}  // namespace stats::ui
