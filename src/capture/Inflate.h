// The one place that inflates a block's zlib stream (libdeflate, one shot).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "core/Result.h"

namespace capture {

// No block may claim to inflate to more than this, whatever its stream says.
inline constexpr std::uint32_t kMaxInflatedBlock = 256u << 20;
// Deflate cannot compress better than about 1032:1; a block claiming more is lying.
inline constexpr std::uint64_t kMaxDeflateRatio = 1032;

// Whether u is believable for a stream of c bytes; checked before anything is allocated.
bool PlausibleInflatedSize(std::uint64_t compressed, std::uint64_t inflated) noexcept;

// Sizes a buffer a whole block is about to be written into. A block of tens of megabytes
// goes into fresh memory page by page: advised onto huge pages before its first byte is
// touched, the kernel takes a few dozen faults for it instead of thousands.
void SizeBlockBuffer(std::vector<std::uint8_t>& out, std::size_t size);

// Inflates a zlib stream into out, which is resized to exactly expected bytes. Anything else
// (corrupt stream, more or fewer bytes, an implausible size) is an error saying what.
core::Status InflateExact(std::span<const std::uint8_t> zlib, std::uint32_t expected, std::vector<std::uint8_t>& out);

}  // namespace capture
