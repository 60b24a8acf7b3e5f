// Capture thread: rounds of query and peek, the limits, pause and continue, and an end that
// drains the agent and always writes the final header.
#include "session/CaptureThread.h"

#include <exception>
#include <optional>

#include "capture/PeekCheck.h"
#include "session/AgentMessages.h"

namespace session {

namespace {
// Peeks a pause or the end may make to take what the agent held when it was asked to.
constexpr int kMaxDrainPeeks = 64;
constexpr std::uint32_t kPeekHead = 8;
}  // namespace

CaptureThread::Options CaptureThread::OptionsFrom(const profiles::CSessionProfile& profile) {
    Options options;
    options.timeLimitSeconds = profile.TimeLimitSeconds();
    options.sizeLimitBytes = profile.SizeLimitBytes();
    return options;
}

CaptureThread::CaptureThread(SnapperLink& link, core::FileHandle writer, Options options, CaptureClock& clock,
                             PauseNotify onPause, Notice notice)
    : m_link(link),
      m_writer(std::move(writer), capture::TraceWriter::Flush::Durable),
      m_options(options),
      m_clock(clock),
      m_onPause(std::move(onPause)),
      m_notice(std::move(notice)) {
    m_writer.SetLockWait(m_options.traceLockWait);
}

CaptureThread::~CaptureThread() { (void)Stop(); }

void CaptureThread::Start() {
    if (m_thread.joinable() || m_ended.IsSet()) return;
    m_thread = std::thread([this] { Main(); });
}

core::Status CaptureThread::Stop(std::chrono::milliseconds grace) {
    if (!m_thread.joinable()) return m_finishStatus;
    m_stop.Set();
    if (!m_ended.Wait(grace)) {
        // The agent does not answer: give up this window's call, and every later one.
        m_cancelled = true;
        m_link.CancelCalls();
    }
    m_thread.join();
    return m_finishStatus;
}

void CaptureThread::Main() {
    try {
        Run();
    } catch (const std::exception& e) {
        // Out of memory, most likely: the header is still finished with what was written.
        m_finishStatus = core::Fail(core::ErrorKind::Io, std::string("capture ended early: ") + e.what());
        (void)m_writer.Finish();
    }
    m_ended.Set();
}

void CaptureThread::Tell(const std::string& text) {
    ++m_problems;
    if (!m_notice) return;
    auto answered = std::make_shared<platform::ManualResetEvent>();
    m_notice(text, answered);
    (void)platform::WaitAny({answered.get(), &m_stop}, std::nullopt);
}

void CaptureThread::PauseBy(std::atomic<bool>& flag) {
    m_paused = true;
    flag = true;
    if (m_onPause) m_onPause();
}

void CaptureThread::Run() {
    m_timeLimit = m_options.timeLimitSeconds;
    m_sizeLimit = m_options.sizeLimitBytes;
    m_frameTarget = m_options.frameTarget;
    m_startTime = m_clock.Now();
    bool ownPaused = false;
    bool busy = false;  // the last round left more than it could take
    if (auto header = m_writer.WriteHeader(); !header) {
        PauseBy(m_writeFailed);
        Tell("The trace file could not be written (" + header.Err().text + "); nothing will be captured.");
        ownPaused = true;
    } else {
        m_headerWritten = true;
        StartSnapper();
    }
    for (;;) {
        std::optional<std::chrono::milliseconds> timeout;
        if (!ownPaused) timeout = busy ? std::chrono::milliseconds(0) : m_options.round;
        busy = false;
        Wake wake = m_clock.Wait(m_stop, m_toggle, timeout);
        if (wake == Wake::Stop) break;  // a stop request never becomes a limit pause
        if (!m_paused) wake = CheckLimits(wake);
        if (wake == Wake::Toggle) {
            if (!m_headerWritten) {
                // Without a header there is no file to capture into.
            } else if (ownPaused) {
                ownPaused = !Resume();
            } else {
                // A size limit stops at the first block past it: the agent's backlog would take
                // the file further past the limit by as many blocks as the agent holds.
                if (m_sizeLimitHit)
                    StopSnapper();
                else
                    Pause();
                m_paused = true;
                ownPaused = true;
            }
            m_sizeLimitHit = false;
            m_toggle.Reset();
        } else if (!ownPaused) {
            busy = PeekRound();
            const bool targetReached = m_frameTarget > 0 && FrameCount() >= m_frameTarget;
            if (targetReached) {
                m_frameTarget = 0;
                PauseBy(m_frameTargetReached);
            }
            if (m_writeBlocked || targetReached) {
                // Paused at once and without a drain: what follows the target was not asked
                // for, and a block that cannot be written would only be followed by more.
                StopSnapper();
                ownPaused = true;
            }
        }
    }
    Finish();
}

Wake CaptureThread::CheckLimits(Wake wake) {
    const bool timeOn = m_timeLimit > 0;
    const bool sizeOn = m_sizeLimit > 0;
    if (!((timeOn && wake == Wake::TimeOut) || sizeOn)) return wake;
    if (TimeLimitDue()) {
        wake = Wake::Toggle;
        m_timeLimit = 0;
        PauseBy(m_timeLimitReached);
    }
    if (sizeOn && EndOffset() >= m_sizeLimit) {
        wake = Wake::Toggle;
        m_sizeLimit = 0;
        m_sizeLimitHit = true;
        PauseBy(m_sizeLimitReached);
    }
    return wake;
}

bool CaptureThread::TimeLimitDue() const {
    if (m_timeLimit == 0) return false;
    // Compared in whole seconds: a limit of years does not overflow a nanosecond count.
    const auto elapsed = std::chrono::duration_cast<std::chrono::seconds>(m_clock.Now() - m_startTime).count();
    return elapsed >= 0 && static_cast<std::uint64_t>(elapsed) >= m_timeLimit;
}

bool CaptureThread::LimitDue() const {
    return TimeLimitDue() || (m_sizeLimit > 0 && EndOffset() >= m_sizeLimit) ||
           (m_frameTarget > 0 && FrameCount() >= m_frameTarget);
}

bool CaptureThread::WorthPeeking(std::int32_t pending) const noexcept {
    if (pending > m_options.peekThreshold) return true;
    // Near the frame target, the few that reach it are worth a peek of their own.
    return m_frameTarget > 0 && pending > 0 &&
           std::uint64_t{FrameCount()} + static_cast<std::uint64_t>(pending) >= m_frameTarget;
}

bool CaptureThread::PeekRound() {
    // A failed start, or a snapper the agent lost with its connection: start one again.
    if (!m_link.SnapperRunning() && !StartSnapper()) return false;
    const auto roundStart = m_clock.Now();
    for (int i = 0; i < m_options.peeksPerRound; ++i) {
        std::int32_t pending = 0;
        if (const auto status = m_link.QuerySnapper(pending); status != platform::kRpcOk) {
            QueryFailed(status);
            return false;
        }
        m_queryTold = false;
        if (!WorthPeeking(pending) || !PeekOnce(nullptr)) return false;
        // The events and the limits are looked at between peeks, as at the end of a round.
        if (m_stop.IsSet() || m_toggle.IsSet() || LimitDue()) return false;
        if (m_clock.Now() - roundStart >= m_options.round) return true;
    }
    return true;
}

void CaptureThread::QueryFailed(rpc::RpcStatus status) {
    if (m_cancelled) return;
    if (!m_link.SnapperRunning()) {
        // The agent no longer knows the snapper (a connection dropped and came back): go on
        // with a new one, numbered where the file stands.
        if (!m_lostTold)
            Tell("The connection to the agent was lost and its capture with it; capture goes on from frame " +
                 std::to_string(FrameCount()) + ".");
        m_lostTold = true;
        if (StartSnapper()) m_lostTold = false;
        return;
    }
    // A connection that keeps failing is reported once, until a query gets through again.
    if (!m_queryTold) Tell(AgentCallFailed("SnapSnapperQueryA", status));
    m_queryTold = true;
}

bool CaptureThread::PeekOnce(std::uint32_t* frames) {
    rpc::PeekResult result;
    if (const auto status = m_link.PeekSnapper(result); status != platform::kRpcOk) {
        if (!m_cancelled) Tell(AgentCallFailed("SnapSnapperPeekA", status));
        return false;
    }
    if (result.data.size() < kPeekHead) return false;  // nothing captured since the last peek
    const auto facts = capture::CheckPeekResult(result.data, FrameCount());
    if (!facts) {
        Tell("A batch from the agent was refused and not written: " + facts.Err().text + ".");
        return false;
    }
    // Handed over again after a reconnect: the file has these frames already.
    const auto numbers = m_numbers.Take(facts.Value().firstFrame, facts.Value().frames);
    if (numbers.repeat) return true;
    if (numbers.lost > 0) m_framesLost.store(m_numbers.Lost(), std::memory_order_release);
    if (!Append(std::move(result.data), facts.Value().frames)) return false;
    if (frames != nullptr) *frames = facts.Value().frames;
    return true;
}

bool CaptureThread::Append(std::vector<std::uint8_t> peek, std::uint32_t frames) {
    const auto appended = m_writer.AppendBlock(peek, frames);
    if (appended) return true;
    // Kept, and tried again on continue and at the end: a full disk may get room.
    m_unwritten = std::move(peek);
    m_unwrittenFrames = frames;
    m_writeBlocked = true;
    PauseBy(m_writeFailed);
    Tell("A block of " + std::to_string(frames) + " frames could not be written to the trace file (" +
         appended.Err().text + "); capture is paused.");
    return false;
}

bool CaptureThread::StartSnapper() {
    const auto status = m_link.StartSnapper(FrameCount());
    if (status == platform::kRpcOk) {
        m_numbers.Started(FrameCount());
        m_startTold = false;
        return true;
    }
    if (!m_startTold && !m_cancelled) Tell(AgentCallFailed("SnapSnapperStartA", status));
    m_startTold = true;
    return false;
}

void CaptureThread::StopSnapper() {
    if (!m_link.SnapperRunning()) return;
    if (const auto status = m_link.StopSnapper(); status != platform::kRpcOk && !m_cancelled)
        Tell(AgentCallFailed("SnapSnapperStopA", status));
}

void CaptureThread::Drain() {
    if (!m_link.SnapperRunning() || m_writeBlocked) return;
    // What the agent holds now, taken before the snapper stops (the agent drops the rest).
    std::int64_t budget = -1;
    for (int i = 0; i < kMaxDrainPeeks && !m_cancelled; ++i) {
        std::int32_t pending = 0;
        if (m_link.QuerySnapper(pending) != platform::kRpcOk || pending <= 0) return;
        if (budget < 0) budget = pending;
        std::uint32_t frames = 0;
        if (!PeekOnce(&frames)) return;
        budget -= frames;
        if (budget <= 0) return;
    }
}

void CaptureThread::Pause() {
    Drain();
    StopSnapper();
    m_paused = true;
}

bool CaptureThread::Resume() {
    if (!m_unwritten.empty()) {
        if (auto retried = m_writer.AppendBlock(m_unwritten, m_unwrittenFrames); !retried) {
            Tell("The held block still cannot be written (" + retried.Err().text + "); capture stays paused.");
            return false;
        }
        m_unwritten.clear();
    }
    m_writeBlocked = false;
    // The next frames continue the file's numbering; the time limit's clock starts again.
    StartSnapper();
    m_startTime = m_clock.Now();
    m_paused = false;
    return true;
}

void CaptureThread::Finish() {
    Drain();
    StopSnapper();
    if (!m_unwritten.empty() && m_writer.AppendBlock(m_unwritten, m_unwrittenFrames)) m_unwritten.clear();
    m_finishStatus = m_writer.Finish();
    if (!m_finishStatus) Tell("The trace file could not be finished: " + m_finishStatus.Err().text);
}

}  // namespace session
