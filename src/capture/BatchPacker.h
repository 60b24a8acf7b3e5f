// Turns a frame batch into a peek result as the agent hands it over: frame count k,
// uncompressed size u, then the serialised batch as a zlib stream. Pcap import and the
// stand-in agent both build their blocks here.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "capture/CPktSnap.h"
#include "core/Result.h"

namespace capture {

// libdeflate level 6 compresses LAN traffic about as well as zlib's default, much faster.
inline constexpr int kDefaultPackLevel = 6;

std::vector<std::uint8_t> SerializeBatch(CPktSnap& batch);
// serialized must be one serialised batch of frameCount frames. Fails only for a batch
// too large for the 32-bit size word.
core::Result<std::vector<std::uint8_t>> PackSerialized(std::span<const std::uint8_t> serialized,
                                                       std::uint32_t frameCount, int level = kDefaultPackLevel);
// Packing into memory the caller owns: PackBound is the most PackInto writes for a
// serialised batch of that size, PackInto tells how many bytes it wrote.
std::size_t PackBound(std::size_t serializedSize, int level = kDefaultPackLevel);
core::Result<std::size_t> PackInto(std::span<const std::uint8_t> serialized, std::uint32_t frameCount,
                                   std::span<std::uint8_t> out, int level = kDefaultPackLevel);
core::Result<std::vector<std::uint8_t>> PackBatch(CPktSnap& batch, int level = kDefaultPackLevel);

}  // namespace capture
