// Where a capture engine takes its frames from: a live interface, a replayed capture file,
// or (in tests) frames made up on the spot. Each engine owns a source of its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "capture/CPktSnapConf.h"
#include "core/Result.h"

namespace agentd {

struct SourceFrame {
    std::uint32_t seconds = 0;            // capture time, seconds since 1970
    std::int64_t stamp = 0;               // ticks of the source's counter
    std::uint32_t wireLength = 0;         // length on the wire
    std::span<const std::uint8_t> bytes;  // the captured bytes; valid until the next call of Next
};

// Frames a live source lost before it could hand them over, since it opened.
struct SourceDrops {
    std::uint64_t kernel = 0;     // the kernel's capture buffer was full: the reader fell behind
    std::uint64_t interface = 0;  // the interface dropped them before any capture saw them
};

class FrameSource {
public:
    enum class Outcome { Frame, Idle, End, Failed };

    virtual ~FrameSource() = default;
    // The next frame, or Idle when none came within a short while (the engine checks for a
    // stop request and asks again), End when no frame will ever come, Failed with Failure().
    virtual Outcome Next(SourceFrame& frame) = 0;
    // Ticks per second of the stamps.
    virtual std::int64_t Frequency() const noexcept = 0;
    // A lossless source (a file) can wait for a slow reader instead of losing frames.
    virtual bool Lossless() const noexcept = 0;
    virtual std::string Failure() const { return {}; }
    // Memory the source holds for itself while it runs (a live capture's kernel buffer).
    virtual std::size_t BufferBytes() const noexcept { return 0; }
    // What the kernel lost so far (nothing for a file). Asked on the thread that calls Next.
    virtual SourceDrops KernelDrops() { return {}; }
};

// Makes the source of one new engine for the capture configuration the manager sent (a live
// source lets the kernel filter what it can).
using SourceFactory = std::function<core::Result<std::unique_ptr<FrameSource>>(const capture::CPktSnapConf&)>;

}  // namespace agentd
