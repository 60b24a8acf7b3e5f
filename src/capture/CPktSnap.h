// One batch of captured frames: what one peek hands over, what one trace-file block keeps,
// what one screen of the packet list shows. The decoder set is referenced, not owned.
#pragma once

#include <cstdint>
#include <vector>

#include "capture/CPktSnapQue.h"
#include "core/Archive.h"

namespace decode {
class CPktParsers;
class CPktSummary;
class CPktDetailLine;
}  // namespace decode

namespace capture {

class CPktSnap {
public:
    explicit CPktSnap(const decode::CPktParsers* parsers = nullptr);

    std::uint32_t GetFrameCount() const noexcept { return static_cast<std::uint32_t>(m_frames.size()); }
    void RemoveAllFrames() noexcept { m_frames.clear(); }
    const CPktSnapQue& GetFrame(std::uint32_t i) const { return m_frames.at(i); }
    const std::vector<CPktSnapQue>& Frames() const noexcept { return m_frames; }
    void AddFrame(CPktSnapQue frame) { m_frames.push_back(std::move(frame)); }

    std::int64_t GetFrequency() const noexcept { return m_frequency; }
    void SetFrequency(std::int64_t ticksPerSecond) noexcept { m_frequency = ticksPerSecond; }
    const decode::CPktParsers* GetParsers() const noexcept { return m_parsers; }

    // Decoding one frame of the batch (defined with the decoder set, in decode/). The
    // previous frame is frame i - 1 of this batch, none for frame 0.
    void SummaryOf(std::uint32_t level, decode::CPktSummary* row, std::uint32_t i) const;
    void DetailOf(decode::CPktDetailLine* root, std::uint32_t i) const;

    // Stores the schema word, frequency, frame count and frames; loading appends to the
    // list (the caller empties it first) and throws end-of-file when the bytes end early,
    // keeping the frames read until then.
    void Serialize(core::Archive& ar);

private:
    const decode::CPktParsers* m_parsers;
    std::int64_t m_frequency;
    std::vector<CPktSnapQue> m_frames;
};

// Ticks per second of this machine's high-resolution counter (nanoseconds here).
std::int64_t LocalCounterFrequency() noexcept;
std::int64_t LocalCounterNow() noexcept;

}  // namespace capture
