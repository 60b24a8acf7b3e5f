// The find scan's thread.
#include "packetlist/FindScan.h"

#include <utility>

#include "capture/CPktSnap.h"
#include "decode/CPktParsers.h"
#include "decode/CPktParsersConf.h"
#include "packetlist/StatusTexts.h"

namespace packetlist {

namespace {
using Move = capture::TraceReader::Move;
// Frames between two looks at the stop request: decoding a detail is slow.
constexpr std::uint32_t kFindStopCheckEvery = 256;
}  // namespace

FindScan::FindScan(capture::TraceReader reader, Request request, std::function<void()> notify)
    : m_reader(std::move(reader)),
      m_request(std::move(request)),
      m_notify(std::move(notify)),
      m_thread([this](const std::stop_token& stop) { Run(stop); }) {}

FindScan::~FindScan() { Cancel(); }

void FindScan::Cancel() noexcept {
    m_thread.request_stop();
    if (m_thread.joinable()) m_thread.join();
}

FindScan::Outcome FindScan::Result() const {
    std::scoped_lock lock(m_mutex);
    return m_outcome;
}

int FindScan::Progress() const noexcept {
    return ProgressPercent(m_screensDone.load(), static_cast<std::int64_t>(m_screensToDo.load()));
}

std::optional<std::uint32_t> FindScan::Search(const capture::CPktSnap& batch, std::uint32_t first, TextFind& find,
                                              const std::stop_token& stop) const {
    const std::uint32_t count = batch.GetFrameCount();
    std::uint32_t checked = 0;
    const auto look = [&](std::uint32_t i) {
        if (++checked % kFindStopCheckEvery == 0 && stop.stop_requested()) return false;
        if (m_request.filter && !m_request.filter->Matches(batch.GetFrame(i))) return false;
        return find.Matches(batch, i, m_request.level);
    };
    if (m_request.forward) {
        for (std::uint32_t i = 0; i < count && !stop.stop_requested(); ++i)
            if (first + i > m_request.from && look(i)) return first + i;
    } else {
        for (std::uint32_t i = count; i-- > 0 && !stop.stop_requested();)
            if (first + i < m_request.from && look(i)) return first + i;
    }
    return std::nullopt;
}

void FindScan::Run(const std::stop_token& stop) {
    const auto conf = decode::CPktParsersConf::FromTableFiles();
    const decode::CPktParsers parsers(conf);
    capture::CPktSnap batch(&parsers);
    TextFind find(m_request.text, m_request.where, m_request.matchCase);
    Outcome outcome;
    const std::uint32_t frames = m_reader.FrameCount();
    if (frames == 0 || (m_request.forward ? m_request.from + 1 >= frames : m_request.from == 0)) {
        outcome.finished = true;
    } else {
        // The block of the start frame first, then onward that way.
        auto fetched = m_reader.FetchFrame(m_request.from, m_request.forward ? frames : 0);
        core::Result<std::optional<capture::RawBlock>> next =
            fetched ? core::Result<std::optional<capture::RawBlock>>(std::optional(std::move(fetched).Value()))
                    : core::Result<std::optional<capture::RawBlock>>(fetched.Err());
        if (next && next.Value())
            m_screensToDo = m_request.forward ? m_reader.BlockCount() + 1 - next.Value()->screen : next.Value()->screen;
        while (!stop.stop_requested()) {
            if (!next) {
                outcome.errors.push_back(next.Err().text);
                break;
            }
            if (!next.Value()) {
                outcome.finished = true;
                break;
            }
            const capture::RawBlock& block = *next.Value();
            std::vector<std::uint8_t> inflated;
            auto st = capture::TraceReader::Inflate(block, inflated);
            if (st) st = capture::TraceReader::LoadBatch(block, std::move(inflated), batch);
            m_reader.Accept(block);
            if (!st) {
                outcome.errors.push_back(st.Err().text);
            } else if (const auto hit = Search(batch, block.trail.first, find, stop)) {
                outcome.frame = hit;
                outcome.finished = true;
                break;
            }
            batch.RemoveAllFrames();
            ++m_screensDone;
            next = m_reader.Fetch(m_request.forward ? Move::Next : Move::Previous);
        }
    }
    if (stop.stop_requested()) return;
    {
        std::scoped_lock lock(m_mutex);
        m_outcome = std::move(outcome);
    }
    if (m_notify) m_notify();
}

std::string NothingMoreFoundText(const std::string& text) { return "Find: no more frames hold \"" + text + "\""; }

}  // namespace packetlist
