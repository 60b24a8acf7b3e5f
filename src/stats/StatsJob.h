// Counts the statistics of a trace file on a worker thread, so that a window asking for them
// stays responsive: it reads the progress when it likes, cancels when it closes, and takes
// the engine once the last block is in. A block that cannot be read is passed over and
// named in the job's errors, as the listing does.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "capture/TraceReader.h"
#include "decode/CPktParsers.h"
#include "stats/TrafficStats.h"

namespace stats {

class StatsJob {
public:
    enum class State { Running, Done, Cancelled };
    struct Progress {
        std::uint64_t frames = 0;  // counted so far
        std::uint64_t total = 0;   // in the file
    };

    // Starts at once. parsers must outlive the job.
    StatsJob(capture::TraceReader reader, const decode::CPktParsers& parsers, StatsRequest request);
    // Cancels the job and waits for its thread.
    ~StatsJob();
    StatsJob(const StatsJob&) = delete;
    StatsJob& operator=(const StatsJob&) = delete;

    // The thread stops within a few thousand frames.
    void Cancel() noexcept;
    // Waits until the job ends or the timeout passes; the state then.
    State Wait(std::chrono::milliseconds timeout);
    State GetState() const;
    Progress GetProgress() const noexcept { return {m_frames.load(), m_total}; }
    // The engine, once the state is Done; nullptr before, and after a cancel.
    const TrafficStats* Result() const;
    // Blocks passed over, in file order (valid once the job has ended).
    std::vector<std::string> Errors() const;

private:
    void Run();
    State Finish(State state);

    capture::TraceReader m_reader;
    const decode::CPktParsers& m_parsers;
    std::unique_ptr<TrafficStats> m_engine;
    const std::uint64_t m_total;
    std::atomic<std::uint64_t> m_frames{0};
    std::atomic<bool> m_cancel{false};
    mutable std::mutex m_mutex;
    std::condition_variable m_ended;
    State m_state = State::Running;
    std::vector<std::string> m_errors;
    std::thread m_thread;  // last: started once everything it uses is made
};

}  // namespace stats
