// ept_map: object, map tower, lookup handle and max_towers in; lookup handle, tower count,
// the towers as a conformant varying array of pointers, and a status out.
#include "EndpointMapper.h"

#include <algorithm>

#include "rpc/AgentInterface.h"
#include "rpc/Ndr.h"
#include "rpc/RpcStatus.h"
#include "rpc/Tower.h"

namespace agentd {

namespace {
constexpr std::size_t kContextHandleSize = 20;
constexpr std::size_t kMaxTowerBytes = 1024;
}  // namespace

const rpc::SyntaxId& EndpointMapper::Syntax() const noexcept { return rpc::kEpmInterface; }

RpcReply EndpointMapper::Call(std::uint16_t opnum, std::span<const std::uint8_t> stub, bool bigEndian) {
    if (opnum != rpc::kEptMapOpnum) return RpcReply::Fault(rpc::kNcaOpRangeError, true);
    return Map(stub, bigEndian);
}

RpcReply EndpointMapper::Map(std::span<const std::uint8_t> stub, bool bigEndian) const {
    rpc::NdrReader in(stub, bigEndian);
    if (in.U32() != 0) in.ReadUuid();  // the object UUID behind a full pointer; any is fine
    std::optional<std::span<const std::uint8_t>> tower;
    if (in.U32() != 0) {
        // twr_t is a conformant structure: the array's max count comes first.
        const std::uint32_t maxCount = in.U32();
        const std::uint32_t length = in.U32();
        if (maxCount != length || length > kMaxTowerBytes) in.Fail();
        tower = in.Bytes(length);
        in.Align(4);
    }
    const auto handle = in.Bytes(kContextHandleSize);
    const std::uint32_t maxTowers = in.U32();
    if (in.Failed() || handle.size() != kContextHandleSize) return RpcReply::Fault(platform::kRpcBadStubData, true);

    bool known = false;
    if (tower) {
        const auto asked = rpc::ParseTower(*tower);
        known = asked && asked.Value().interface.uuid == rpc::kAgentInterface.uuid &&
                asked.Value().interface.major == rpc::kAgentInterface.major &&
                asked.Value().transfer == rpc::kNdrSyntax;
    }
    const std::uint32_t count = known && maxTowers > 0 ? 1 : 0;

    rpc::NdrWriter w;
    for (std::size_t i = 0; i < kContextHandleSize; ++i) w.U8(0);  // no further entries
    w.U32(count);
    w.U32(maxTowers);  // conformance, offset, variance of the pointer array
    w.U32(0);
    w.U32(count);
    if (count == 1) {
        const auto octets = rpc::BuildTower({rpc::kAgentInterface, rpc::kNdrSyntax, m_port, m_address});
        w.Referent(true);
        w.U32(static_cast<std::uint32_t>(octets.size()));  // max count of the conformant structure
        w.U32(static_cast<std::uint32_t>(octets.size()));  // tower_length
        w.Bytes(octets);
        w.Align(4);
    }
    w.U32(count == 1 ? 0 : rpc::kEptNotRegisteredNca);
    return RpcReply::Of(w.Buffer());
}

}  // namespace agentd
