// The snapper's capture thread and its bounded queue.
#include "CaptureEngine.h"

#include "Log.h"
#include "capture/LinkCodes.h"
#include "core/Archive.h"

namespace agentd {

CaptureEngine::CaptureEngine(std::unique_ptr<FrameSource> source, const CaptureFilter& filter, std::uint32_t firstFrame,
                             const Limits& limits)
    : m_source(std::move(source)),
      m_filter(filter),
      m_limits(limits),
      m_frequency(m_source->Frequency()),
      m_nextNumber(firstFrame),
      m_byteLimit(limits.maxBytes) {
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
        Push(in);
    }
    m_finished = true;
}

bool CaptureEngine::Full(std::size_t adding) const {
    return m_queue.Frames() > 0 &&
           (m_queue.Frames() >= m_limits.maxFrames || m_queue.Bytes() + adding > m_byteLimit.load());
}

void CaptureEngine::DropOldest() {
    if (m_queue.DropOldest()) m_dropped.fetch_add(1, std::memory_order_relaxed);
}

void CaptureEngine::Push(const SourceFrame& frame) {
    const std::size_t size = FrameQueue::RecordSize(frame);
    std::unique_lock lock(m_mutex);
    if (m_source->Lossless()) {
        // A raised limit notifies without the lock: look again now and then.
        while (!m_stop.load() && Full(size)) m_room.wait_for(lock, std::chrono::milliseconds(50));
        if (m_stop.load()) return;
    } else {
        while (Full(size)) DropOldest();
    }
    m_queue.Push(frame, m_nextNumber++, capture::kLinkEthernet);
}

void CaptureEngine::SetByteLimit(std::size_t bytes) {
    m_byteLimit = bytes;
    m_room.notify_all();
}

std::size_t CaptureEngine::QueuedBytes() const {
    std::lock_guard lock(m_mutex);
    return m_queue.Bytes();
}

std::size_t CaptureEngine::Pending() const {
    std::lock_guard lock(m_mutex);
    return m_queue.Frames();
}

std::uint32_t CaptureEngine::TakeSerialized(std::size_t maxBytes, std::vector<std::uint8_t>& batch) {
    std::uint32_t count = 0;
    {
        std::lock_guard lock(m_mutex);
        count = m_queue.Take(maxBytes, m_frequency, batch);
    }
    m_room.notify_all();
    return count;
}

capture::CPktSnap CaptureEngine::Take(std::size_t maxBytes) {
    std::vector<std::uint8_t> bytes;
    TakeSerialized(maxBytes, bytes);
    capture::CPktSnap batch;
    batch.RemoveAllFrames();
    core::Archive ar{std::span<const std::uint8_t>(bytes)};
    batch.Serialize(ar);  // our own records: they load whole
    return batch;
}

std::string CaptureEngine::Failure() const {
    std::lock_guard lock(m_mutex);
    return m_failure;
}

}  // namespace agentd
