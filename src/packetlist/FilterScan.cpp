// The filter scan's thread.
#include "packetlist/FilterScan.h"

#include <utility>

#include "capture/CPktSnap.h"
#include "packetlist/StatusTexts.h"

namespace packetlist {

namespace {
// Frames between two looks at the stop request: a block may hold a million frames.
constexpr std::uint32_t kFilterStopCheckEvery = 4096;
}  // namespace

FilterScan::FilterScan(capture::TraceReader reader, filter::FrameFilter filter, std::function<void()> notify,
                       std::uint32_t fromFrame)
    : m_reader(std::move(reader)),
      m_filter(std::move(filter)),
      m_notify(std::move(notify)),
      m_fromFrame(fromFrame),
      m_blockCount(m_reader.BlockCount()),
      m_thread([this](std::stop_token stop) { Run(std::move(stop)); }) {}

FilterScan::~FilterScan() { Cancel(); }

void FilterScan::Cancel() noexcept {
    m_thread.request_stop();
    if (m_thread.joinable()) m_thread.join();
}

FilterScan::Found FilterScan::Take() {
    std::scoped_lock lock(m_mutex);
    Found out = std::move(m_found);
    m_found = Found{};
    m_found.screensDone = out.screensDone;
    m_found.finished = out.finished;
    return out;
}

int FilterScan::Progress() const noexcept { return ProgressPercent(m_screensDone.load(), m_blockCount); }

void FilterScan::Publish(ScreenMatches screen, std::vector<std::string> errors, bool finished) {
    {
        std::scoped_lock lock(m_mutex);
        if (screen.screen != 0) {
            m_found.screensDone = screen.screen;
            m_found.screens.push_back(std::move(screen));
        }
        for (auto& error : errors) m_found.errors.push_back(std::move(error));
        m_found.finished = m_found.finished || finished;
        m_screensDone = m_found.screensDone;
    }
    if (m_notify) m_notify();
}

void FilterScan::Run(std::stop_token stop) {
    capture::CPktSnap batch;
    std::vector<std::string> errors;
    using Fetched = core::Result<std::optional<capture::RawBlock>>;
    // The block holding the first frame to look at, then the ones after it.
    const auto fetchFirst = [this]() -> Fetched {
        if (m_fromFrame == 0) return m_reader.Fetch(capture::TraceReader::Move::Next);
        auto from = m_reader.FetchFrameFromStart(m_fromFrame);
        if (!from) return from.Err();
        return std::optional(std::move(from).Value());
    };
    bool first = true;
    while (!stop.stop_requested()) {
        auto fetched = first ? fetchFirst() : m_reader.Fetch(capture::TraceReader::Move::Next);
        first = false;
        if (!fetched) {
            errors.push_back(fetched.Err().text);
            auto passed = m_reader.PassBrokenBlock();
            if (passed && passed.Value()) continue;
            if (!passed) errors.push_back(passed.Err().text);
            break;
        }
        if (!fetched.Value()) break;
        const capture::RawBlock& block = *fetched.Value();
        std::vector<std::uint8_t> inflated;
        auto st = capture::TraceReader::Inflate(block, inflated);
        if (st) st = capture::TraceReader::LoadBatch(block, std::move(inflated), batch);
        m_reader.Accept(block);
        ScreenMatches screen{block.screen, block.trail.first, block.trail.last, {}};
        if (!st) {
            errors.push_back(st.Err().text);
        } else {
            const std::uint32_t count = batch.GetFrameCount();
            for (std::uint32_t i = 0; i < count; ++i) {
                if (i % kFilterStopCheckEvery == kFilterStopCheckEvery - 1 && stop.stop_requested()) return;
                if (m_filter.Matches(batch.GetFrame(i))) screen.frames.push_back(block.trail.first + i);
            }
        }
        batch.RemoveAllFrames();
        Publish(std::move(screen), std::move(errors), false);
        errors.clear();
    }
    if (!stop.stop_requested()) Publish(ScreenMatches{}, std::move(errors), true);
}

}  // namespace packetlist
