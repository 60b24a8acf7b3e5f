// Counts the statistics of a trace file on a worker thread, so that a window asking for them
// stays responsive: it reads the progress when it likes, cancels when it closes, and takes
// the engine once the last block is in. A block that cannot be read is passed over and
// named in the job's errors, as the listing does.
//
// The worker also makes the tables a window shows (snapshots): at the end, and every so
// often on a long way there. A job that follows a live capture's file does not end at the
// last block: it waits for the counts of the blocks written since (Follow), counts them,
// and makes new tables, until it is cancelled.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "capture/TraceReader.h"
#include "decode/CPktParsers.h"
#include "stats/StatsSnapshot.h"
#include "stats/TrafficStats.h"
#include "tables/LookupTables.h"

namespace stats {

// A trace file's counts as its writer tells them while it writes.
struct TraceCounts {
    std::uint32_t blocks = 0, frames = 0, endOffset = 0;
    bool operator==(const TraceCounts&) const = default;
};

class StatsJob {
public:
    enum class State { Running, Done, Cancelled };
    struct Progress {
        std::uint64_t frames = 0;  // counted so far
        std::uint64_t total = 0;   // in the file
    };

    struct Options {
        const tables::CPktEtherNums* vendors = nullptr;  // names Ethernet endpoints in the tables
        bool follow = false;  // a live capture's file: wait for more blocks at its end
        std::chrono::milliseconds snapshotEvery{1000};
    };

    // Starts at once. parsers (and vendors) must outlive the job.
    StatsJob(capture::TraceReader reader, const decode::CPktParsers& parsers, StatsRequest request,
             Options options);
    StatsJob(capture::TraceReader reader, const decode::CPktParsers& parsers, StatsRequest request)
        : StatsJob(std::move(reader), parsers, std::move(request), Options{}) {}
    // Cancels the job and waits for its thread.
    ~StatsJob();
    StatsJob(const StatsJob&) = delete;
    StatsJob& operator=(const StatsJob&) = delete;

    // The thread stops within a few thousand frames.
    void Cancel() noexcept;
    // Waits until the job ends or the timeout passes; the state then.
    State Wait(std::chrono::milliseconds timeout);
    State GetState() const;
    Progress GetProgress() const noexcept { return {m_frames.load(), m_total.load()}; }
    // A following job: the counts of the file as its writer now tells them (see
    // session::CaptureThread); blocks beyond what the job has counted are counted next.
    void Follow(TraceCounts counts);
    // The latest tables and how many have been made so far (0: none yet, nullptr then).
    std::pair<std::shared_ptr<const StatsSnapshot>, std::uint64_t> Latest() const;
    // The engine, once the state is Done; nullptr before, and after a cancel.
    const TrafficStats* Result() const;
    // Blocks passed over, in file order (valid once the job has ended).
    std::vector<std::string> Errors() const;

private:
    void Run();
    // Counts the blocks the reader knows of; false when cancelled on the way.
    bool CountKnownBlocks(std::vector<std::string>& errors);
    void Publish(const std::vector<std::string>& errors);
    // A following job at the end of what it knows: waits for larger counts; false on cancel.
    bool WaitForMore();
    State Finish(State state);

    capture::TraceReader m_reader;
    const decode::CPktParsers& m_parsers;
    std::unique_ptr<TrafficStats> m_engine;
    const Options m_options;
    std::atomic<std::uint64_t> m_total;
    std::atomic<std::uint64_t> m_frames{0};
    std::atomic<bool> m_cancel{false};
    mutable std::mutex m_mutex;
    std::condition_variable m_ended;
    State m_state = State::Running;
    std::vector<std::string> m_errors;
    std::optional<TraceCounts> m_followed;  // counts Follow gave that the reader has not taken yet
    std::shared_ptr<const StatsSnapshot> m_latest;
    std::uint64_t m_made = 0;
    std::uint64_t m_framesInLatest = 0;  // worker only
    std::thread m_thread;  // last: started once everything it uses is made
};

}  // namespace stats
