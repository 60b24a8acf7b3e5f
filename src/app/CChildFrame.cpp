// Capture window contents.
#include "app/CChildFrame.h"

#include <QApplication>
#include <QClipboard>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "app/WhatsThisTexts.h"
#include "decode/ProtoCode.h"
#include "stats/ui/StatsWindow.h"

namespace app {

namespace {
// How often a live window takes its capture's counts (and shows its first block).
constexpr int kLivePollMs = 100;
constexpr int kFindProgressMs = 100;
}  // namespace

CChildFrame::CChildFrame(std::unique_ptr<session::TraceWindow> window, std::unique_ptr<CaptureRelay> relay,
                         core::UserPrompt& prompt, QWidget* parent)
    : QWidget(parent),
      m_relay(std::move(relay)),
      m_window(std::move(window)),
      m_view(&m_window->View()),
      m_prompt(prompt),
      m_splitter(new QSplitter(Qt::Vertical, this)),
      m_list(new views::PacketListView(*m_view, m_splitter)),
      m_details(new views::DetailPane(*m_view, m_splitter)),
      m_status(new QStatusBar(this)),
      m_progress(new QProgressBar(m_status)),
      m_current(new QLabel(m_status)),
      m_packets(new QLabel(m_status)) {
    setWindowTitle(QString::fromStdString(m_window->Title()));
    setAttribute(Qt::WA_DeleteOnClose);
    m_view->SetListener(this);

    m_splitter->addWidget(m_list);
    m_splitter->addWidget(m_details);
    m_splitter->setChildrenCollapsible(false);
    m_splitter->setSizes({300, 200});
    m_splitter->setStretchFactor(1, 1);

    m_progress->setRange(0, 100);
    m_progress->setFixedWidth(180);
    m_progress->setTextVisible(false);
    m_progress->setStatusTip(tr("Displays download status"));
    m_progress->setToolTip(tr("Download status"));
    m_current->setMinimumWidth(120);
    m_packets->setMinimumWidth(140);
    m_status->setSizeGripEnabled(false);
    m_status->addWidget(m_progress);
    m_status->addPermanentWidget(m_current);
    m_status->addPermanentWidget(m_packets);
    const std::pair<QWidget*, Control> explained[] = {
        {m_list, Control::PacketList},      {&m_details->Tree(), Control::DetailTree},
        {&m_details->Text(), Control::DetailText}, {m_progress, Control::Progress},
        {m_current, Control::CurrentPane},  {m_packets, Control::PacketsPane}};
    for (const auto& [widget, control] : explained) widget->setWhatsThis(ControlWhatsThis(control));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_splitter, 1);
    layout->addWidget(m_status);

    connect(m_list, &views::PacketListView::StateChanged, this, [this] {
        UpdateStatus();
        emit StateChanged();
    });
    connect(m_list, &views::PacketListView::ColumnsResized, this, &CChildFrame::LayoutChanged);
    connect(m_splitter, &QSplitter::splitterMoved, this, &CChildFrame::LayoutChanged);
    connect(&m_findProgress, &QTimer::timeout, this, [this] {
        UpdateStatus();
        emit FindProgress(m_view->Progress());
    });
    connect(m_details, &views::DetailPane::KindSwitched, this, &CChildFrame::LayoutChanged);
    connect(&m_details->Bytes(), &views::BytesPane::Zoomed, this, &CChildFrame::LayoutChanged);
    setFocusProxy(m_list);
    UpdateStatus();
}

CChildFrame::~CChildFrame() {
    m_idle.stop();
    m_findProgress.stop();
    // Statistics windows count with this window's decoders: they go (jobs joined) first.
    for (auto* statistics : findChildren<stats::ui::StatsWindow*>(QString(), Qt::FindDirectChildrenOnly))
        delete statistics;
    (void)m_window->StopCapture();
    m_view->SetListener(nullptr);
    // The scans' threads end here, while the calls they posted can still be dropped.
    m_view->CancelFind();
    m_view->ClearFilter();
    // The panes read the packet list while they go; they go before it.
    delete m_splitter;
}

void CChildFrame::InitialUpdate() {
    if (m_window->IsLive()) {
        m_relay->onLimit = [this] {
            m_view->OnLimitNotify();
            UpdateStatus();
            emit StateChanged();
        };
        m_relay->onNotice = [this](const std::string& text, std::shared_ptr<platform::ManualResetEvent> answered) {
            m_prompt.Tell(text, core::PromptIcon::Exclamation);
            answered->Set();
        };
        connect(&m_idle, &QTimer::timeout, this, &CChildFrame::Poll);
        m_idle.start(kLivePollMs);
        m_clock.start();
        m_rate = new stats::ui::RateSparkline(m_status);
        m_status->insertPermanentWidget(0, m_rate);
    }
    m_window->InitialUpdate();
    UpdateStatus();
}

