// NDR bodies of the agent's seven procedures, for both ends: the client marshals requests
// and unmarshals replies, a server the reverse. Every reply ends with the status.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "core/Result.h"

namespace rpc {

// Largest configuration a start request may carry.
inline constexpr std::uint32_t kMaxConfigBytes = 64u << 10;

struct StartRequest {
    std::int32_t param = 0;
    std::int32_t firstFrame = 0;
    std::vector<std::uint8_t> config;
};

// A reply of procedure 3 or 5: one long (snapper or pending), then the status.
struct LongReply {
    std::int32_t value = 0;
    std::uint32_t status = 0;
};

struct PeekReply {
    std::uint32_t len = 0;
    std::optional<std::span<const std::uint8_t>> data;  // in the stub decoded; nullopt for a null pointer
    std::size_t dataOffset = 0;                         // where data starts in that stub
    std::uint32_t status = 0;
};

// Requests.
std::vector<std::uint8_t> EncodeStartRequest(std::int32_t param, std::int32_t firstFrame,
                                             std::span<const std::uint8_t> config);
core::Result<StartRequest> DecodeStartRequest(std::span<const std::uint8_t> stub, bool bigEndian);
std::vector<std::uint8_t> EncodeSnapperRequest(std::int32_t snapper);  // stop, query, peek
core::Result<std::int32_t> DecodeSnapperRequest(std::span<const std::uint8_t> stub, bool bigEndian);

// Replies.
std::vector<std::uint8_t> EncodeStatusReply(std::uint32_t status);
core::Result<std::uint32_t> DecodeStatusReply(std::span<const std::uint8_t> stub, bool bigEndian);
std::vector<std::uint8_t> EncodeLongReply(std::int32_t value, std::uint32_t status);
core::Result<LongReply> DecodeLongReply(std::span<const std::uint8_t> stub, bool bigEndian);
// data nullopt sends a null pointer with len 0.
std::vector<std::uint8_t> EncodePeekReply(std::optional<std::span<const std::uint8_t>> data, std::uint32_t status);
// Refuses a len beyond maxLen, a conformant count other than len and a stub shorter than
// it claims, before anything is allocated.
core::Result<PeekReply> DecodePeekReply(std::span<const std::uint8_t> stub, bool bigEndian, std::uint32_t maxLen);

}  // namespace rpc
