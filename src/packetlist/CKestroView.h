// The packet list of a capture window, without its widget: one screen at a time (the frames
// of one trace-file block), the current frame, the navigation commands with the rules that
// allow them, go to packet, the summary level, pause/continue with its limit prompts, and
// the enabled state of every command. The workbench draws what this says; tests drive it
// directly.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "capture/CPktSnap.h"
#include "capture/TraceReader.h"
#include "core/UserPrompt.h"
#include "decode/CPktDetailLine.h"
#include "decode/CPktParsers.h"
#include "decode/CPktParsersConf.h"
#include "decode/ProtoCode.h"
#include "packetlist/BlockLoader.h"
#include "packetlist/CaptureLink.h"
#include "packetlist/FilterIndex.h"
#include "packetlist/NavCommand.h"
#include "packetlist/PacketRowCache.h"
#include "packetlist/TextFind.h"

namespace filter {
class FrameFilter;
}  // namespace filter

namespace packetlist {

class FilterScan;
class FindScan;

class CKestroView {
public:
    // What the widgets hear about; every call comes on the thread that drives the view.
    class Listener {
    public:
        virtual ~Listener() = default;
        // Another block is on display: every row changed and the row count may have.
        virtual void ListFilled() {}
        // The Source, Destination and Summary texts of every row changed (a level change).
        virtual void RowsRetexted() {}
        // The selection is on row (its details are to be shown), or on none.
        virtual void RowSelected(std::optional<std::uint32_t> row) { (void)row; }
        // The pause/continue button is to show this state (pressed while paused).
        virtual void PauseButton(bool pressed) { (void)pressed; }
    };

    // The view over a trace file and its own decoder objects (tables read from their files).
    // Blocks load through loader (in place when none is given).
    CKestroView(capture::TraceReader reader, core::UserPrompt& prompt, core::WaitCursor& wait,
                std::unique_ptr<BlockLoader> loader = nullptr);
    ~CKestroView();
    CKestroView(const CKestroView&) = delete;
    CKestroView& operator=(const CKestroView&) = delete;

    // Opens path for reading; nullptr after "Trace file could not be opened!".
    static std::unique_ptr<CKestroView> Open(const std::string& path, core::UserPrompt& prompt, core::WaitCursor& wait,
                                             std::unique_ptr<BlockLoader> loader = nullptr);

    void SetListener(Listener* listener) noexcept { m_listener = listener; }
    // The file the view reads, for a filter's or a search's own reader (Open sets it).
    void SetPath(std::string path) { m_path = std::move(path); }

    // A saved trace: validate it (a file that fails leaves the list empty) and show the
    // first screen with the details of its first row. Pause/continue stays disabled.
    void InitialUpdateSaved();
    // A live capture: counts and flags come from link, which must outlive the view. The
    // first screen comes with the first block, through OnIdle.
    void InitialUpdateLive(CaptureLink& link);

    // Takes the capture's latest counts (live views; a saved view keeps its header's), then
    // applies the first-screen rule: while the first screen is pending and a block exists
    // beyond it, show it now. A filter goes on to the blocks a live capture added.
    void OnIdle();
    // The capture thread paused on a limit.
    void OnLimitNotify();

    // A block is loading: the screen shows the previous one until it is in, and moves that
    // would load another block are ignored meanwhile (the wait cursor shows).
    bool Loading() const noexcept { return m_loading; }
    // The blocks beside the screen on display are still loading, ahead of a move to them (a
    // window holds at most three blocks: the screen and one on either side).
    bool LoadingAhead() const noexcept;

    // Keys: an allowed key runs its command, a refused one beeps.
    KeyOutcome OnKey(NavKey key);
    bool IsKeyAllowed(NavKey key) const noexcept;
    // The enabled state of a command for the tool bars and menus; pause/continue is also
    // pressed while paused (IsPressed).
    bool IsEnabled(NavCommand command) const noexcept;
    bool IsPressed(NavCommand command) const noexcept;
    // Runs a command from a menu or a tool button (go to packet reads packetField).
    void Run(NavCommand command, std::string_view packetField = {});

    void GoToBeginning();
    void PreviousScreen();
    void PreviousPacket();
    void NextPacket();
    void NextScreen();
    void GoToEnd();
    void GotoPacket(std::string_view packetField);
    void PauseContinue();

