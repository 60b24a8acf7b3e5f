// Stand-ins for the capture thread's tests: a scripted agent behind the SnapperLink and a
// clock that jumps instead of sleeping, running the test's script at every wait.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "capture/TraceTestUtil.h"
#include "session/CaptureClock.h"
#include "session/SnapperLink.h"

namespace session::test {

// A snapper that holds the frames the test captures, numbers them from its first frame
// number, hands at most peekMax to a peek and drops the rest when stopped, as palometsrv
// does; it can be told to drop frames it numbered, to hand its last peek over again, and to
// number a new snapper its own way. Every call is logged ("start 0", "query", ...).
class FakeAgent final : public SnapperLink {
public:
    void Capture(std::size_t frames, std::size_t bytes = 60) {
        if (m_running) m_held.insert(m_held.end(), frames, bytes);
    }
    // The agent numbered frames it then dropped (its queue overflowed): they never come.
    void Drop(std::uint32_t frames) { m_next += frames; }
    // The next peek hands over the last one again, as after a reconnect.
    void HandOverAgain() { m_again = true; }
    rpc::RpcStatus StartSnapper(std::uint32_t firstFrame) override {
        Log("start " + std::to_string(firstFrame));
        m_running = startStatus == 0 || m_running;
        m_next = ownNumbers ? 0 : firstFrame;
        return startStatus;
    }
    rpc::RpcStatus StopSnapper() override {
        Log("stop");
        m_running = false;
        m_held.clear();
        return 0;
    }
    rpc::RpcStatus QuerySnapper(std::int32_t& pending) override {
        Log("query");
        if (hang) {
            hung.Set();
            cancelled.Wait(std::chrono::hours(1));
        }
        if (cancelled.IsSet()) return platform::kRpcCallCancelled;
        const rpc::RpcStatus status = queryStatuses.empty() ? 0 : queryStatuses.front();
        if (!queryStatuses.empty()) queryStatuses.pop_front();
        if (status == 6) {  // the agent forgot the snapper
            m_running = false;
            m_held.clear();
        }
        pending = static_cast<std::int32_t>(m_again ? m_lastFrames : m_held.size());
        return status;
    }
    rpc::RpcStatus PeekSnapper(rpc::PeekResult& result) override {
        Log("peek");
        if (peekStatus != 0) return peekStatus;
        if (std::exchange(m_again, false)) {
            result.data = m_last;
            return 0;
        }
        if (std::exchange(badPeek, false)) {
            result.data = testutil::Pack(testutil::MakeBatch(0, 3));
            result.data[0] = 5;  // announces 5 frames, holds 3
            return 0;
        }
        capture::CPktSnap batch;
        for (std::size_t i = 0; i < std::min(m_held.size(), peekMax); ++i) {
            capture::CPktSnapQue frame;
            frame.SetFrameNumber(m_next++);
            std::vector<std::uint8_t> bytes(m_held[i]);
            for (auto& b : bytes) b = static_cast<std::uint8_t>((m_noise = m_noise * 6364136223846793005ull + 1) >> 56);
            frame.SetData(bytes);  // noise: the file grows by what is captured
            batch.AddFrame(std::move(frame));
        }
        m_held.erase(m_held.begin(), m_held.begin() + batch.GetFrameCount());
        if (batch.GetFrameCount() > 0) result.data = testutil::Pack(batch);
        m_last = result.data;
        m_lastFrames = batch.GetFrameCount();
        return 0;
    }
    bool SnapperRunning() const override { return m_running; }
    void CancelCalls() override { cancelled.Set(); }
    void Log(const std::string& call) { calls.push_back(call); }
    std::string Calls() const {
        std::string out;
        for (const auto& c : calls) out += (out.empty() ? "" : ", ") + c;
        return out;
    }

    std::vector<std::string> calls;
    rpc::RpcStatus startStatus = 0;
    rpc::RpcStatus peekStatus = 0;
    std::deque<rpc::RpcStatus> queryStatuses;  // one per query, then success
    bool badPeek = false;
    std::size_t peekMax = 1000;
    bool ownNumbers = false;  // a snapper numbers from 0 whatever it is asked
    bool hang = false;        // queries wait until cancelled
    platform::ManualResetEvent hung;
    platform::ManualResetEvent cancelled;

private:
    bool m_running = false;
    std::uint32_t m_next = 0;
    std::uint64_t m_noise = 1;
    std::vector<std::size_t> m_held;
    std::vector<std::uint8_t> m_last;  // the last peek's result
    std::size_t m_lastFrames = 0;
    bool m_again = false;
};

// Each wait runs the script with its number (from 1), then returns the stop or the
// pause/continue event if set, else jumps the clock by the time-out. Paused (no time-out)
// with neither event set, it waits for real: the test's Stop ends it.
class FakeClock final : public CaptureClock {
public:
    std::function<void(int wait)> script;

    TimePoint Now() override { return now; }
    Wake Wait(const platform::ManualResetEvent& stop, const platform::ManualResetEvent& toggle,
              std::optional<std::chrono::milliseconds> timeout) override {
        if (script) script(++m_waits);
        if (!stop.IsSet() && !toggle.IsSet() && timeout) {
            now += *timeout;
            return Wake::TimeOut;
        }
        return platform::WaitAny({&stop, &toggle}, std::nullopt) == 0u ? Wake::Stop : Wake::Toggle;
    }
    std::chrono::milliseconds Elapsed() const {
        return std::chrono::duration_cast<std::chrono::milliseconds>(now - TimePoint{});
    }
    TimePoint now{};

private:
    int m_waits = 0;
};

}  // namespace session::test
