// Stand-ins for the capture thread's tests: a scripted agent behind the SnapperLink, a clock
// that jumps instead of sleeping and runs the test's script at every wait, and a thread that
// holds the trace-file lock on request.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "agent/CaptureClock.h"
#include "agent/SnapperLink.h"
#include "capture/TraceFileMutex.h"
#include "capture/TraceTestUtil.h"

namespace agent::test {

// An agent whose snapper holds the frames the test captures, numbers them from the first
// frame number it was started with, and hands at most peekMax of them to each peek. Stopping
// drops what it holds, as palometsrv does. Every call is logged ("start 0", "query", ...).
class FakeAgent final : public SnapperLink {
public:
    void Capture(std::uint32_t frames, std::size_t bytesPerFrame = 60) {
        if (!m_running) return;
        for (std::uint32_t i = 0; i < frames; ++i) m_held.push_back(bytesPerFrame);
    }
    rpc::RpcStatus StartSnapper(std::uint32_t firstFrame) override {
        calls.push_back("start " + std::to_string(firstFrame));
        if (startStatus != 0) return startStatus;
        m_running = true;
        m_next = firstFrame;
        return 0;
    }
    rpc::RpcStatus StopSnapper() override {
        calls.push_back("stop");
        m_running = false;
        m_held.clear();
        return 0;
    }
    rpc::RpcStatus QuerySnapper(std::int32_t& pending) override {
        calls.push_back("query");
        if (hangUntilCancelled) {
            hung.Set();
            cancelled.Wait(std::chrono::hours(1));
        }
        if (cancelled.IsSet()) return rpc::kRpcCallCancelled;
        if (!queryStatuses.empty()) {
            const auto status = queryStatuses.front();
            queryStatuses.pop_front();
            if (status == 6) {
                m_running = false;
                m_held.clear();
            }
            if (status != 0) return status;
        }
        pending = static_cast<std::int32_t>(m_held.size());
        return 0;
    }
    rpc::RpcStatus PeekSnapper(rpc::PeekResult& result) override {
        calls.push_back("peek");
        if (peekStatus != 0) return peekStatus;
        if (peekOverride) {
            result.data = peekOverride();
            peekOverride = nullptr;
            result.len = static_cast<std::uint32_t>(result.data.size());
            return 0;
        }
        const auto count = static_cast<std::uint32_t>(std::min(m_held.size(), peekMax));
        if (count == 0) return 0;
        capture::CPktSnap batch;
        for (std::uint32_t i = 0; i < count; ++i) {
            capture::CPktSnapQue frame;
            frame.SetFrameNumber(m_next + i);
            std::vector<std::uint8_t> bytes(m_held[i]);
            // Pseudo-random bytes do not compress, so the file grows as the test expects.
            for (auto& b : bytes) b = static_cast<std::uint8_t>((m_noise = m_noise * 6364136223846793005ull + 1442695040888963407ull) >> 56);
            frame.SetData(bytes);
            frame.SetCapturedLength(static_cast<std::uint32_t>(bytes.size()));
            frame.SetTotalLength(static_cast<std::uint32_t>(bytes.size()));
            batch.AddFrame(std::move(frame));
        }
        m_held.erase(m_held.begin(), m_held.begin() + count);
        m_next += count;
        result.data = capture::PackBatch(batch).Value();
        result.len = static_cast<std::uint32_t>(result.data.size());
        return 0;
    }
    bool SnapperRunning() const override { return m_running; }
    void CancelCalls() override { cancelled.Set(); }

    std::string Log() const {
        std::string out;
        for (const auto& c : calls) out += (out.empty() ? "" : ", ") + c;
        return out;
    }

    std::vector<std::string> calls;
    rpc::RpcStatus startStatus = 0;
    rpc::RpcStatus peekStatus = 0;
    std::deque<rpc::RpcStatus> queryStatuses;  // one per query, then success
    std::function<std::vector<std::uint8_t>()> peekOverride;
    std::size_t peekMax = 1000;
    bool hangUntilCancelled = false;
    platform::ManualResetEvent hung;
    platform::ManualResetEvent cancelled;

private:
    bool m_running = false;
    std::uint32_t m_next = 0;
    std::uint64_t m_noise = 1;
    std::vector<std::size_t> m_held;
};

// Each wait first runs the script with the wait's number (from 1), then returns the stop or
// pause/continue event if set, else jumps the clock by the time-out. A wait without time-out
// (capture paused) with neither event set waits for real: the test's Stop ends it.
class FakeClock final : public CaptureClock {
public:
    std::function<void(int wait)> script;

    TimePoint Now() override { return m_now; }
    Wake Wait(const platform::ManualResetEvent& stop, const platform::ManualResetEvent& toggle,
              std::optional<std::chrono::milliseconds> timeout) override {
        if (script) script(++m_waits);
        if (stop.IsSet()) return Wake::Stop;
        if (toggle.IsSet()) return Wake::Toggle;
        if (!timeout) return platform::WaitAny({&stop, &toggle}, std::nullopt) == 0u ? Wake::Stop : Wake::Toggle;
        m_now += *timeout;
        return Wake::TimeOut;
    }
    void Advance(std::chrono::seconds by) { m_now += by; }
    std::chrono::milliseconds Elapsed() const {
        return std::chrono::duration_cast<std::chrono::milliseconds>(m_now - TimePoint{});
    }

private:
    TimePoint m_now{};
    int m_waits = 0;
};

// Holds the trace-file lock from its own thread between Hold and Release, as a packet list
// loading a block would.
class LockHolder {
public:
    LockHolder()
        : m_thread([this] {
              std::unique_lock lock(m_mutex);
              for (;;) {
                  m_changed.wait(lock, [this] { return m_want != m_held || m_quit; });
                  if (m_quit) break;
                  if (m_want) capture::TraceFileMutex().lock();
                  else capture::TraceFileMutex().unlock();
                  m_held = m_want;
                  m_changed.notify_all();
              }
              if (m_held) capture::TraceFileMutex().unlock();
          }) {}
    ~LockHolder() {
        {
            std::scoped_lock lock(m_mutex);
            m_quit = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }
    void Hold() { Set(true); }
    void Release() { Set(false); }

private:
    void Set(bool want) {
        std::unique_lock lock(m_mutex);
        m_want = want;
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return m_held == m_want; });
    }
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_want = false;
    bool m_held = false;
    bool m_quit = false;
    std::thread m_thread;
};

}  // namespace agent::test
