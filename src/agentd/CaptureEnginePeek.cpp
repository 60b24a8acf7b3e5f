// A snapper's peeks: packed when asked for, or ahead of the asking by packer threads while
// the client keeps up.
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>

#include "CaptureEngine.h"

namespace agentd {

namespace {
constexpr int kPackerNice = 10;
}  // namespace

std::size_t CaptureEngine::PackedAhead() const {
    std::lock_guard lock(m_mutex);
    return m_ahead.size();
}

void CaptureEngine::FollowPace(const Packing& packing, bool keepsUp) {
    // Packing ahead holds a few batches beside the queue: only a snapper whose limit is many
    // batches large does it; a small share packs each peek when it is asked for.
    const bool ahead = keepsUp && m_byteLimit.load() >= kAheadRoomBatches * packing.aheadBytes;
    if (ahead == m_aheadOn) return;
    m_aheadOn = ahead;
    m_aheadBatch = packing.aheadBytes;
    // The queue keeps chunks for two batches: it holds about that much while packers work.
    m_queue.KeepSpares(m_aheadOn ? FrameQueue::kSpareChunks + 2 * m_aheadBatch / FrameQueue::kChunkBytes : 0);
    if (!m_aheadOn) m_replies->Clear();
    if (m_aheadOn && m_packers.empty() && !m_stop.load()) {
        for (std::size_t i = 0; i < packing.packers; ++i)
            m_packers.emplace_back([this, packing] { PackAhead(packing); });
    }
    m_packerWake.notify_all();  // on: the queue may hold batches already; off: buffers go
}

bool CaptureEngine::PartAsked() const { return m_partAsked && m_ahead.empty() && m_queue.Frames() > 0; }

bool CaptureEngine::AheadDue(std::size_t packerHolds) const {
    if (m_ahead.size() >= kAheadDepth || m_queue.Bytes() < m_aheadBatch) return false;
    // A packer that holds no buffers yet needs room for the frames and for packing them
    // (and the queue for its spare chunks), and every batch for its reply; all of it within
    // what the limit leaves for peeks.
    const std::size_t needs = (packerHolds == 0 ? 4 * m_aheadBatch : 0) + m_aheadBatch;
    return OnLoan() + needs <= m_byteLimit.load();
}

void CaptureEngine::PackAhead(const Packing& packing) {
    // Frames come first here too: the capture thread gets the processor before a packer,
    // which packs with what is left (and stores its batches when that is too little).
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), kPackerNice);
    std::vector<std::uint8_t> frames;
    std::size_t holds = 0;  // what this packer holds, counted in m_packerBytes
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_packerWake.wait(lock,
                          [&] { return m_stop.load() || (m_aheadOn ? AheadDue(holds) || PartAsked() : holds > 0); });
        if (m_stop.load()) break;
        if (!m_aheadOn) {
            // The client slowed down: a peek now packs what is pending itself.
            std::vector<std::uint8_t>().swap(frames);
            m_packerBytes -= holds;
            holds = 0;
            continue;
        }
        if (holds == 0) {
            m_packerBytes += 2 * m_aheadBatch;
            holds = 2 * m_aheadBatch;
        }
        const std::size_t batchBytes = m_aheadBatch;
        auto batch = std::make_shared<AheadBatch>();
        batch->frames = m_queue.Take(batchBytes, m_frequency, frames);
        m_ahead.push_back(batch);
        m_partAsked = false;
        // Frames come first: while the packers fall behind the source, batches are stored
        // (level 0 costs a copy) rather than compressed, so that no frame waits on packing.
        const bool behind = packing.storeWhenBehind && m_queue.Bytes() >= kBehindBatches * batchBytes;
        const int level = behind ? 0 : packing.level;
        m_aheadFrames += batch->frames;
        lock.unlock();
        m_room.notify_all();
        // Every buffer has room for a whole batch at any level, so that any of them fits the next.
        const std::size_t most = std::max(frames.size(), FrameQueue::kBatchHeader + batchBytes);
        auto buffer = m_replies->Take(std::max(PeekReplyBound(most, 0), PeekReplyBound(most, packing.level)));
        const auto packed = PackPeekReplyInto(frames, batch->frames, level, *buffer);
        lock.lock();
        // Its frames, and room for the reply buffer of its next batch.
        m_packerBytes = m_packerBytes - holds + frames.capacity() + batchBytes;
        holds = frames.capacity() + batchBytes;
        if (packed) {
            m_aheadBytes += buffer->Allocated();
            batch->reply = m_replies->Share(std::move(buffer));
        } else {
            batch->reply = packed.Err();
        }
        batch->done = true;
        m_packed.notify_all();
    }
    m_packerBytes -= holds;
}

core::Result<PackedPeek> CaptureEngine::NextPeek(const Packing& packing, bool keepsUp) {
    std::unique_lock lock(m_mutex);
    FollowPace(packing, keepsUp);
    if (m_aheadOn && m_ahead.empty() && m_queue.Frames() > 0 && !m_stop.load()) {
        // Less than a batch is pending: a packer packs it, in buffers it already has.
        m_partAsked = true;
        m_packerWake.notify_all();
    }
    // A batch's packer is at work on it and finishes it whatever happens meanwhile; a part
    // asked for is packed unless the packers are stopping.
    m_packed.wait(lock, [&] { return m_ahead.empty() ? !PartAsked() || m_stop.load() : m_ahead.front()->done; });
    m_partAsked = false;
    if (!m_ahead.empty()) {
        const auto batch = m_ahead.front();
        m_ahead.pop_front();
        m_aheadFrames -= batch->frames;
        if (batch->reply) m_aheadBytes -= batch->reply.Value()->Allocated();
        lock.unlock();
        m_packerWake.notify_all();  // room for another batch
        m_room.notify_all();
        if (!batch->reply) return batch->reply.Err();
        return PackedPeek{batch->reply.Value(), batch->frames};
    }
    if (m_queue.Frames() == 0) return PackedPeek{};
    std::vector<std::uint8_t> serialized;
    const Loan loan = LendLocked(packing.maxPeekBytes, serialized);
    const std::uint32_t frames = loan.Frames();
    lock.unlock();
    auto reply = PackPeekReply(serialized, frames, packing.level);
    std::vector<std::uint8_t>().swap(serialized);
    if (!reply) return reply.Err();
    return PackedPeek{std::move(reply).Value(), frames};
}

}  // namespace agentd