    // The user picked row (a click, or the list moved its focus). Nothing happens while the
    // first screen is pending or the file has no frame.
    void Select(std::uint32_t row);
    // Source, Destination and Summary of every row follow the new level; Counter and Delta
    // do not change.
    void SetSummaryLevel(std::uint32_t level);

    // Filtering: only the frames a capture-filter expression (tcpdump's syntax) selects are
    // shown, with their own counters; screens stay blocks, and the moves pass over screens
    // without a match. The file is scanned on a thread of its own, which calls notify when
    // it has found more; the window then calls OnFilterProgress on its own thread. A bad
    // expression is refused with libpcap's message and changes nothing; an empty one clears
    // the filter. A new expression, clearing, or the view going cancels the scan in hand.
    core::Status ApplyFilter(const std::string& expression, std::function<void()> notify = {});
    void ClearFilter();
    // Takes in what the scan found; the first screen with a match is shown as soon as it
    // is known.
    void OnFilterProgress();
    bool Filtering() const noexcept { return m_filterScan != nullptr; }
    // The scan is still looking (its progress in Progress()).
    bool FilterScanning() const noexcept { return Filtering() && !m_filterDone; }
    const std::string& FilterExpression() const noexcept { return m_filterExpression; }
    const FilterIndex& Matches() const noexcept { return m_filterIndex; }

    // Find: the next frame after the current one (or the one before it) whose summary at
    // the list's level, or whose detail text, holds text, letter case ignored, searched
    // across screens on a thread of its own (notify as for a filter); matchCase: letter case
    // counts too. A new search, or the
    // view going, cancels the one in hand. While a filter is on, only its matches are found.
    enum class FindState { Searching, Found, NothingMore };
    core::Status Find(const std::string& text, FindIn where, bool forward, std::function<void()> notify = {},
                      bool matchCase = false);
    // Found: the frame is shown and selected. NothingMore: the window beeps and shows
    // FindStatusText().
    FindState OnFindProgress();
    bool Finding() const noexcept { return m_findScan != nullptr; }
    void CancelFind();
    const std::string& FindStatusText() const noexcept { return m_findStatus; }

    // Moves the rules allow, filtered or not.
    bool HasScreenBefore() const noexcept;
    bool HasScreenAfter() const noexcept;
    bool HasFrameBefore() const noexcept;
    bool HasFrameAfter() const noexcept;

    // Rows of the screen on display: every frame of its block, or the matching ones.
    std::uint32_t RowCount() const noexcept {
        return Filtering() ? static_cast<std::uint32_t>(m_shownRows.size()) : m_batch->GetFrameCount();
    }
    const RowTexts& Row(std::uint32_t row) { return m_rows.Row(*m_batch, m_summaryLevel, BatchRow(row)); }
    // The row of the current frame when it is on display.
    std::optional<std::uint32_t> CurrentRow() const noexcept;
    // The detail lines of a row below root; false (and nothing added) for a row not on display.
    bool DetailOf(std::uint32_t row, decode::CPktDetailLine& root) const;
    // The captured bytes of a row (a copy: the block may go); empty for a row not on display.
    std::vector<std::uint8_t> BytesOf(std::uint32_t row) const;

    // The status bar: "%d Packets, %d Kb" (and ", %d lost" once a live capture lost frames),
    // or "N of M packets" while a filter is on; "Current packet: %d"; progress 0..100 (of
    // the filter's scan while it runs).
    std::string PacketsText() const;
    std::string CurrentText() const;
    int Progress() const;

    std::uint32_t FrameCount() const noexcept { return m_counts.frameCount; }
    std::uint32_t BlockCount() const noexcept { return m_counts.blockCount; }
    std::uint32_t EndOffset() const noexcept { return m_counts.endOffset; }
    std::uint32_t CurrentFrame() const noexcept { return m_currentFrame; }
    std::int64_t ShownFrame() const noexcept { return m_shownFrame; }
    std::uint32_t Screen() const noexcept { return m_reader.Screen(); }
    std::uint32_t ScreenFirst() const noexcept { return m_reader.ScreenFirst(); }
    std::uint32_t ScreenLast() const noexcept { return m_reader.ScreenLast(); }
    bool FirstScreenPending() const noexcept { return m_firstScreenPending; }
    bool Paused() const noexcept { return m_counts.paused; }
    bool PauseAllowed() const noexcept { return m_pauseAllowed; }
    bool TimeLimitReached() const noexcept { return m_counts.timeLimitReached; }
    bool SizeLimitReached() const noexcept { return m_counts.sizeLimitReached; }
    std::uint32_t SummaryLevel() const noexcept { return m_summaryLevel; }
    bool IsLive() const noexcept { return m_link != nullptr; }
    const capture::CPktSnap& Batch() const noexcept { return *m_batch; }
    // The decoders the window's rows come from, and their tables.
    const decode::CPktParsers& Parsers() const noexcept { return m_parsers; }
    const decode::CPktParsersConf& Conf() const noexcept { return m_conf; }

private:
    using Fetched = core::Result<std::optional<capture::RawBlock>>;
    // Which row to select once the block is on display (it may depend on the block).
    using RowAfter = std::function<std::uint32_t()>;
    struct LoadJob;
    using Job = std::shared_ptr<LoadJob>;

