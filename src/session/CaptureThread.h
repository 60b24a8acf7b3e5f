// The capture thread of a live capture window. It writes the trace header, starts the
// agent's snapper and then, every round (500 ms), asks the agent how much is pending and,
// above 20 frames, peeks and appends each peek to the trace file as one block. It pauses for
// the profile's time and size limits, pauses and continues on request, and on the stop
// request drains what the agent holds, stops the snapper and writes the final header.
//
// Shared with the user-interface thread (the workbench's packet list, palomet-cli's progress
// line): the stop and pause/continue requests, and the counters and flags below, which are
// single words read without a lock. Among them the frames the agent could not deliver,
// counted from the gaps in its frame numbers. The trace file may be read while it is written: open a
// capture::TraceReader on the same path and give it the counts read here
// (SetKnownCounts(BlockCount(), FrameCount(), EndOffset())); the block count and end offset
// are raised under the trace-file lock, the frame count after it.
//
// Nothing is lost or left unfinished on the way out: a pause or stop first peeks whatever
// the agent holds (but for the size limit's pause, which stops at the first block past the
// limit, so a file ends at most one block beyond its limit); Stop waits for the call in flight and, if the agent does not answer
// within the grace time, cancels that call (this window's only), then always joins the
// thread, whose last act is the final header.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "capture/AgentFrameNumbers.h"
#include "capture/TraceWriter.h"
#include "core/FileHandle.h"
#include "core/Result.h"
#include "platform/ManualResetEvent.h"
#include "profiles/CSessionProfile.h"
#include "session/CaptureClock.h"
#include "session/SnapperLink.h"

namespace session {

// How long Stop lets the call in flight finish before it cancels it.
inline constexpr std::chrono::seconds kStopGrace{5};

class CaptureThread {
public:
    struct Options {
        std::uint64_t timeLimitSeconds = 0;  // 0: no time limit
        std::uint64_t sizeLimitBytes = 0;    // 0: no size limit
        // Once the file holds this many frames, capture pauses at once, without a drain (0:
        // never). Near the target, fewer than the threshold are peeked when they reach it.
        std::uint32_t frameTarget = 0;
        std::chrono::milliseconds round{500};
        std::int32_t peekThreshold = 20;  // a round peeks only above this many pending
        // While the agent still holds more than the threshold, a round peeks again at once, up
        // to this many times or for as long as a round lasts, and the next round follows
        // without a wait: a fast agent is not held to one peek per 500 ms.
        int peeksPerRound = 16;
        std::chrono::milliseconds traceLockWait{5000};
    };
    // The profile's limits, widened to 64 bits (a negative stored value is no limit).
    static Options OptionsFrom(const profiles::CSessionProfile& profile);

    // Called on the capture thread each time capture pauses by itself (time limit, size
    // limit, frame target, or a block that cannot be written), once per flag it sets: the
    // workbench marshals it to its own thread and updates the Pause/Continue button.
    using PauseNotify = std::function<void()>;
    // Tells the user something from the capture thread (a failed peek, a lost connection):
    // show text, and set answered when the user has closed the message. The capture thread
    // waits for that, or for the stop request, whichever comes first.
    using Notice = std::function<void(const std::string& text, std::shared_ptr<platform::ManualResetEvent> answered)>;

    // writer: the document's trace-file handle, taken over.
    CaptureThread(SnapperLink& link, core::FileHandle writer, Options options, CaptureClock& clock, PauseNotify onPause,
                  Notice notice);
    ~CaptureThread();  // Stop()
    CaptureThread(const CaptureThread&) = delete;
    CaptureThread& operator=(const CaptureThread&) = delete;

    void Start();
    // Pause when capturing, continue when paused (the pause/continue event).
    void TogglePause() { m_toggle.Set(); }
    // Asks the thread to end without waiting for it (Stop still joins it).
    void RequestStop() { m_stop.Set(); }
    // Asks the thread to end and joins it. Returns how writing the final header went.
    core::Status Stop(std::chrono::milliseconds grace = kStopGrace);

    std::uint32_t FrameCount() const noexcept { return m_writer.FrameCount(); }
    std::uint32_t BlockCount() const noexcept { return m_writer.BlockCount(); }
    std::uint32_t EndOffset() const noexcept { return m_writer.EndOffset(); }
    bool Paused() const noexcept { return m_paused.load(); }
    bool TimeLimitReached() const noexcept { return m_timeLimitReached.load(); }
    bool SizeLimitReached() const noexcept { return m_sizeLimitReached.load(); }
    bool FrameTargetReached() const noexcept { return m_frameTargetReached.load(); }
    bool WriteFailed() const noexcept { return m_writeFailed.load(); }
    // Frames the agent numbered and never delivered (its queue overflowed, or a batch was
    // refused): the gaps in its numbering between the batches written.
    std::uint64_t FramesLost() const noexcept { return m_framesLost.load(std::memory_order_acquire); }
    // Messages the thread has given so far (failed calls, refused batches, write failures).
    std::uint32_t ProblemsReported() const noexcept { return m_problems.load(); }
    bool Ended() const { return m_ended.IsSet(); }

private:
    void Main();
    void Run();
    Wake CheckLimits(Wake wake);
    bool TimeLimitDue() const;
    bool LimitDue() const;
    // True when the agent still held more than the round could take: the next round follows
    // at once.
    bool PeekRound();
    bool WorthPeeking(std::int32_t pending) const noexcept;
    bool PeekOnce(std::uint32_t* frames);
    bool Append(std::vector<std::uint8_t> peek, std::uint32_t frames);
    void QueryFailed(rpc::RpcStatus status);
    bool StartSnapper();
    void StopSnapper();
    void Drain();
    void Pause();
    bool Resume();
    void Finish();
    void PauseBy(std::atomic<bool>& flag);
    void Tell(const std::string& text);

    SnapperLink& m_link;
    capture::TraceWriter m_writer;
    Options m_options;
    CaptureClock& m_clock;
    PauseNotify m_onPause;
    Notice m_notice;

    platform::ManualResetEvent m_stop;
    platform::ManualResetEvent m_toggle;
    platform::ManualResetEvent m_ended;
    std::thread m_thread;

    std::atomic<bool> m_paused{false};
    std::atomic<bool> m_timeLimitReached{false};
    std::atomic<bool> m_sizeLimitReached{false};
    bool m_sizeLimitHit = false;  // this wake's pause is the size limit's: no drain
    std::atomic<bool> m_frameTargetReached{false};
    std::atomic<bool> m_writeFailed{false};
    std::atomic<bool> m_cancelled{false};
    std::atomic<std::uint32_t> m_problems{0};
    std::atomic<std::uint64_t> m_framesLost{0};

    // The capture thread's own state.
    CaptureClock::TimePoint m_startTime{};
    std::uint64_t m_timeLimit = 0;
    std::uint64_t m_sizeLimit = 0;
    std::uint32_t m_frameTarget = 0;
    bool m_headerWritten = false;
    capture::AgentFrameNumbers m_numbers;
    bool m_writeBlocked = false;            // a block is held back; capture pauses
    std::vector<std::uint8_t> m_unwritten;  // that block, tried again on continue and at the end
    std::uint32_t m_unwrittenFrames = 0;
    bool m_startTold = false;
    bool m_queryTold = false;
    bool m_lostTold = false;
    core::Status m_finishStatus = core::Success();
};

}  // namespace session
