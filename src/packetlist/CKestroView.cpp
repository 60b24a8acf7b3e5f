// Packet-list navigation. Every move that loads a block loads it beside the screen on
// display and switches only when the whole block loaded, so a corrupt block leaves the list,
// the screen number and the current frame as they were.
#include "packetlist/CKestroView.h"
#include "decode/BatchDecoding.h"

#include <algorithm>
#include <atomic>
#include <optional>
#include <utility>

#include "packetlist/FilterScan.h"
#include "packetlist/FindScan.h"
#include "packetlist/StatusTexts.h"

namespace packetlist {

namespace {

using Move = capture::TraceReader::Move;

std::uint32_t FirstRow() { return 0; }

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
    // The scan stops before anything it tells goes; the load in hand ends before the members
    // it fills go; its end is not reported.
    m_findScan.reset();
    m_filterScan.reset();
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
    auto view = std::make_unique<CKestroView>(std::move(reader).Value(), prompt, wait, std::move(loader));
    view->m_path = path;
    return view;
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
    // A live capture wrote a block after the screen: it loads ahead, once.
    if (IsLive() && !m_loading && Screen() != 0 && !m_after && BlockCount() != m_blocksSeenAhead) {
        m_blocksSeenAhead = BlockCount();
        LoadAhead(Move::Next, m_after);
    }
    // A live capture wrote more since the filter last looked: it looks at the new blocks.
    if (IsLive() && Filtering() && m_filterDone && m_filterIndex.ScreensScanned() < BlockCount()) {
        if (auto st = StartFilterScan(m_filterIndex.FramesScanned()); !st)
            m_prompt.Tell(st.Err().text, core::PromptIcon::Exclamation);
    }
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

bool AfterFirstScreen(const CKestroView& v) { return v.HasScreenBefore(); }
bool BeforeLastScreen(const CKestroView& v) { return v.HasScreenAfter(); }
bool AfterFirstFrame(const CKestroView& v) { return v.HasFrameBefore(); }
bool BeforeLastFrame(const CKestroView& v) { return v.HasFrameAfter(); }
// Down is also let through while the list has no frame (a live window before its first
// block): it asks for the next screen, which shows the first block once there is one, so
// the key stays quiet instead of beeping; the button has no frame to move to and stays off.
bool DownAllowed(const CKestroView& v) {
    if (v.Filtering()) return v.HasFrameAfter();
    return v.FrameCount() == 0 || v.FrameCount() - v.CurrentFrame() != 1;
}
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
    std::uint32_t screen = 0;  // known before its block is read
    capture::RawBlock block;   // its bytes let go once inflated
    std::unique_ptr<capture::CPktSnap> batch;
    core::Status status = core::Success();
    bool done = false;
    bool wanted = false;  // the user moved to it: it goes on display when done
    RowAfter rowAfter;
    std::atomic<bool> dropped{false};  // no longer wanted before it started
};

void CKestroView::Show(Fetched fetched, RowAfter rowAfter) {
    if (!fetched) {
        m_prompt.Tell(fetched.Err().text, core::PromptIcon::Exclamation);
        return;
    }
    if (!fetched.Value()) return;
    auto job = std::make_shared<LoadJob>();
    job->block = std::move(*fetched.Value());
    job->screen = job->block.screen;
    job->wanted = true;
    job->rowAfter = std::move(rowAfter);
    job->batch = std::make_unique<capture::CPktSnap>(&m_parsers);
    m_loading = true;
    m_wait.Begin();
    m_loader->Run([job] { LoadBlock(*job); }, [this, job] { LoadDone(job); });
}

void CKestroView::LoadBlock(LoadJob& job) {
    if (job.dropped) return;
    // The batch keeps the inflated bytes as its frames: nothing is copied or kept twice.
    std::vector<std::uint8_t> inflated;
    job.status = capture::TraceReader::Inflate(job.block, inflated);
    std::vector<std::uint8_t>().swap(job.block.compressed);
    if (job.status) job.status = capture::TraceReader::LoadBatch(job.block, std::move(inflated), *job.batch);
}

void CKestroView::LoadDone(const Job& job) {
    job->done = true;
    if (job->wanted) {
        Loaded(job);
    } else if (job != m_before && job != m_after) {
        Discard(job);
    } else if (!job->status) {
        // A move there tells what is wrong, as if nothing had been loaded ahead.
        (job == m_before ? m_before : m_after).reset();
        Discard(job);
    }
}

bool CKestroView::ShowAhead(std::uint32_t screen, RowAfter rowAfter) {
    return ShowAhead([screen](const LoadJob& job) { return job.screen == screen; }, rowAfter);
}

bool CKestroView::ShowAheadHolding(std::uint32_t frame, RowAfter rowAfter) {
    // A block still loading ahead has not told its frames yet.
    return ShowAhead(
        [frame](const LoadJob& job) {
            return job.done && job.block.trail.first <= frame && frame <= job.block.trail.last;
        },
        rowAfter);
}

bool CKestroView::ShowAhead(const std::function<bool(const LoadJob&)>& is, RowAfter& rowAfter) {
    for (Job* slot : {&m_before, &m_after}) {
        const Job job = *slot;
        if (!job || !is(*job)) continue;
        if (job->done && !job->status) {
            slot->reset();
            Discard(job);
            return false;
        }
        job->wanted = true;
        job->rowAfter = std::move(rowAfter);
        m_loading = true;
        m_wait.Begin();
        if (job->done) Loaded(job);
        return true;
    }
    return false;
}

void CKestroView::Loaded(const Job& job) {
    m_loading = false;
    m_wait.End();
    if (!job->status) {
        m_prompt.Tell(job->status.Err().text, core::PromptIcon::Exclamation);
        for (Job* slot : {&m_before, &m_after})
            if (*slot == job) slot->reset();
        Discard(job);
        return;
    }
    const RowAfter rowAfter = std::exchange(job->rowAfter, nullptr);
    job->wanted = false;
    m_reader.Accept(job->block);
    // The job takes the screen that went.
    std::swap(m_batch, job->batch);
    std::swap(m_shownBlock, job->block);
    job->screen = job->block.screen;
    m_rows.Invalidate();
    PickShownRows();
    Filled(rowAfter());
    KeepNeighbours(job);
}

void CKestroView::KeepNeighbours(const Job& went) {
    const std::uint32_t screen = Screen();
    Job before;
    Job after;
    for (const Job& job : {m_before, m_after, went}) {
        if (!job || job == before || job == after) continue;
        if (job->screen != 0 && job->screen + 1 == screen && !before) {
            before = job;
        } else if (job->screen == screen + 1 && !after) {
            after = job;
        } else {
            Discard(job);
        }
    }
    m_before = std::move(before);
    m_after = std::move(after);
    if (!m_after) LoadAhead(Move::Next, m_after);
    if (!m_before) LoadAhead(Move::Previous, m_before);
}

void CKestroView::LoadAhead(Move move, Job& slot) {
    const bool next = move == Move::Next;
    if (!m_loader->LoadsAhead() || Screen() == 0 || (next ? Screen() >= BlockCount() : Screen() <= 1)) return;
    if (!m_aheadReader) {
        // A reader of its own, so that the block is read where it is inflated.
        auto reader = capture::TraceReader::Open(m_path);
        if (!reader || !m_reader.IsFile(m_path)) return;
        m_aheadReader = std::make_shared<capture::TraceReader>(std::move(reader).Value());
    }
    auto job = std::make_shared<LoadJob>();
    job->screen = next ? Screen() + 1 : Screen() - 1;
    job->batch = std::make_unique<capture::CPktSnap>(&m_parsers);
    slot = job;
    auto read = [job, reader = m_aheadReader, from = m_shownBlock, counts = m_counts, move] {
        if (job->dropped) return;
        reader->SetKnownCounts(counts.blockCount, counts.frameCount, counts.endOffset);
        reader->Accept(from);
        auto fetched = reader->Fetch(move);
        if (!fetched || !fetched.Value()) {
            job->status = fetched ? core::Fail(core::ErrorKind::Corrupt, "no block there") : fetched.Err();
            return;
        }
        job->block = std::move(*fetched.Value());
        LoadBlock(*job);
    };
    m_loader->RunAhead(std::move(read), [this, job] { LoadDone(job); });
}

void CKestroView::Discard(const Job& job) {
    if (!job->done) {
        // Its load drops it when done, or does nothing when it has not started.
        job->dropped = true;
        return;
    }
    // A large batch takes a while to free: it goes where blocks are loaded.
    if (job->batch)
        m_loader->Run([old = std::shared_ptr<capture::CPktSnap>(std::move(job->batch))]() mutable { old.reset(); },
                      [] {});
}

bool CKestroView::LoadingAhead() const noexcept {
    return (m_before && !m_before->done) || (m_after && !m_after->done);
}

void CKestroView::Filled(std::uint32_t row) {
    // Whatever move filled the list, the first screen is no longer pending: the idle rule
    // must not jump back to block 1 afterwards.
    m_firstScreenPending = false;
    if (!Filtering() || row < RowCount()) m_currentFrame = ScreenFirst() + BatchRow(row);
    if (m_listener != nullptr) m_listener->ListFilled();
    Select(row);
}

void CKestroView::ShowFrame(std::uint32_t frame) {
    if (m_loading) return;
    if (Screen() != 0 && m_reader.ScreenFirst() <= frame && frame <= m_reader.ScreenLast()) {
        for (std::uint32_t row = 0; row < RowCount(); ++row)
            if (ScreenFirst() + BatchRow(row) == frame) Select(row);
        return;
    }
    const RowAfter rowOfFrame = [this, frame] {
        for (std::uint32_t row = 0; row < RowCount(); ++row)
            if (ScreenFirst() + BatchRow(row) == frame) return row;
        return 0U;
    };
    if (ShowAheadHolding(frame, rowOfFrame)) return;
    auto found = m_reader.FetchFrame(frame, m_currentFrame);
    Fetched fetched =
        found ? Fetched(std::optional<capture::RawBlock>(std::move(found).Value())) : Fetched(found.Err());
    Show(std::move(fetched), rowOfFrame);
}

void CKestroView::GoToBeginning() {
    if (Filtering()) {
        if (const auto screen = m_filterIndex.FirstScreen()) ShowFrame(m_filterIndex.FramesOf(*screen).front());
        return;
    }
    if (!m_loading && BlockCount() > 0 && !ShowAhead(1, FirstRow)) Show(m_reader.Fetch(Move::First), FirstRow);
}

void CKestroView::PreviousScreen() {
    if (Filtering()) {
        if (const auto screen = m_filterIndex.PreviousScreen(Screen()))
            ShowFrame(m_filterIndex.FramesOf(*screen).front());
        return;
    }
    if (!m_loading && !ShowAhead(Screen() - 1, FirstRow)) Show(m_reader.Fetch(Move::Previous), FirstRow);
}

void CKestroView::PreviousPacket() {
    const auto row = CurrentRow();
    if (row && *row > 0) {
        Select(*row - 1);
        return;
    }
    if (Filtering()) {
        if (const auto hit = m_filterIndex.MatchBefore(m_currentFrame)) ShowFrame(hit->frame);
        return;
    }
    const RowAfter lastRow = [this] { return RowCount() == 0 ? 0 : RowCount() - 1; };
    if (!m_loading && !ShowAhead(Screen() - 1, lastRow)) Show(m_reader.Fetch(Move::Previous), lastRow);
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
    if (Filtering() && !m_firstScreenPending) {
        if (const auto screen = m_filterIndex.NextScreen(Screen())) ShowFrame(m_filterIndex.FramesOf(*screen).front());
        return;
    }
    if (m_firstScreenPending) {
        // The reader starts at the first block; with none written yet there is nothing to show.
        if (BlockCount() > 0) Show(m_reader.Fetch(Move::First), [] { return 0U; });
        return;
    }
    if (!ShowAhead(Screen() + 1, FirstRow)) Show(m_reader.Fetch(Move::Next), FirstRow);
}

void CKestroView::GoToEnd() {
    if (Filtering()) {
        if (const auto screen = m_filterIndex.LastScreen()) ShowFrame(m_filterIndex.FramesOf(*screen).front());
        return;
    }
    if (!m_loading && !ShowAhead(BlockCount(), FirstRow)) Show(m_reader.Fetch(Move::Last), FirstRow);
}

void CKestroView::GotoPacket(std::string_view packetField) {
    if (m_loading) return;
    const std::int64_t n = ParsePacketNumber(packetField);
    if (n == m_currentFrame) return;
    if (n < 0 || n >= FrameCount()) {
        m_prompt.Tell(InvalidLineNumberText(FrameCount()), core::PromptIcon::Exclamation);
        return;
    }
    if (Filtering()) {
        // The frame itself when it matches, else the next match after it.
        if (const auto hit = m_filterIndex.MatchAtOrAfter(static_cast<std::uint32_t>(n))) {
            ShowFrame(hit->frame);
        } else {
            m_prompt.Tell(NoMatchFromText(static_cast<std::uint64_t>(n)), core::PromptIcon::Exclamation);
        }
        return;
    }
    const auto frame = static_cast<std::uint32_t>(n);
    if (Screen() != 0 && frame >= ScreenFirst() && frame - ScreenFirst() < RowCount()) {
        Select(frame - ScreenFirst());
        return;
    }
    const RowAfter rowOfFrame = [this, frame] { return frame - ScreenFirst(); };
    if (ShowAheadHolding(frame, rowOfFrame)) return;
    auto found = m_reader.FetchFrame(frame, m_currentFrame);
    Fetched fetched =
        found ? Fetched(std::optional<capture::RawBlock>(std::move(found).Value())) : Fetched(found.Err());
    Show(std::move(fetched), rowOfFrame);
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
    m_currentFrame = ScreenFirst() + BatchRow(row);
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
    if (Screen() == 0 || m_currentFrame < ScreenFirst()) return std::nullopt;
    const std::uint32_t batchRow = m_currentFrame - ScreenFirst();
    if (Filtering()) {
        const auto it = std::lower_bound(m_shownRows.begin(), m_shownRows.end(), batchRow);
        if (it == m_shownRows.end() || *it != batchRow) return std::nullopt;
        return static_cast<std::uint32_t>(it - m_shownRows.begin());
    }
    if (batchRow >= RowCount()) return std::nullopt;
    return batchRow;
}

bool CKestroView::DetailOf(std::uint32_t row, decode::CPktDetailLine& root) const {
    if (row >= RowCount()) return false;
    decode::DetailOf(*m_batch, &root, BatchRow(row));
    return true;
}

std::vector<std::uint8_t> CKestroView::BytesOf(std::uint32_t row) const {
    if (row >= RowCount()) return {};
    const auto bytes = m_batch->GetFrame(row).GetData();
    return {bytes.begin(), bytes.end()};
}

std::string CKestroView::PacketsText() const {
    if (Filtering()) return FilteredPacketsText(m_filterIndex.MatchCount(), FrameCount());
    return PacketsPaneText(FrameCount(), EndOffset(), m_counts.framesLost);
}

std::string CKestroView::CurrentText() const { return CurrentPaneText(m_currentFrame); }

int CKestroView::Progress() const {
    if (Finding()) return m_findScan->Progress();
    if (FilterScanning()) return m_filterScan->Progress();
    return ProgressPercent(m_currentFrame, static_cast<std::int64_t>(FrameCount()) - 1);
}

bool CKestroView::HasScreenBefore() const noexcept {
    return Filtering() ? m_filterIndex.PreviousScreen(Screen()).has_value() : Screen() > 1;
}

bool CKestroView::HasScreenAfter() const noexcept {
    return Filtering() ? m_filterIndex.NextScreen(Screen()).has_value() : Screen() < BlockCount();
}

bool CKestroView::HasFrameBefore() const noexcept {
    return Filtering() ? m_filterIndex.MatchBefore(m_currentFrame).has_value() : m_currentFrame != 0;
}

bool CKestroView::HasFrameAfter() const noexcept {
    if (Filtering()) return m_filterIndex.MatchAtOrAfter(m_currentFrame + 1).has_value();
    return FrameCount() != 0 && m_currentFrame < FrameCount() - 1;
}

void CKestroView::PickShownRows() {
    m_shownRows.clear();
    if (!Filtering() || Screen() == 0) return;
    for (const std::uint32_t frame : m_filterIndex.FramesOf(Screen())) m_shownRows.push_back(frame - ScreenFirst());
}

core::Status CKestroView::ApplyFilter(const std::string& expression, std::function<void()> notify) {
    if (expression.empty()) {
        ClearFilter();
        return core::Success();
    }
    auto compiled = filter::FrameFilter::Compile(expression);
    if (!compiled) return compiled.Err();
    if (m_path.empty()) return core::Fail(core::ErrorKind::Unsupported, "the packet list was not opened from a file");
    m_filterScan.reset();  // the scan in hand stops first
    m_filter = std::make_unique<filter::FrameFilter>(std::move(compiled).Value());
    m_filterNotify = std::move(notify);
    m_filterIndex = FilterIndex();
    m_filterExpression = expression;
    m_filterShown = false;
    if (auto st = StartFilterScan(0); !st) {
        ClearFilter();
        return st;
    }
    PickShownRows();
    if (m_listener != nullptr) m_listener->ListFilled();
    return core::Success();
}

core::Status CKestroView::StartFilterScan(std::uint32_t fromFrame) {
    auto reader = capture::TraceReader::Open(m_path);
    if (!reader) return reader.Err();
    // The scan reads as far as the view knows the file, however far a live capture has
    // written.
    reader.Value().SetKnownCounts(BlockCount(), FrameCount(), EndOffset());
    m_filterScan.reset();
    m_filterDone = false;
    m_filterScan = std::make_unique<FilterScan>(std::move(reader).Value(), *m_filter, m_filterNotify, fromFrame);
    return core::Success();
}

void CKestroView::ClearFilter() {
    if (!Filtering() && !m_filter) return;
    m_filterScan.reset();
    m_filter.reset();
    m_filterIndex = FilterIndex();
    m_filterExpression.clear();
    m_shownRows.clear();
    m_rows.Invalidate();
    if (m_listener != nullptr) m_listener->ListFilled();
    if (const auto row = CurrentRow()) Select(*row);
}

void CKestroView::OnFilterProgress() {
    if (!Filtering()) return;
    auto found = m_filterScan->Take();
    bool screenChanged = false;
    for (auto& screen : found.screens) {
        screenChanged = screenChanged || screen.screen == Screen();
        m_filterIndex.Add(std::move(screen));
    }
    m_filterDone = found.finished;
    for (const auto& error : found.errors) m_prompt.Tell(error, core::PromptIcon::Exclamation);
    if (screenChanged) {
        // The screen on display was scanned just now: its matches appear.
        PickShownRows();
        if (m_listener != nullptr) m_listener->ListFilled();
    }
    if (!m_filterShown && !m_loading) {
        if (const auto first = m_filterIndex.FirstScreen()) {
            m_filterShown = true;
            ShowFrame(m_filterIndex.FramesOf(*first).front());
        }
    }
}

core::Status CKestroView::Find(const std::string& text, FindIn where, bool forward, std::function<void()> notify,
                               bool matchCase) {
    CancelFind();
    m_findStatus.clear();
    if (m_path.empty()) return core::Fail(core::ErrorKind::Unsupported, "the packet list was not opened from a file");
    auto reader = capture::TraceReader::Open(m_path);
    if (!reader) return reader.Err();
    reader.Value().SetKnownCounts(BlockCount(), FrameCount(), EndOffset());
    m_findText = text;
    m_findForward = forward;
    FindScan::Request request{text, where, m_summaryLevel, m_currentFrame, forward, matchCase, std::nullopt};
    if (m_filter) request.filter = *m_filter;
    m_findScan = std::make_unique<FindScan>(std::move(reader).Value(), std::move(request), std::move(notify));
    return core::Success();
}

void CKestroView::CancelFind() { m_findScan.reset(); }

CKestroView::FindState CKestroView::OnFindProgress() {
    if (!Finding()) return FindState::NothingMore;
    auto outcome = m_findScan->Result();
    if (!outcome.finished && outcome.errors.empty()) return FindState::Searching;
    m_findScan.reset();
    for (const auto& error : outcome.errors) m_prompt.Tell(error, core::PromptIcon::Exclamation);
    if (!outcome.frame) {
        m_findStatus = NothingMoreFoundText(m_findText);
        return FindState::NothingMore;
    }
    if (Filtering()) {
        ShowFrame(*outcome.frame);
    } else {
        GotoPacket(std::to_string(*outcome.frame));
    }
    return FindState::Found;
}

}  // namespace packetlist
