// Client side of the agent's seven procedures over an explicit binding. Every failure,
// communication or fault, comes back as the returned status; out parameters are written
// only on success. A client made with a cancel token makes every call with it, so one
// window's calls can be cancelled without touching other users of the binding.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "rpc/BindingHandle.h"

namespace rpc {

// The peek result handed to the caller: len and, for a non-null pointer, its bytes.
struct PeekResult {
    std::uint32_t len = 0;
    std::vector<std::uint8_t> data;
};

class AgentClient {
public:
    explicit AgentClient(BindingHandle& binding, CallCancel cancel = {}) : m_binding(binding), m_cancel(cancel) {}

    RpcStatus Ping();
    RpcStatus SnapSessionCreate();
    RpcStatus SnapSessionClose();
    RpcStatus SnapSnapperStartA(std::int32_t param, std::int32_t firstFrame, std::span<const std::uint8_t> config,
                                std::int32_t& snapper);
    RpcStatus SnapSnapperStopA(std::int32_t snapper);
    RpcStatus SnapSnapperQueryA(std::int32_t snapper, std::int32_t& pending);
    RpcStatus SnapSnapperPeekA(std::int32_t snapper, PeekResult& result);

private:
    RpcStatus StatusOnly(std::uint16_t opnum, std::span<const std::uint8_t> stub);
    RpcStatus LongOut(std::uint16_t opnum, std::span<const std::uint8_t> stub, std::int32_t& value);

    BindingHandle& m_binding;
    CallCancel m_cancel;
};

}  // namespace rpc
