// One snapper: a thread that takes frames from its own source, keeps those the filter
// passes, numbers them from the first frame number it was started with, and holds them in
// a bounded queue until a peek takes them. A live source loses the oldest frames (counted)
// when the queue is full; a file waits for the reader instead.
//
// The byte limit covers the queue and, as much again, the peeks being made from it: the
// frames a peek took and the reply packed from them count until the peek is done, so that
// the queue cannot fill up again beside them.
//
// While the client keeps up (it peeks again soon after each reply), packers on threads of
// their own pack the next batches ahead, each as soon as the queue holds a whole one, so that
// a peek finds its reply ready and the packing of one batch overlaps the sending and writing
// of the last. The batches keep the queue's order; a peek takes the oldest, and frames
// packed ahead still count as pending. A client that peeks seldom gets everything pending
// in one reply, as before.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "CaptureFilter.h"
#include "FrameQueue.h"
#include "FrameSource.h"
#include "PeekReply.h"
#include "ReplyPool.h"
#include "capture/CPktSnap.h"
#include "core/Result.h"

namespace agentd {

class CaptureEngine {
public:
    struct Limits {
        std::size_t maxFrames = 262'144;
        std::size_t maxBytes = 64 * 1024 * 1024;  // serialised frame records; SetByteLimit moves it
    };

    // What a peek took, lent to it until it is destroyed: the serialised frames and, as much
    // again, the reply packed from them.
    class Loan {
    public:
        Loan() = default;
        Loan(CaptureEngine& engine, std::size_t bytes, std::uint32_t frames) noexcept
            : m_engine(&engine),
              m_bytes(bytes),
              m_frames(frames) {}
        ~Loan();
        Loan(Loan&& other) noexcept;
        Loan& operator=(Loan&& other) = delete;
        Loan(const Loan&) = delete;
        Loan& operator=(const Loan&) = delete;
        std::uint32_t Frames() const noexcept { return m_frames; }
        std::size_t Bytes() const noexcept { return m_bytes; }

    private:
        CaptureEngine* m_engine = nullptr;
        std::size_t m_bytes = 0;
        std::uint32_t m_frames = 0;
    };

    static constexpr std::size_t kAheadDepth = 3;         // batches packed or being packed ahead at most
    static constexpr std::size_t kBehindBatches = 3;      // batches waiting that show the packers behind
    static constexpr std::size_t kAheadRoomBatches = 12;  // the byte limit, in batches, that packing ahead needs

    // How peeks are packed.
    struct Packing {
        int level = 1;
        std::size_t maxPeekBytes = std::size_t{63} << 20;  // serialised frames in one peek at most
        std::size_t aheadBytes = std::size_t{4} << 20;     // ... in one batch packed ahead
        std::size_t packers = 2;                           // threads packing ahead
        // A client that peeks again within this time of its last reply having been sent keeps
        // up; one that peeks on a timer of its own (every 500 ms) does not.
        std::chrono::milliseconds keepingUp{400};
        // Batches packed ahead while the queue backs up are stored, not compressed.
        bool storeWhenBehind = true;
    };

    CaptureEngine(std::unique_ptr<FrameSource> source, const CaptureFilter& filter, std::uint32_t firstFrame,
                  const Limits& limits);
    ~CaptureEngine();
    CaptureEngine(const CaptureEngine&) = delete;
    CaptureEngine& operator=(const CaptureEngine&) = delete;

    // Ends the capture thread; frames already queued can still be taken.
    void Stop();