void CChildFrame::Run(packetlist::NavCommand command, const QString& packetField) {
    m_view->Run(command, packetField.toStdString());
    UpdateStatus();
    emit StateChanged();
}

void CChildFrame::SetSummaryLevel(std::uint32_t level) {
    m_view->SetSummaryLevel(level);
    emit LayoutChanged();
}

WindowLayout CChildFrame::Layout() const {
    return {m_splitter->saveState(), m_list->ColumnWidths(), m_view->SummaryLevel(), !m_details->TreeShown(),
            m_details->Bytes().PointSize()};
}

void CChildFrame::ApplyLayout(const WindowLayout& layout) {
    const QSignalBlocker quiet(this);
    if (!layout.splitter.isEmpty()) m_splitter->restoreState(layout.splitter);
    m_list->SetColumnWidths(layout.columns);
    // Only the four levels the level box offers: a damaged value changes nothing.
    for (std::uint32_t level : {decode::LEVEL_DATALINK, decode::LEVEL_NETWORK, decode::LEVEL_TRANSPORT,
                                decode::LEVEL_APPLICATION})
        if (layout.level == level) m_view->SetSummaryLevel(level);
    if (layout.detailText == m_details->TreeShown()) m_details->SwitchKind();
    if (layout.bytesPoints > 0) m_details->Bytes().SetPointSize(layout.bytesPoints);
}

void CChildFrame::Copy() {
    QString text;
    if (m_details->Text().hasFocus()) {
        m_details->Text().copy();
        return;
    }
    if (m_details->Tree().hasFocus())
        text = m_details->Tree().SelectedText();
    else
        text = m_list->SelectedRowText();
    if (!text.isEmpty()) QApplication::clipboard()->setText(text);
}

void CChildFrame::NextPane() {
    if (m_list->hasFocus())
        m_details->currentWidget()->setFocus(Qt::TabFocusReason);
    else
        m_list->setFocus(Qt::TabFocusReason);
}

void CChildFrame::Poll() {
    m_view->OnIdle();
    if (m_rate != nullptr) m_rate->Sample(m_clock.elapsed(), m_view->FrameCount());
    // Most polls find the counts as they were: nothing to repaint, no commands to update.
    if (UpdateStatus()) emit StateChanged();
}

core::Status CChildFrame::ApplyFilter(const QString& expression) {
    auto st = m_view->ApplyFilter(expression.toStdString(), [this] {
        QMetaObject::invokeMethod(this, &CChildFrame::OnFilterProgress, Qt::QueuedConnection);
    });
    UpdateStatus();
    emit StateChanged();
    return st;
}

core::Status CChildFrame::Find(const QString& text, packetlist::FindIn where, bool forward, bool matchCase) {
    auto st = m_view->Find(
        text.toStdString(), where, forward,
        [this] { QMetaObject::invokeMethod(this, &CChildFrame::OnFindProgress, Qt::QueuedConnection); }, matchCase);
    if (st) m_findProgress.start(kFindProgressMs);
    return st;
}

void CChildFrame::StopFind() {
    if (!m_view->Finding()) return;
    m_view->CancelFind();
    m_findProgress.stop();
    UpdateStatus();
    emit FindEnded(tr("Find: stopped"));
}

void CChildFrame::OnFilterProgress() {
    m_view->OnFilterProgress();
    if (UpdateStatus()) emit StateChanged();
}

void CChildFrame::OnFindProgress() {
    if (!m_view->Finding()) return;  // an earlier search's late word
    switch (m_view->OnFindProgress()) {
    case packetlist::CKestroView::FindState::Searching:
        return;
    case packetlist::CKestroView::FindState::NothingMore:
        QApplication::beep();
        emit FindEnded(QString::fromStdString(m_view->FindStatusText()));
        break;
    case packetlist::CKestroView::FindState::Found:
        emit FindEnded(QString());
        break;
    }
    m_findProgress.stop();
    UpdateStatus();
    emit StateChanged();
}

void CChildFrame::ListFilled() { m_list->Table().Refill(); }

void CChildFrame::RowsRetexted() { m_list->Table().Retext(); }

void CChildFrame::RowSelected(std::optional<std::uint32_t> row) {
    m_list->ShowRow(row);
    m_details->ShowRow(row);
    UpdateStatus();
    emit StateChanged();
}

void CChildFrame::PauseButton(bool pressed) { emit PauseButtonState(pressed); }

bool CChildFrame::UpdateStatus() {
    const QString packets = QString::fromStdString(m_view->PacketsText());
    const QString current = QString::fromStdString(m_view->CurrentText());
    const int progress = m_view->Progress();
    if (packets == m_packets->text() && current == m_current->text() && progress == m_progress->value()) return false;
    m_packets->setText(packets);
    m_current->setText(current);
    m_progress->setValue(progress);
    return true;
}

}  // namespace app
