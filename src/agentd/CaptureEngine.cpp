// The snapper's capture thread and its bounded queue.
#include "CaptureEngine.h"

#include "Log.h"
#include "decode/ProtoCode.h"

namespace agentd {

namespace {
constexpr std::size_t kRecordHeader = 36;  // a serialised frame record before its bytes
std::size_t RecordSize(const capture::CPktSnapQue& frame) noexcept { return kRecordHeader + frame.GetDataLength(); }
}  // namespace

CaptureEngine::CaptureEngine(std::unique_ptr<FrameSource> source, const CaptureFilter& filter, std::uint32_t firstFrame,
                             const Limits& limits)
    : m_source(std::move(source)), m_filter(filter), m_limits(limits), m_frequency(m_source->Frequency()),
      m_nextNumber(firstFrame) {
    m_thread = std::thread([this] { Run(); });
}

CaptureEngine::~CaptureEngine() { Stop(); }

void CaptureEngine::Stop() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_room.notify_all();
    if (m_thread.joinable()) m_thread.join();
}

void CaptureEngine::Run() {
    const bool passAll = m_filter.PassesAll();
    SourceFrame in;
    while (!m_stop.load(std::memory_order_relaxed)) {
        const auto outcome = m_source->Next(in);
        if (outcome == FrameSource::Outcome::Idle) continue;
        if (outcome != FrameSource::Outcome::Frame) {
            std::lock_guard lock(m_mutex);
            if (outcome == FrameSource::Outcome::Failed) {
                m_failure = m_source->Failure();
                Log("a capture source failed: " + m_failure);
            }
            break;
        }
        if (!passAll && !m_filter.Passes(in.bytes)) continue;
        capture::CPktSnapQue frame;
        frame.SetCaptureTime(in.seconds);
        frame.SetStamp(in.stamp);
        frame.SetFrameNumber(m_nextNumber++);
        frame.SetLinkProtocol(decode::PROTO_ETHERNET);
        frame.SetTotalLength(in.wireLength);
        frame.SetCapturedLength(static_cast<std::uint32_t>(in.bytes.size()));
        frame.SetData(in.bytes);
        Push(std::move(frame));
    }
    m_finished = true;
}

bool CaptureEngine::Full(std::size_t adding) const {
    return !m_queue.empty() && (m_queue.size() >= m_limits.maxFrames || m_queuedBytes + adding > m_limits.maxBytes);
}

void CaptureEngine::DropOldest() {
    m_queuedBytes -= RecordSize(m_queue.front());
    m_queue.pop_front();
    m_dropped.fetch_add(1, std::memory_order_relaxed);
}

void CaptureEngine::Push(capture::CPktSnapQue frame) {
    const std::size_t size = RecordSize(frame);
    std::unique_lock lock(m_mutex);
    if (m_source->Lossless()) {
        m_room.wait(lock, [&] { return m_stop.load() || !Full(size); });
        if (m_stop.load()) return;
    } else {
        while (Full(size)) DropOldest();
    }
    m_queuedBytes += size;
    m_queue.push_back(std::move(frame));
}

void CaptureEngine::SetByteLimit(std::size_t bytes) {
    {
        std::lock_guard lock(m_mutex);
        m_limits.maxBytes = bytes;
        if (!m_source->Lossless())
            while (!m_queue.empty() && m_queuedBytes > bytes) DropOldest();
    }
    m_room.notify_all();
}

std::size_t CaptureEngine::QueuedBytes() const {
    std::lock_guard lock(m_mutex);
    return m_queuedBytes;
}

std::size_t CaptureEngine::Pending() const {
    std::lock_guard lock(m_mutex);
    return m_queue.size();
}

capture::CPktSnap CaptureEngine::Take(std::size_t maxBytes) {
    capture::CPktSnap batch;
    batch.SetFrequency(m_frequency);
    {
        std::lock_guard lock(m_mutex);
        std::size_t taken = 0;
        while (!m_queue.empty()) {
            const std::size_t size = RecordSize(m_queue.front());
            if (batch.GetFrameCount() > 0 && taken + size > maxBytes) break;
            taken += size;
            m_queuedBytes -= size;
            batch.AddFrame(std::move(m_queue.front()));
            m_queue.pop_front();
        }
    }
    m_room.notify_all();
    return batch;
}

std::string CaptureEngine::Failure() const {
    std::lock_guard lock(m_mutex);
    return m_failure;
}

}  // namespace agentd
