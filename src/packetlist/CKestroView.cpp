// Packet-list navigation. Every move that loads a block loads it beside the screen on
// display and switches only when the whole block loaded, so a corrupt block leaves the list,
// the screen number and the current frame as they were.
#include "packetlist/CKestroView.h"
#include "decode/BatchDecoding.h"

#include <optional>
#include <utility>

#include "packetlist/StatusTexts.h"

namespace packetlist {

namespace {

using Move = capture::TraceReader::Move;

const char* LimitQuestion(bool time, bool size) {
    if (time && size) return "Time limit and file size limit \n are exceeded. Continue?";
    if (size) return "File size limit \n is exceeded. Continue?";
    return "Time limit \n is exceeded. Continue?";
}

}  // namespace

CKestroView::CKestroView(capture::TraceReader reader, core::UserPrompt& prompt, core::WaitCursor& wait,
                         std::unique_ptr<BlockLoader> loader)
    : m_reader(std::move(reader)),
      m_prompt(prompt),
      m_wait(wait),
      m_conf(decode::CPktParsersConf::FromTableFiles()),
      m_parsers(m_conf),
      m_batch(std::make_unique<capture::CPktSnap>(&m_parsers)),
      m_loader(loader ? std::move(loader) : std::make_unique<InlineBlockLoader>()) {}

CKestroView::~CKestroView() {
    // The load in hand ends before the members it fills go; its end is not reported.
    m_loader.reset();
    if (m_loading) m_wait.End();
}

std::unique_ptr<CKestroView> CKestroView::Open(const std::string& path, core::UserPrompt& prompt,
                                               core::WaitCursor& wait, std::unique_ptr<BlockLoader> loader) {
    auto reader = capture::TraceReader::Open(path);
    if (!reader) {
        prompt.Tell("Trace file could not be opened!\n" + reader.Err().text, core::PromptIcon::Exclamation);
        return nullptr;
    }
    return std::make_unique<CKestroView>(std::move(reader).Value(), prompt, wait, std::move(loader));
}

void CKestroView::InitialUpdateSaved() {
    m_pauseAllowed = false;
    const bool valid = m_reader.Validate(m_prompt);
    // The header's counts are taken even when only the length is wrong, as the status bar
    // shows them; the list stays empty then.
    m_counts.blockCount = m_reader.BlockCount();
    m_counts.frameCount = m_reader.FrameCount();
    m_counts.endOffset = m_reader.EndOffset();
    m_currentFrame = 0;
    if (valid) NextScreen();
}

void CKestroView::InitialUpdateLive(CaptureLink& link) {
    m_link = &link;
    m_pauseAllowed = true;
    Refresh();
}

void CKestroView::Refresh() {
    if (m_link == nullptr) return;
    m_counts = m_link->Counts();
    m_reader.SetKnownCounts(m_counts.blockCount, m_counts.frameCount, m_counts.endOffset);
}

void CKestroView::OnIdle() {
    Refresh();
    if (!m_loading && m_firstScreenPending && Screen() < BlockCount()) NextScreen();
}

void CKestroView::OnLimitNotify() {
    Refresh();
    if (m_listener != nullptr) m_listener->PauseButton(Paused());
}

namespace {

// The navigation rules, one row per command: the key that runs it, when the menus and tool
// bars enable it, and whether a refused key still goes on to the list control. A key is
// allowed exactly when its command is enabled, except where a row gives the key a rule of
// its own. Screens never run past the block count (a screen is a block that exists), so
// "screen < block count" is also the keys' "screen != block count".
struct NavRule {
    NavCommand command;
    std::optional<NavKey> key;
    bool (*enabled)(const CKestroView&);
    bool (*keyAllowed)(const CKestroView&);  // nullptr: as enabled
    bool passOnRefusedKey;                   // Home, Page Up, Page Down and End do; Up and Down do not
    void (CKestroView::*run)();              // nullptr: go to packet, which reads the packet field
};

bool AfterFirstScreen(const CKestroView& v) { return v.Screen() > 1; }
bool BeforeLastScreen(const CKestroView& v) { return v.Screen() < v.BlockCount(); }
bool AfterFirstFrame(const CKestroView& v) { return v.CurrentFrame() != 0; }
bool BeforeLastFrame(const CKestroView& v) { return v.FrameCount() != 0 && v.CurrentFrame() < v.FrameCount() - 1; }
// Down is also let through while the list has no frame (a live window before its first
// block): it asks for the next screen, which shows the first block once there is one, so
// the key stays quiet instead of beeping; the button has no frame to move to and stays off.
bool DownAllowed(const CKestroView& v) { return v.FrameCount() == 0 || v.FrameCount() - v.CurrentFrame() != 1; }
bool AnyBlock(const CKestroView& v) { return v.BlockCount() != 0; }
bool PauseAllowed(const CKestroView& v) { return v.PauseAllowed(); }

constexpr NavRule kNavRules[] = {
    {NavCommand::GoToBeginning, NavKey::Home, AfterFirstScreen, nullptr, true, &CKestroView::GoToBeginning},
    {NavCommand::PreviousScreen, NavKey::PageUp, AfterFirstScreen, nullptr, true, &CKestroView::PreviousScreen},
    {NavCommand::PreviousPacket, NavKey::Up, AfterFirstFrame, nullptr, false, &CKestroView::PreviousPacket},
    {NavCommand::NextPacket, NavKey::Down, BeforeLastFrame, DownAllowed, false, &CKestroView::NextPacket},
    {NavCommand::NextScreen, NavKey::PageDown, BeforeLastScreen, nullptr, true, &CKestroView::NextScreen},
    {NavCommand::GoToEnd, NavKey::End, BeforeLastScreen, nullptr, true, &CKestroView::GoToEnd},
    {NavCommand::GotoPacket, std::nullopt, AnyBlock, nullptr, false, nullptr},
    {NavCommand::PauseContinue, std::nullopt, PauseAllowed, nullptr, false, &CKestroView::PauseContinue},
};

const NavRule* RuleFor(NavCommand command) {
    for (const auto& rule : kNavRules)
        if (rule.command == command) return &rule;
    return nullptr;
}

const NavRule* RuleFor(NavKey key) {
    for (const auto& rule : kNavRules)
        if (rule.key == key) return &rule;
    return nullptr;
}

}  // namespace

bool CKestroView::IsKeyAllowed(NavKey key) const noexcept {
    const NavRule* rule = RuleFor(key);
    if (rule == nullptr) return false;
    return rule->keyAllowed != nullptr ? rule->keyAllowed(*this) : rule->enabled(*this);
}

KeyOutcome CKestroView::OnKey(NavKey key) {
    KeyOutcome out;
    const NavRule* rule = RuleFor(key);
    if (m_loading || rule == nullptr) return out;  // swallowed while the wait cursor shows
    if (!IsKeyAllowed(key)) {
        out.beep = true;
        out.passOn = rule->passOnRefusedKey;
        return out;
    }
    out.ran = true;
    (this->*rule->run)();
    return out;
}

bool CKestroView::IsEnabled(NavCommand command) const noexcept {
    const NavRule* rule = RuleFor(command);
    return rule != nullptr && rule->enabled(*this);
}

bool CKestroView::IsPressed(NavCommand command) const noexcept {
    return command == NavCommand::PauseContinue && Paused();
}

void CKestroView::Run(NavCommand command, std::string_view packetField) {
    const NavRule* rule = RuleFor(command);
    if (rule == nullptr) return;
    if (rule->run == nullptr) {
        GotoPacket(packetField);
        return;
    }
    (this->*rule->run)();
}

struct CKestroView::LoadJob {
    capture::RawBlock block;
    std::unique_ptr<capture::CPktSnap> batch;
    core::Status status = core::Success();
    RowAfter rowAfter;
};

void CKestroView::Show(Fetched fetched, RowAfter rowAfter) {
    if (!fetched) {
        m_prompt.Tell(fetched.Err().text, core::PromptIcon::Exclamation);
        return;
    }
    if (!fetched.Value()) return;
    auto job = std::make_shared<LoadJob>();
    job->block = std::move(*fetched.Value());
    job->batch = std::make_unique<capture::CPktSnap>(&m_parsers);
    job->rowAfter = std::move(rowAfter);
    m_loading = true;
    m_wait.Begin();
    m_loader->Run(
        [job] {
            // The batch keeps the inflated bytes as its frames: nothing is copied or kept twice.
            std::vector<std::uint8_t> inflated;
            job->status = capture::TraceReader::Inflate(job->block, inflated);
            if (job->status)
                job->status = capture::TraceReader::LoadBatch(job->block, std::move(inflated), *job->batch);
        },
        [this, job] { Loaded(*job); });
}

void CKestroView::Loaded(LoadJob& job) {
    m_loading = false;
    m_wait.End();
    if (!job.status) {
        m_prompt.Tell(job.status.Err().text, core::PromptIcon::Exclamation);
    } else {
        m_reader.Accept(job.block);
        std::swap(m_batch, job.batch);
        m_rows.Invalidate();
        Filled(job.rowAfter());
    }
    // The screen that went (or the block that failed) is freed where blocks are loaded: a
    // large batch takes a while to free.
    m_loader->Run([old = std::shared_ptr<capture::CPktSnap>(std::move(job.batch))]() mutable { old.reset(); }, [] {});
}

void CKestroView::Filled(std::uint32_t row) {
    // Whatever move filled the list, the first screen is no longer pending: the idle rule
    // must not jump back to block 1 afterwards.
    m_firstScreenPending = false;
    m_currentFrame = ScreenFirst() + row;
    if (m_listener != nullptr) m_listener->ListFilled();
    Select(row);
}

void CKestroView::GoToBeginning() {
    if (!m_loading && BlockCount() > 0) Show(m_reader.Fetch(Move::First), [] { return 0U; });
}

void CKestroView::PreviousScreen() {
    if (!m_loading) Show(m_reader.Fetch(Move::Previous), [] { return 0U; });
}

void CKestroView::PreviousPacket() {
    const auto row = CurrentRow();
    if (row && *row > 0) {
        Select(*row - 1);
        return;
    }
    if (!m_loading) Show(m_reader.Fetch(Move::Previous), [this] { return RowCount() == 0 ? 0 : RowCount() - 1; });
}

void CKestroView::NextPacket() {
    const auto row = CurrentRow();
    if (row && *row + 1 < RowCount()) {
        Select(*row + 1);
        return;
    }
    NextScreen();
}

void CKestroView::NextScreen() {
    if (m_loading) return;
    if (m_firstScreenPending) {
        // The reader starts at the first block; with none written yet there is nothing to show.
        if (BlockCount() > 0) Show(m_reader.Fetch(Move::First), [] { return 0U; });
        return;
    }
    Show(m_reader.Fetch(Move::Next), [] { return 0U; });
}

void CKestroView::GoToEnd() {
    if (!m_loading) Show(m_reader.Fetch(Move::Last), [] { return 0U; });
}

void CKestroView::GotoPacket(std::string_view packetField) {
    if (m_loading) return;
    const std::int64_t n = ParsePacketNumber(packetField);
    if (n == m_currentFrame) return;
    if (n < 0 || n >= FrameCount()) {
        m_prompt.Tell(InvalidLineNumberText(FrameCount()), core::PromptIcon::Exclamation);
        return;
    }
    const auto frame = static_cast<std::uint32_t>(n);
    if (Screen() != 0 && frame >= ScreenFirst() && frame - ScreenFirst() < RowCount()) {
        Select(frame - ScreenFirst());
        return;
    }
    auto found = m_reader.FetchFrame(frame, m_currentFrame);
    Fetched fetched =
        found ? Fetched(std::optional<capture::RawBlock>(std::move(found).Value())) : Fetched(found.Err());
    Show(std::move(fetched), [this, frame] { return frame - ScreenFirst(); });
}

void CKestroView::PauseContinue() {
    if (m_link == nullptr || !m_pauseAllowed) return;
    Refresh();
    if (Paused() && (TimeLimitReached() || SizeLimitReached())) {
        const char* question = LimitQuestion(TimeLimitReached(), SizeLimitReached());
        if (m_prompt.Show(question, core::PromptIcon::Question, core::PromptButtons::YesNo) != core::PromptAnswer::Yes)
            return;
    }
    if (m_listener != nullptr) m_listener->PauseButton(Paused());
    m_link->RequestPauseToggle();
}

void CKestroView::Select(std::uint32_t row) {
    if (m_firstScreenPending || FrameCount() == 0) return;
    if (row >= RowCount()) {
        if (m_listener != nullptr) m_listener->RowSelected(std::nullopt);
        return;
    }
    m_currentFrame = ScreenFirst() + row;
    m_shownFrame = m_currentFrame;
    if (m_listener != nullptr) m_listener->RowSelected(row);
}

void CKestroView::SetSummaryLevel(std::uint32_t level) {
    if (level == m_summaryLevel) return;
    m_summaryLevel = level;
    m_rows.Invalidate();
    if (m_listener != nullptr) m_listener->RowsRetexted();
}

std::optional<std::uint32_t> CKestroView::CurrentRow() const noexcept {
    if (Screen() == 0 || m_currentFrame < ScreenFirst() || m_currentFrame - ScreenFirst() >= RowCount())
        return std::nullopt;
    return m_currentFrame - ScreenFirst();
}

bool CKestroView::DetailOf(std::uint32_t row, decode::CPktDetailLine& root) const {
    if (row >= RowCount()) return false;
    decode::DetailOf(*m_batch, &root, row);
    return true;
}

std::vector<std::uint8_t> CKestroView::BytesOf(std::uint32_t row) const {
    if (row >= RowCount()) return {};
    const auto bytes = m_batch->GetFrame(row).GetData();
    return {bytes.begin(), bytes.end()};
}

std::string CKestroView::PacketsText() const { return PacketsPaneText(FrameCount(), EndOffset(), m_counts.framesLost); }

std::string CKestroView::CurrentText() const { return CurrentPaneText(m_currentFrame); }

int CKestroView::Progress() const {
    return ProgressPercent(m_currentFrame, static_cast<std::int64_t>(FrameCount()) - 1);
}

}  // namespace packetlist
