// One snapper: a thread that takes frames from its own source, keeps those the filter
// passes, numbers them from the first frame number it was started with, and holds them in
// a bounded queue until a peek takes them. A live source loses the oldest frames (counted)
// when the queue is full; a file waits for the reader instead.
//
// The byte limit covers the queue and, as much again, the peek being made from it: the
// frames a peek took and the reply packed from them count until the peek is done, so that
// the queue cannot fill up again beside them.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "CaptureFilter.h"
#include "FrameQueue.h"
#include "FrameSource.h"
#include "capture/CPktSnap.h"

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
};

}  // namespace agentd
