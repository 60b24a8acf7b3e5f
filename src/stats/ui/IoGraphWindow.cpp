// The I/O graph window.
#include "stats/ui/IoGraphWindow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "filter/FrameFilter.h"
#include "stats/IntervalText.h"

namespace stats::ui {

namespace {
constexpr std::int64_t kMs = 1'000'000;
constexpr std::int64_t kIntervals[] = {kMs,          10 * kMs,     100 * kMs,     1000 * kMs,
                                       10'000 * kMs, 60'000 * kMs, 600'000 * kMs, 3'600'000 * kMs};
constexpr int kDefaultInterval = 3;  // 1 s
}  // namespace

IoGraphWindow::IoGraphWindow(StatsSource source, const QString& captureTitle, QWidget* parent)
    : StatsWindow(std::move(source), tr("I/O Graph - %1").arg(captureTitle), parent),
      m_graph(new IoGraphView),
      m_interval(new QComboBox),
      m_filter(new QLineEdit) {
    for (const std::int64_t ns : kIntervals)
        m_interval->addItem(QString::fromStdString(IntervalText(ns)), QVariant::fromValue(ns));
    m_interval->setCurrentIndex(kDefaultInterval);
    m_interval->setWhatsThis(tr("How much time each point of the graph counts."));
    auto* all = new QPushButton(tr("Show &all"));
    all->setToolTip(tr("Zoom out to the whole capture (0)"));
    connect(all, &QPushButton::clicked, m_graph, &IoGraphView::ShowAll);
    connect(m_interval, &QComboBox::currentIndexChanged, this, [this] { Restart(); });
    m_filter->setPlaceholderText(tr("Filter expression, e.g. udp port 53"));
    m_filter->setClearButtonEnabled(true);
    m_filter->setWhatsThis(tr("A filter expression in tcpdump's syntax: the frames it matches are drawn apart, as "
                              "matched frames per second. Enter applies it; an empty field draws none."));
    connect(m_filter, &QLineEdit::returnPressed, this, [this] { Restart(); });
    connect(m_graph, &IoGraphView::FrameClicked, this, &StatsWindow::GoToFrame);

    auto* body = new QWidget;
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* bar = new QHBoxLayout;
    auto* label = new QLabel(tr("&Interval:"));
    label->setBuddy(m_interval);
    bar->addWidget(label);
    bar->addWidget(m_interval);
    auto* filterLabel = new QLabel(tr("&Filter:"));
    filterLabel->setBuddy(m_filter);
    bar->addWidget(filterLabel);
    bar->addWidget(m_filter, 1);
    bar->addWidget(all);
    layout->addLayout(bar);
    layout->addWidget(m_graph, 1);
    SetBody(body);
    resize(820, 480);
    Restart();
}

void IoGraphWindow::Restart() {
    StatsRequest request;
    request.ioInterval = m_interval->currentData().toLongLong();
    const std::string expression = m_filter->text().trimmed().toStdString();
    m_filter->setStyleSheet({});
    m_filter->setToolTip({});
    if (!expression.empty()) {
        auto compiled = filter::FrameFilter::Compile(expression);
        if (!compiled) {
            m_filter->setStyleSheet(QStringLiteral("QLineEdit { background: #f4c7c3; }"));
            m_filter->setToolTip(QString::fromStdString(compiled.Err().text));
            return;
        }
        request.ioMatch = [f = std::make_shared<const filter::FrameFilter>(std::move(compiled).Value())](
                              const capture::CPktSnapQue& frame) { return f->Matches(frame); };
    }
    m_graph->SetSeries(nullptr);
    m_graph->ShowAll();
    Start(request);
}

void IoGraphWindow::Show(const StatsSnapshot& snapshot) {
    if (snapshot.io) m_graph->SetSeries(snapshot.io);
}

}  // namespace stats::ui