    // Loads the fetched block into a batch of its own and, only when all of it loaded, puts
    // it on display and selects rowAfter(); otherwise the screen stays as it was and the user
    // is told what is wrong.
    void Show(Fetched fetched, RowAfter rowAfter);
    // The same for a block beside the screen, already loaded or loading ahead, that is
    // `screen` (or holds `frame`); false when neither neighbour is.
    bool ShowAhead(std::uint32_t screen, RowAfter rowAfter);
    bool ShowAheadHolding(std::uint32_t frame, RowAfter rowAfter);
    bool ShowAhead(const std::function<bool(const LoadJob&)>& is, RowAfter& rowAfter);
    // Inflates and loads the job's block, where blocks are loaded.
    static void LoadBlock(LoadJob& job);
    void LoadDone(const Job& job);
    void Loaded(const Job& job);
    // Keeps the blocks beside the new screen among the old neighbours and the screen that
    // went, frees the others, and loads the missing ones ahead.
    void KeepNeighbours(const Job& went);
    void LoadAhead(capture::TraceReader::Move move, Job& slot);
    void Discard(const Job& job);
    // After a new screen: select row (its details), and tell the widgets.
    void Filled(std::uint32_t row);
    void Refresh();
    // The batch row of a row on display.
    std::uint32_t BatchRow(std::uint32_t row) const noexcept {
        return Filtering() && row < m_shownRows.size() ? m_shownRows[row] : row;
    }
    // The rows of the screen on display that the filter selects (none while it is off).
    void PickShownRows();
    // Shows the screen holding frame, with frame selected (filtered moves).
    void ShowFrame(std::uint32_t frame);
    // Scans from frame on with the filter, as far as the view knows the file.
    core::Status StartFilterScan(std::uint32_t fromFrame);

    capture::TraceReader m_reader;
    core::UserPrompt& m_prompt;
    core::WaitCursor& m_wait;
    Listener* m_listener = nullptr;
    CaptureLink* m_link = nullptr;

    decode::CPktParsersConf m_conf;
    decode::CPktParsers m_parsers;
    std::unique_ptr<capture::CPktSnap> m_batch;
    capture::RawBlock m_shownBlock;  // the block of m_batch, its bytes let go
    Job m_before, m_after;           // the blocks beside it, loaded or loading ahead
    std::uint32_t m_blocksSeenAhead = 0;  // a live capture's block count when it last loaded ahead
    std::shared_ptr<capture::TraceReader> m_aheadReader;  // used where blocks load ahead only
    PacketRowCache m_rows;

    CaptureCounts m_counts;
    std::uint32_t m_currentFrame = 0;
    std::int64_t m_shownFrame = -1;
    std::uint32_t m_summaryLevel = decode::LEVEL_APPLICATION;
    bool m_firstScreenPending = true;
    bool m_pauseAllowed = true;
    bool m_loading = false;
    std::string m_path;  // the file, where the view opened it: a filter scans it with a reader of its own

    std::string m_filterExpression;
    std::unique_ptr<filter::FrameFilter> m_filter;  // while filtering: find looks at its matches only
    FilterIndex m_filterIndex;
    std::vector<std::uint32_t> m_shownRows;  // batch rows shown while filtering
    bool m_filterDone = false;
    bool m_filterShown = false;  // the first screen with a match was shown
    std::unique_ptr<FilterScan> m_filterScan;
    std::function<void()> m_filterNotify;
    std::unique_ptr<FindScan> m_findScan;
    std::string m_findText;
    std::string m_findStatus;
    bool m_findForward = true;
    // Last, so that it goes first: a load it finishes calls back into the view.
    std::unique_ptr<BlockLoader> m_loader;
};

}  // namespace packetlist
