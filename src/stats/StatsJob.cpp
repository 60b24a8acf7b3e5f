// The statistics worker.
#include "stats/StatsJob.h"

#include <utility>

namespace stats {

namespace {
// Frames counted between two looks at the cancel flag: a fraction of a millisecond of work.
constexpr std::uint32_t kCancelStride = 1024;
}  // namespace

StatsJob::StatsJob(capture::TraceReader reader, const decode::CPktParsers& parsers, StatsRequest request,
                   Options options)
    : m_reader(std::move(reader)),
      m_parsers(parsers),
      m_engine(std::make_unique<TrafficStats>(parsers, std::move(request))),
      m_options(options),
      m_total(m_reader.FrameCount()),
      m_thread([this] { Run(); }) {}

StatsJob::~StatsJob() {
    Cancel();
    m_thread.join();
}

void StatsJob::Cancel() noexcept {
    m_cancel.store(true);
    // Under the lock, so that a worker about to wait for more blocks cannot miss it.
    const std::scoped_lock lock(m_mutex);
    m_ended.notify_all();
}

StatsJob::State StatsJob::Wait(std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    m_ended.wait_for(lock, timeout, [this] { return m_state != State::Running; });
    return m_state;
}

StatsJob::State StatsJob::GetState() const {
    std::scoped_lock lock(m_mutex);
    return m_state;
}

void StatsJob::Follow(TraceCounts counts) {
    {
        std::scoped_lock lock(m_mutex);
        m_followed = counts;
    }
    m_total.store(counts.frames);
    m_ended.notify_all();
}

std::pair<std::shared_ptr<const StatsSnapshot>, std::uint64_t> StatsJob::Latest() const {
    std::scoped_lock lock(m_mutex);
    return {m_latest, m_made};
}

const TrafficStats* StatsJob::Result() const {
    std::scoped_lock lock(m_mutex);
    return m_state == State::Done ? m_engine.get() : nullptr;
}

std::vector<std::string> StatsJob::Errors() const {
    std::scoped_lock lock(m_mutex);
    return m_state == State::Running ? std::vector<std::string>{} : m_errors;
}

StatsJob::State StatsJob::Finish(State state) {
    {
        std::scoped_lock lock(m_mutex);
        m_state = state;
    }
    m_ended.notify_all();
    return state;
}

void StatsJob::Publish(const std::vector<std::string>& errors) {
    auto shot = std::make_shared<StatsSnapshot>(TakeSnapshot(*m_engine, m_options.vendors));
    shot->errors = errors;
    m_framesInLatest = m_engine->Frames();
    std::scoped_lock lock(m_mutex);
    m_latest = std::move(shot);
    ++m_made;
}

bool StatsJob::CountKnownBlocks(std::vector<std::string>& errors) {
    capture::CPktSnap batch(&m_parsers);
    auto lastShot = std::chrono::steady_clock::now();
    while (!m_cancel.load()) {
        auto moved = m_reader.Go(capture::TraceReader::Move::Next, batch);
        if (!moved) {
            // Pass the block over and go on with the next one the chains reach.
            errors.push_back(moved.Err().text);
            auto passed = m_reader.PassBrokenBlock();
            if (!passed) errors.push_back(passed.Err().text);
            if (!passed || !passed.Value()) return true;
            continue;
        }
        if (!moved.Value()) return true;
        std::uint32_t stride = 0;
        for (const capture::CPktSnapQue frame : batch.Frames()) {
            m_engine->AddFrame(frame, batch.GetFrequency());
            if (++stride == kCancelStride) {
                stride = 0;
                m_frames.store(m_engine->Frames());
                if (m_cancel.load()) return false;
            }
        }
        m_frames.store(m_engine->Frames());
        if (const auto now = std::chrono::steady_clock::now(); now - lastShot >= m_options.snapshotEvery) {
            Publish(errors);
            lastShot = now;
        }
    }
    return false;
}

bool StatsJob::WaitForMore() {
    std::unique_lock lock(m_mutex);
    m_ended.wait(lock, [this] {
        return m_cancel.load() || (m_followed && m_followed->blocks > m_reader.BlockCount());
    });
    if (m_cancel.load()) return false;
    m_reader.SetKnownCounts(m_followed->blocks, m_followed->frames, m_followed->endOffset);
    m_followed.reset();
    return true;
}

void StatsJob::Run() {
    std::vector<std::string> errors;
    bool counted = CountKnownBlocks(errors);
    while (counted && m_options.follow) {
        if (m_engine->Frames() != m_framesInLatest || m_made == 0) Publish(errors);
        if (!WaitForMore()) break;
        counted = CountKnownBlocks(errors);
    }
    if (counted && !m_options.follow) Publish(errors);
    {
        std::scoped_lock lock(m_mutex);
        m_errors = std::move(errors);
    }
    Finish(counted && !m_options.follow ? State::Done : State::Cancelled);
}

}  // namespace stats
