// Statistics > I/O Graph: frames and bytes per second over the capture, in intervals of
// the user's choosing (1 ms to 1 h).
#pragma once

#include <QComboBox>
#include <QLineEdit>

#include "stats/ui/IoGraphView.h"
#include "stats/ui/StatsWindow.h"

namespace stats::ui {

class IoGraphWindow : public StatsWindow {
    Q_OBJECT
public:
    IoGraphWindow(StatsSource source, const QString& captureTitle, QWidget* parent);

    IoGraphView& Graph() noexcept { return *m_graph; }
    QComboBox& Interval() noexcept { return *m_interval; }
    // Enter counts again with the frames the expression matches drawn apart; an empty field
    // draws none; a bad expression turns the field red with libpcap's message.
    QLineEdit& Filter() noexcept { return *m_filter; }

protected:
    void Show(const StatsSnapshot& snapshot) override;

private:
    void Restart();

    IoGraphView* m_graph;
    QComboBox* m_interval;
    QLineEdit* m_filter;
};

}  // namespace stats::ui
