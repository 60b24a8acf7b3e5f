// One batch of captured frames: what one peek hands over, what one trace-file block keeps,
// what one screen of the packet list shows. The decoder set is referenced, not owned.
//
// The frames are kept as their serialised records, back to back, with the offset of each:
// a frame costs in memory what it costs in the file plus four bytes, so a block of millions
// of tiny frames takes no more than its inflated size. A block loaded from a trace file
// keeps the inflated bytes themselves (LoadAdopting). GetFrame and Frames hand out records
// that look into these bytes; they stay valid until the batch is changed or destroyed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "capture/CPktSnapQue.h"
#include "core/Archive.h"

namespace decode {
class CPktParsers;
}  // namespace decode

namespace capture {

class CPktSnap {
public:
    explicit CPktSnap(const decode::CPktParsers* parsers = nullptr);

    // The frames in list order, each a record that looks into the batch.
    class FrameRange {
    public:
        class Iterator {
        public:
            Iterator(const CPktSnap* batch, std::uint32_t i) noexcept : m_batch(batch), m_i(i) {}
            CPktSnapQue operator*() const { return m_batch->GetFrame(m_i); }
            Iterator& operator++() noexcept {
                ++m_i;
                return *this;
            }
            bool operator==(const Iterator& other) const noexcept { return m_i == other.m_i; }

        private:
            const CPktSnap* m_batch;
            std::uint32_t m_i;
        };
        explicit FrameRange(const CPktSnap* batch) noexcept : m_batch(batch) {}
        Iterator begin() const noexcept { return {m_batch, 0}; }
        Iterator end() const noexcept { return {m_batch, m_batch->GetFrameCount()}; }
        std::uint32_t size() const noexcept { return m_batch->GetFrameCount(); }
        bool empty() const noexcept { return size() == 0; }
        CPktSnapQue operator[](std::uint32_t i) const { return m_batch->GetFrame(i); }

    private:
        const CPktSnap* m_batch;
    };

    std::uint32_t GetFrameCount() const noexcept { return static_cast<std::uint32_t>(m_offsets.size()); }
    // Deletes every frame and gives their memory back.
    void RemoveAllFrames() noexcept;
    // Frame i (throws std::out_of_range when the batch has no such frame).
    CPktSnapQue GetFrame(std::uint32_t i) const;
    FrameRange Frames() const noexcept { return FrameRange(this); }
    // Appends a copy of the frame's record.
    void AddFrame(const CPktSnapQue& frame);

    std::int64_t GetFrequency() const noexcept { return m_frequency; }
    void SetFrequency(std::int64_t ticksPerSecond) noexcept { m_frequency = ticksPerSecond; }
    const decode::CPktParsers* GetParsers() const noexcept { return m_parsers; }

    // Stores the schema word, frequency, frame count and frames; loading appends to the
    // list (the caller empties it first) and throws end-of-file when the bytes end early,
    // keeping the frames read until then.
    void Serialize(core::Archive& ar);
    // Loads one whole serialised batch into an empty batch as Serialize would, but keeps
    // the frames in the given bytes instead of copying them out. All or nothing: false when
    // the batch is not empty or the bytes end inside the batch, and then nothing changes.
    bool LoadAdopting(std::vector<std::uint8_t>&& serialized);

    // Bytes of the serialised batch: the 16-byte head and every frame record.
    std::size_t SerializedSize() const noexcept;
    // What the frames take in memory: their records and the offset of each.
    std::size_t MemoryBytes() const noexcept {
        return m_bytes.capacity() + m_offsets.capacity() * sizeof(std::uint32_t);
    }

private:
    // A frame record whose schema word was not 1: loaded no further, it reads as all zeros.
    static constexpr std::uint32_t kBlankFrame = 0xFFFFFFFF;
    void AppendRecord(const CPktSnapQue& frame);

    const decode::CPktParsers* m_parsers;
    std::int64_t m_frequency;
    std::vector<std::uint8_t> m_bytes;     // frame records back to back (after a batch head when adopted)
    std::vector<std::uint32_t> m_offsets;  // where each frame's record starts in m_bytes
    std::size_t m_recordBytes = 0;         // the records' total length, blank ones counted as stored
};

// Ticks per second of this machine's high-resolution counter (nanoseconds here).
std::int64_t LocalCounterFrequency() noexcept;
std::int64_t LocalCounterNow() noexcept;

}  // namespace capture
