// A peek's reply stub, built around the packed batch: len, the data pointer's referent, the
// conformant count, the peek result (k, u, zlib stream), padding to 4, the status.
#pragma once

#include <cstdint>
#include <span>

#include "RpcInterface.h"
#include "core/Result.h"

namespace agentd {

struct PackedPeek {
    SharedStub reply;  // null when there was nothing to pack
    std::uint32_t frames = 0;
};

// Packs straight into a reply with room for the worst case, given back down to its size.
core::Result<SharedStub> PackPeekReply(std::span<const std::uint8_t> serialized, std::uint32_t frames, int level);
// Packs into `reply`, which has room for PeekReplyBound bytes, and sets its size.
core::Status PackPeekReplyInto(std::span<const std::uint8_t> serialized, std::uint32_t frames, int level,
                               StubBytes& reply);
// The bytes PackPeekReply needs at most for a batch of that size.
std::size_t PeekReplyBound(std::size_t serializedSize, int level);

}  // namespace agentd
