// The agent procedures: marshal, call, unmarshal, status last.
#include "rpc/AgentClient.h"

#include <algorithm>

#include "rpc/AgentInterface.h"
#include "rpc/AgentStubs.h"

namespace rpc {
namespace {

std::uint16_t Op(AgentOp op) { return static_cast<std::uint16_t>(op); }

}  // namespace

RpcStatus AgentClient::StatusOnly(std::uint16_t opnum, std::span<const std::uint8_t> stub) {
    const auto reply = m_binding.Call(kAgentInterface, opnum, stub, m_cancel);
    if (reply.status != platform::kRpcOk) return reply.status;
    const auto status = DecodeStatusReply(reply.stub, reply.bigEndian);
    return status ? status.Value() : platform::kRpcBadStubData;
}

RpcStatus AgentClient::LongOut(std::uint16_t opnum, std::span<const std::uint8_t> stub, std::int32_t& value) {
    const auto reply = m_binding.Call(kAgentInterface, opnum, stub, m_cancel);
    if (reply.status != platform::kRpcOk) return reply.status;
    const auto decoded = DecodeLongReply(reply.stub, reply.bigEndian);
    if (!decoded) return platform::kRpcBadStubData;
    if (decoded.Value().status == platform::kRpcOk) value = decoded.Value().value;
    return decoded.Value().status;
}

RpcStatus AgentClient::Ping() { return StatusOnly(Op(AgentOp::Ping), {}); }
RpcStatus AgentClient::SnapSessionCreate() { return StatusOnly(Op(AgentOp::SnapSessionCreate), {}); }
RpcStatus AgentClient::SnapSessionClose() { return StatusOnly(Op(AgentOp::SnapSessionClose), {}); }

RpcStatus AgentClient::SnapSnapperStartA(std::int32_t param, std::int32_t firstFrame,
                                         std::span<const std::uint8_t> config, std::int32_t& snapper) {
    return LongOut(Op(AgentOp::SnapSnapperStartA), EncodeStartRequest(param, firstFrame, config), snapper);
}

RpcStatus AgentClient::SnapSnapperStopA(std::int32_t snapper) {
    return StatusOnly(Op(AgentOp::SnapSnapperStopA), EncodeSnapperRequest(snapper));
}

RpcStatus AgentClient::SnapSnapperQueryA(std::int32_t snapper, std::int32_t& pending) {
    return LongOut(Op(AgentOp::SnapSnapperQueryA), EncodeSnapperRequest(snapper), pending);
}

RpcStatus AgentClient::SnapSnapperPeekA(std::int32_t snapper, PeekResult& result) {
    auto reply =
        m_binding.Call(kAgentInterface, Op(AgentOp::SnapSnapperPeekA), EncodeSnapperRequest(snapper), m_cancel);
    if (reply.status != platform::kRpcOk) return reply.status;
    auto decoded = DecodePeekReply(reply.stub, reply.bigEndian, kMaxPeekBytes);
    if (!decoded) return platform::kRpcBadStubData;
    const PeekReply& peek = decoded.Value();
    if (peek.status != platform::kRpcOk) return peek.status;
    result.len = peek.len;
    result.data.clear();
    if (peek.data) {
        // The data stays in the reply's buffer, moved to its front: megabytes are not copied
        // into memory of their own.
        const std::size_t from = peek.dataOffset;
        const std::size_t size = peek.data->size();
        result.data = std::move(reply.stub);
        const auto data = result.data.begin() + static_cast<std::ptrdiff_t>(from);
        std::move(data, data + static_cast<std::ptrdiff_t>(size), result.data.begin());
        result.data.resize(size);
    }
    return platform::kRpcOk;
}

}  // namespace rpc
