// The snapper's capture thread and its bounded queue.
#include "CaptureEngine.h"

#include <algorithm>
#include <utility>

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
      m_lossless(m_source->Lossless()),
      m_sourceBytes(m_source->BufferBytes()),
      m_nextNumber(firstFrame),
      m_byteLimit(limits.maxBytes),
      m_replies(std::make_shared<ReplyPool>(kAheadDepth + 1)) {
    m_thread = std::thread([this] { Run(); });
}

CaptureEngine::~CaptureEngine() { Stop(); }

void CaptureEngine::Stop() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;  // no packer starts after this
    }
    m_room.notify_all();
    m_packerWake.notify_all();
    m_packed.notify_all();
    if (m_thread.joinable()) m_thread.join();
    // A packer finishes the batch in hand, so a peek waiting for it gets it.
    for (auto& packer : m_packers)
        if (packer.joinable()) packer.join();
}

namespace {
// Frames between two looks at the kernel's counters while frames keep coming: a system call
// each time, so not for every frame.
constexpr std::uint32_t kDropsEvery = 4096;
}  // namespace

void CaptureEngine::ReadKernelDrops() {
    const SourceDrops drops = m_source->KernelDrops();
    m_kernelDrops = drops.kernel;
    m_interfaceDrops = drops.interface;
}

void CaptureEngine::Run() {
    const bool passAll = m_filter.PassesAll();
    SourceFrame in;
    std::uint32_t sinceDrops = 0;
    while (!m_stop.load(std::memory_order_relaxed)) {
        const auto outcome = m_source->Next(in);
        if (outcome == FrameSource::Outcome::Idle) {
            // A quiet interface gives up what a lowered limit no longer leaves it.
            if (!m_lossless) Trim();
            ReadKernelDrops();
            continue;
        }
        if (++sinceDrops == kDropsEvery) {
            sinceDrops = 0;
            ReadKernelDrops();
        }
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
    ReadKernelDrops();
    m_finished = true;
}

bool CaptureEngine::Full(std::size_t adding) const {
    // The queue takes the limit, and shares twice the limit with what peeks have on loan.
    const std::size_t limit = m_byteLimit.load();
    const std::size_t out = OnLoan();
    const std::size_t room = std::min(limit, 2 * limit > out ? 2 * limit - out : 0);
    return m_queue.Frames() > 0 && (m_queue.Frames() >= m_limits.maxFrames || m_queue.Bytes() + adding > room);
}

void CaptureEngine::DropOldest() {
    if (m_queue.DropOldest()) m_dropped.fetch_add(1, std::memory_order_relaxed);
}

void CaptureEngine::Push(const SourceFrame& frame) {
    const std::size_t size = FrameQueue::RecordSize(frame);
    std::unique_lock lock(m_mutex);
    if (m_lossless) {
        // A raised limit notifies without the lock: look again now and then.
        while (!m_stop.load() && Full(size)) m_room.wait_for(lock, std::chrono::milliseconds(50));
        if (m_stop.load()) return;
    } else {
        while (Full(size)) DropOldest();
    }
    const std::size_t before = m_queue.Bytes();
    m_queue.Push(frame, m_nextNumber++, capture::kLinkEthernet);
    // The packers wait for a whole batch, not for every frame.
    if (m_aheadOn && before < m_aheadBatch && m_queue.Bytes() >= m_aheadBatch) {
        lock.unlock();
        m_packerWake.notify_all();
    }
}

void CaptureEngine::SetByteLimit(std::size_t bytes) {
    m_byteLimit = bytes;
    m_room.notify_all();
}

void CaptureEngine::Trim() {
    std::lock_guard lock(m_mutex);
    while (m_queue.Frames() > 1 && Full(0)) DropOldest();
}

std::size_t CaptureEngine::UsedBytes() const {
    std::lock_guard lock(m_mutex);
    return m_queue.Bytes() + OnLoan();
}

CaptureEngine::Loan CaptureEngine::Lend(std::size_t maxBytes, std::vector<std::uint8_t>& batch) {
    std::lock_guard lock(m_mutex);
    return LendLocked(maxBytes, batch);
}

CaptureEngine::Loan CaptureEngine::LendLocked(std::size_t maxBytes, std::vector<std::uint8_t>& batch) {
    // No more than the queue's limit at once: a replay's queue left above a limit that has
    // since shrunk is handed over a limit at a time, so its peek stays within its part.
    const std::uint32_t frames = m_queue.Take(std::min(maxBytes, m_byteLimit.load()), m_frequency, batch);
    const std::size_t lent = 2 * batch.size();
    m_lent += lent;
    return Loan(*this, lent, frames);
}

void CaptureEngine::Repay(std::size_t bytes) {
    {
        std::lock_guard lock(m_mutex);
        m_lent -= std::min(bytes, m_lent);
    }
    m_room.notify_all();
}

CaptureEngine::Loan::~Loan() {
    if (m_engine != nullptr) m_engine->Repay(m_bytes);
}

CaptureEngine::Loan::Loan(Loan&& other) noexcept
    : m_engine(std::exchange(other.m_engine, nullptr)),
      m_bytes(other.m_bytes),
      m_frames(other.m_frames) {}

std::size_t CaptureEngine::QueuedBytes() const {
    std::lock_guard lock(m_mutex);
    return m_queue.Bytes();
}

std::size_t CaptureEngine::Pending() const {
    std::lock_guard lock(m_mutex);
    return m_queue.Frames() + m_aheadFrames;
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
