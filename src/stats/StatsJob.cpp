// The statistics worker.
#include "stats/StatsJob.h"

#include <utility>

namespace stats {

namespace {
// Frames counted between two looks at the cancel flag: a fraction of a millisecond of work.
constexpr std::uint32_t kCancelStride = 1024;
}  // namespace

StatsJob::StatsJob(capture::TraceReader reader, const decode::CPktParsers& parsers, StatsRequest request)
    : m_reader(std::move(reader)),
      m_parsers(parsers),
      m_engine(std::make_unique<TrafficStats>(parsers, std::move(request))),
      m_total(m_reader.FrameCount()),
      m_thread([this] { Run(); }) {}

StatsJob::~StatsJob() {
    Cancel();
    m_thread.join();
}

void StatsJob::Cancel() noexcept { m_cancel.store(true); }

StatsJob::State StatsJob::Wait(std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    m_ended.wait_for(lock, timeout, [this] { return m_state != State::Running; });
    return m_state;
}

StatsJob::State StatsJob::GetState() const {
    std::scoped_lock lock(m_mutex);
    return m_state;
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

void StatsJob::Run() {
    capture::CPktSnap batch(&m_parsers);
    std::vector<std::string> errors;
    const auto end = [&](State state) {
        {
            std::scoped_lock lock(m_mutex);
            m_errors = std::move(errors);
        }
        Finish(state);
    };
    while (!m_cancel.load()) {
        auto moved = m_reader.Go(capture::TraceReader::Move::Next, batch);
        if (!moved) {
            // Pass the block over and go on with the next one the chains reach.
            errors.push_back(moved.Err().text);
            auto passed = m_reader.PassBrokenBlock();
            if (!passed) errors.push_back(passed.Err().text);
            if (!passed || !passed.Value()) return end(State::Done);
            continue;
        }
        if (!moved.Value()) return end(State::Done);
        std::uint32_t stride = 0;
        for (const capture::CPktSnapQue frame : batch.Frames()) {
            m_engine->AddFrame(frame, batch.GetFrequency());
            if (++stride == kCancelStride) {
                stride = 0;
                m_frames.store(m_engine->Frames());
                if (m_cancel.load()) break;
            }
        }
        m_frames.store(m_engine->Frames());
    }
    end(State::Cancelled);
}

}  // namespace stats
