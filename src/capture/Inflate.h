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

// Inflates a zlib stream into out, which is resized to exactly expected bytes. Anything else
// (corrupt stream, more or fewer bytes, an implausible size) is an error saying what.
core::Status InflateExact(std::span<const std::uint8_t> zlib, std::uint32_t expected, std::vector<std::uint8_t>& out);

}  // namespace capture
