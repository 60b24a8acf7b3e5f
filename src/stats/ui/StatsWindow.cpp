// The statistics windows' shared frame: job, progress, status line.
#include "stats/ui/StatsWindow.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace stats::ui {

namespace {
constexpr int kPollMs = 100;

QString StatusText(const StatsSnapshot& shot, bool running) {
    QString text = QStringLiteral("%1 frames, %2 bytes").arg(shot.frames).arg(shot.bytes);
    if (running) text += QStringLiteral(" so far");
    if (!shot.errors.empty()) {
        text += QStringLiteral("; %1 block(s) could not be read: %2")
                    .arg(shot.errors.size())
                    .arg(QString::fromStdString(shot.errors.front()));
    }
    return text;
}
}  // namespace

StatsWindow::StatsWindow(StatsSource source, const QString& title, QWidget* parent)
    : QWidget(parent, Qt::Window),
      m_source(std::move(source)),
      m_progress(new QProgressBar),
      m_status(new QLabel) {
    setWindowTitle(title);
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    auto* line = new QHBoxLayout;
    m_progress->setRange(0, 100);
    m_progress->setMaximumWidth(160);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    line->addWidget(m_status, 1);
    line->addWidget(m_progress);
    layout->addLayout(line);
    connect(&m_poll, &QTimer::timeout, this, &StatsWindow::Poll);
    m_poll.start(kPollMs);
    resize(760, 420);
}

StatsWindow::~StatsWindow() {
    m_poll.stop();
    m_job.reset();  // cancels and joins before the decoders can go
}

void StatsWindow::SetBody(QWidget* body) {
    auto* layout = static_cast<QVBoxLayout*>(this->layout());
    layout->insertWidget(0, body, 1);
}

void StatsWindow::Start(StatsRequest request) {
    m_job.reset();
    m_taken = 0;
    auto reader = capture::TraceReader::Open(m_source.path);
    if (!reader) {
        m_status->setText(QString::fromStdString(reader.Err().text));
        m_progress->hide();
        return;
    }
    const TraceCounts counts = m_source.counts ? m_source.counts() : TraceCounts{};
    reader.Value().SetKnownCounts(counts.blocks, counts.frames, counts.endOffset);
    m_status->setText(tr("Counting..."));
    m_progress->setValue(0);
    m_progress->show();
    m_job = std::make_unique<StatsJob>(std::move(reader).Value(), *m_source.parsers, std::move(request),
                                       StatsJob::Options{.vendors = m_source.vendors, .follow = m_source.live});
}

void StatsWindow::Poll() {
    if (!m_job) return;
    if (m_source.live && m_source.counts) m_job->Follow(m_source.counts());
    const auto progress = m_job->GetProgress();
    const bool caughtUp = progress.frames >= progress.total;
    const bool running = m_job->GetState() == StatsJob::State::Running && !(m_source.live && caughtUp);
    m_progress->setVisible(running);
    if (progress.total != 0)
        m_progress->setValue(static_cast<int>(std::min<std::uint64_t>(100, progress.frames * 100 / progress.total)));
    const auto [latest, made] = m_job->Latest();
    if (!latest) return;
    if (made != m_taken) {
        m_taken = made;
        ++m_shown;
        Show(*latest);
    }
    m_status->setText(StatusText(*latest, running));
}

}  // namespace stats::ui
