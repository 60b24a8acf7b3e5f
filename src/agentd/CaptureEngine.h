// One snapper: a thread that takes frames from its own source, keeps those the filter
// passes, numbers them from the first frame number it was started with, and holds them in
// a bounded queue until a peek takes them. A live source loses the oldest frames (counted)
// when the queue is full; a file waits for the reader instead.
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

    CaptureEngine(std::unique_ptr<FrameSource> source, const CaptureFilter& filter, std::uint32_t firstFrame,
                  const Limits& limits);
    ~CaptureEngine();
    CaptureEngine(const CaptureEngine&) = delete;
    CaptureEngine& operator=(const CaptureEngine&) = delete;

    // Ends the capture thread; frames already queued can still be taken.
    void Stop();

    std::size_t Pending() const;
    std::size_t QueuedBytes() const;
    // The engine's share of the agent's memory changed: a live engine drops its oldest frames
    // down to the new limit with its next frame, a file waits for the reader. Takes no lock,
    // so the snapper table may call it while it holds its own.
    void SetByteLimit(std::size_t bytes);
    // The oldest pending frames, as many as fit in maxBytes of serialised records (at least
    // one), as one serialised frame batch stamped with the source's frequency, in `batch`
    // (its memory is reused); returns how many frames it holds.
    std::uint32_t TakeSerialized(std::size_t maxBytes, std::vector<std::uint8_t>& batch);
    // The same, loaded.
    capture::CPktSnap Take(std::size_t maxBytes);

    std::uint64_t Dropped() const noexcept { return m_dropped.load(); }
    // True once the source has no more frames (end of a replay, or a failure).
    bool Finished() const noexcept { return m_finished.load(); }
    std::string Failure() const;

private:
    void Run();
    void Push(const SourceFrame& frame);
    bool Full(std::size_t adding) const;  // under m_mutex
    void DropOldest();                    // under m_mutex

    std::unique_ptr<FrameSource> m_source;
    CaptureFilter m_filter;
    Limits m_limits;
    std::int64_t m_frequency;
    std::uint32_t m_nextNumber;

    mutable std::mutex m_mutex;
    std::condition_variable m_room;
    FrameQueue m_queue;
    std::string m_failure;

    std::atomic<std::size_t> m_byteLimit;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_finished{false};
    std::atomic<std::uint64_t> m_dropped{0};
    std::thread m_thread;
};

}  // namespace agentd