    std::size_t Pending() const;
    std::size_t QueuedBytes() const;
    // The queue and what peeks have on loan.
    std::size_t UsedBytes() const;
    // The engine's share of the agent's memory changed: a live engine drops its oldest frames
    // down to the new limit with its next frame, or within its source's idle wait when none
    // comes; a file waits for the reader. Takes no lock, so the snapper table may call it
    // while it holds its own.
    void SetByteLimit(std::size_t bytes);
    bool Lossless() const noexcept { return m_lossless; }
    // Bytes the source holds for itself (a live capture's kernel buffer).
    std::size_t SourceBytes() const noexcept { return m_sourceBytes; }
    // The oldest pending frames, as many as fit in maxBytes of serialised records (at least
    // one), as one serialised frame batch stamped with the source's frequency, in `batch`
    // (its memory is reused); returns how many frames it holds.
    std::uint32_t TakeSerialized(std::size_t maxBytes, std::vector<std::uint8_t>& batch);
    // The same, lent to a peek, and no more than the byte limit: until the loan ends, the
    // frames and a reply as large count against the limit.
    [[nodiscard]] Loan Lend(std::size_t maxBytes, std::vector<std::uint8_t>& batch);
    // The same, loaded.
    capture::CPktSnap Take(std::size_t maxBytes);
    // The next peek's reply: the oldest batch packed ahead, waited for while its packer
    // finishes it; else the oldest pending frames packed now, no more than the byte limit
    // (a null reply when none are pending). keepsUp: the client peeked soon after its last
    // reply, so batches are packed ahead for it from now on.
    core::Result<PackedPeek> NextPeek(const Packing& packing, bool keepsUp);
    // Batches packed or being packed ahead of the peeks.
    std::size_t PackedAhead() const;

    std::uint64_t Dropped() const noexcept { return m_dropped.load(); }
    // What the source's kernel lost before the engine could read it: as of the source's last
    // quiet moment or some thousand frames ago, and exact once the engine has stopped.
    SourceDrops KernelDrops() const noexcept { return {m_kernelDrops.load(), m_interfaceDrops.load()}; }
    // True once the source has no more frames (end of a replay, or a failure).
    bool Finished() const noexcept { return m_finished.load(); }
    std::string Failure() const;

private:
    void Run();
    void Push(const SourceFrame& frame);
    bool Full(std::size_t adding) const;  // under m_mutex
    void DropOldest();                    // under m_mutex
    void Trim();                          // a live queue down to its limit
    void Repay(std::size_t bytes);
    Loan LendLocked(std::size_t maxBytes, std::vector<std::uint8_t>& batch);  // under m_mutex
    // Held beside the queue's records: peeks' loans, packers, and spare chunks. Under m_mutex.
    std::size_t OnLoan() const noexcept {
        return m_lent + m_packerBytes + m_aheadBytes + m_queue.ExtraSpareBytes() + m_replies->KeptBytes();
    }
    void FollowPace(const Packing& packing, bool keepsUp);  // under m_mutex
    bool AheadDue(std::size_t packerHolds) const;           // under m_mutex
    bool PartAsked() const;                                 // under m_mutex
    void PackAhead(const Packing& packing);                 // a packer thread

    // One batch packed ahead: its frames are taken from the queue when its packer starts it.
    struct AheadBatch {
        std::uint32_t frames = 0;
        bool done = false;
        core::Result<SharedStub> reply = SharedStub();
    };
    void ReadKernelDrops();

    std::unique_ptr<FrameSource> m_source;
    CaptureFilter m_filter;
    Limits m_limits;
    std::int64_t m_frequency;
    bool m_lossless;
    std::size_t m_sourceBytes;
    std::uint32_t m_nextNumber;

    mutable std::mutex m_mutex;
    std::condition_variable m_room;
    FrameQueue m_queue;
    std::size_t m_lent = 0;
    std::string m_failure;

    std::atomic<std::size_t> m_byteLimit;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_finished{false};
    std::atomic<std::uint64_t> m_dropped{0};
    std::atomic<std::uint64_t> m_kernelDrops{0};
    std::atomic<std::uint64_t> m_interfaceDrops{0};
    std::thread m_thread;

    // Packing ahead, under m_mutex.
    bool m_aheadOn = false;
    std::size_t m_aheadBatch = 0;
    bool m_partAsked = false;                         // a peek waits for a packer to pack what is pending
    std::deque<std::shared_ptr<AheadBatch>> m_ahead;  // oldest first
    std::size_t m_aheadFrames = 0;
    std::size_t m_aheadBytes = 0;   // the replies packed ahead
    std::size_t m_packerBytes = 0;  // the packers' own buffers
    std::shared_ptr<ReplyPool> m_replies;
    std::condition_variable m_packerWake;
    std::condition_variable m_packed;
    std::vector<std::thread> m_packers;
};

}  // namespace agentd
