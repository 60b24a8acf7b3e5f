// The trace file's fixed layout: a 24-byte header, then blocks of lead record, compressed
// size, uncompressed size, zlib stream and trail record, chained both ways by file offsets.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "core/ByteReader.h"

namespace capture {

inline constexpr std::uint32_t kTraceHeaderSize = 24;
inline constexpr std::uint32_t kTraceRecordSize = 12;
// Lead record + c and u words: the zlib stream starts this far into a block.
inline constexpr std::uint32_t kBlockDataOffset = 20;
// A block is this many bytes plus its compressed size.
inline constexpr std::uint32_t kBlockOverhead = 32;
inline constexpr std::uint16_t kFormatWordA = 0;
inline constexpr std::uint16_t kFormatWordB = 1;
inline constexpr std::array<std::uint8_t, 8> kReleaseSignature = {0x1A, 0x70, 0x9D, 0xE5, 0xA9, 0xE4, 0x05, 0x10};

// A lead or trail record. In a lead record offset is the next block's; in a trail record
// it is the block's own.
struct TraceRecord {
    std::uint32_t first = 0;
    std::uint32_t last = 0;
    std::uint32_t offset = 0;

    // An empty block records last = first - 1 and holds no frame, even when first is 0.
    bool IsEmpty() const noexcept { return last + 1 == first; }
    bool Holds(std::uint32_t frame) const noexcept { return !IsEmpty() && first <= frame && frame <= last; }
    std::uint32_t FrameCount() const noexcept { return last + 1 - first; }

    static TraceRecord Read(core::ByteReader& in) noexcept {
        TraceRecord r;
        r.first = in.Le32();
        r.last = in.Le32();
        r.offset = in.Le32();
        return r;
    }
    std::array<std::uint8_t, kTraceRecordSize> Encode() const noexcept {
        std::array<std::uint8_t, kTraceRecordSize> out{};
        const std::uint32_t words[3] = {first, last, offset};
        for (std::size_t w = 0; w < 3; ++w)
            for (std::size_t b = 0; b < 4; ++b) out[w * 4 + b] = static_cast<std::uint8_t>(words[w] >> (8 * b));
        return out;
    }
    bool operator==(const TraceRecord&) const = default;
};

struct TraceHeader {
    std::uint16_t formatA = kFormatWordA;
    std::uint16_t formatB = kFormatWordB;
    std::array<std::uint8_t, 8> signature = kReleaseSignature;
    std::uint32_t blockCount = 0;
    std::uint32_t endOffset = 0;
    std::uint32_t frameCount = 0;

    static TraceHeader Read(core::ByteReader& in) noexcept {
        TraceHeader h;
        h.formatA = in.Le16();
        h.formatB = in.Le16();
        const auto sig = in.Bytes(8);
        for (std::size_t i = 0; i < sig.size(); ++i) h.signature[i] = sig[i];
        h.blockCount = in.Le32();
        h.endOffset = in.Le32();
        h.frameCount = in.Le32();
        return h;
    }
    std::array<std::uint8_t, kTraceHeaderSize> Encode() const noexcept {
        std::array<std::uint8_t, kTraceHeaderSize> out{};
        out[0] = static_cast<std::uint8_t>(formatA);
        out[1] = static_cast<std::uint8_t>(formatA >> 8);
        out[2] = static_cast<std::uint8_t>(formatB);
        out[3] = static_cast<std::uint8_t>(formatB >> 8);
        for (std::size_t i = 0; i < 8; ++i) out[4 + i] = signature[i];
        const std::uint32_t words[3] = {blockCount, endOffset, frameCount};
        for (std::size_t w = 0; w < 3; ++w)
            for (std::size_t b = 0; b < 4; ++b) out[12 + w * 4 + b] = static_cast<std::uint8_t>(words[w] >> (8 * b));
        return out;
    }
};

}  // namespace capture
