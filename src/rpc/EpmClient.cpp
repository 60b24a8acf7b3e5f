// ept_map marshalling and the lookup itself.
#include "rpc/EpmClient.h"

#include "rpc/AgentInterface.h"
#include "rpc/Association.h"
#include "rpc/Ndr.h"

namespace rpc {
namespace {

constexpr std::size_t kContextHandleSize = 20;
constexpr std::uint32_t kMaxReplyTowers = 1024;
constexpr std::size_t kMaxEpmReply = 1u << 20;


void WriteTower(NdrWriter& w, std::span<const std::uint8_t> tower) {
    w.U32(static_cast<std::uint32_t>(tower.size()));  // conformance of twr_t
    w.U32(static_cast<std::uint32_t>(tower.size()));  // tower_length
    w.Bytes(tower);
    w.Align(4);
}

std::optional<std::vector<std::uint8_t>> ReadTower(NdrReader& in) {
    const std::uint32_t count = in.U32();
    const std::uint32_t length = in.U32();
    if (in.Failed() || length > count || length > in.Remaining()) return std::nullopt;
    const auto bytes = in.Bytes(length);
    in.Align(4);
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

}  // namespace

std::vector<std::uint8_t> EncodeEptMapRequest(const SyntaxId& interface) {
    NdrWriter w;
    w.Referent(true);
    w.WriteUuid(Uuid{});  // object: nil
    w.Referent(true);
    WriteTower(w, BuildTower(TcpTower{interface, kNdrSyntax, 0, 0}));
    for (std::size_t i = 0; i < kContextHandleSize; ++i) w.U8(0);  // entry handle: none yet
    w.U32(kEptMaxTowers);
    return w.Take();
}

core::Result<EptMapRequest> DecodeEptMapRequest(std::span<const std::uint8_t> stub, bool bigEndian) {
    NdrReader in(stub, bigEndian);
    EptMapRequest r;
    if (in.U32() != 0) in.ReadUuid();
    if (in.U32() != 0) {
        auto tower = ReadTower(in);
        if (!tower) return BadStub("map tower truncated");
        r.tower = std::move(*tower);
    }
    in.Bytes(kContextHandleSize);
    r.maxTowers = in.U32();
    if (in.Failed()) return BadStub("ept_map request truncated");
    return r;
}

std::vector<std::uint8_t> EncodeEptMapReply(const std::vector<std::vector<std::uint8_t>>& towers,
                                            std::uint32_t maxTowers, std::uint32_t status) {
    NdrWriter w;
    for (std::size_t i = 0; i < kContextHandleSize; ++i) w.U8(0);
    const auto n = static_cast<std::uint32_t>(towers.size());
    w.U32(n);
    w.U32(std::max(maxTowers, n));  // conformant-varying array: max count, offset, actual count
    w.U32(0);
    w.U32(n);
    for (std::uint32_t i = 0; i < n; ++i) w.Referent(true);
    for (const auto& tower : towers) WriteTower(w, tower);
    w.U32(status);
    return w.Take();
}

core::Result<EptMapReply> DecodeEptMapReply(std::span<const std::uint8_t> stub, bool bigEndian) {
    NdrReader in(stub, bigEndian);
    EptMapReply r;
    in.Bytes(kContextHandleSize);
    const std::uint32_t numTowers = in.U32();
    const std::uint32_t maxCount = in.U32();
    const std::uint32_t offset = in.U32();
    const std::uint32_t actual = in.U32();
    if (in.Failed()) return BadStub("ept_map reply truncated");
    if (offset != 0 || actual > maxCount || actual > kMaxReplyTowers || numTowers > actual ||
        std::size_t{actual} * 4 > in.Remaining())
        return BadStub("ept_map tower array is inconsistent");
    std::vector<std::uint32_t> referents(actual);
    for (auto& ref : referents) ref = in.U32();
    for (std::uint32_t i = 0; i < actual; ++i) {
        if (referents[i] == 0) continue;
        auto tower = ReadTower(in);
        if (!tower) return BadStub("ept_map tower truncated");
        if (i < numTowers) r.towers.push_back(std::move(*tower));
    }
    r.status = in.U32();
    if (in.Failed()) return BadStub("ept_map status missing");
    return r;
}

RpcStatus LookupEndpoint(std::uint32_t host, std::uint16_t epmPort, const SyntaxId& interface,
                         platform::Deadline deadline, const platform::ManualResetEvent* abort, std::uint16_t& port) {
    platform::TcpDialer direct(host);
    return LookupEndpoint(direct, epmPort, interface, deadline, abort, port);
}

RpcStatus LookupEndpoint(platform::StreamDialer& host, std::uint16_t epmPort, const SyntaxId& interface,
                         platform::Deadline deadline, const platform::ManualResetEvent* abort, std::uint16_t& port) {
    // Only the port of the mapper's answer counts: its address is the host's own, which the
    // dialer reaches in its way.
    Association mapper(kMaxEpmReply);
    if (const auto status = mapper.Connect(host, epmPort, deadline, abort); status != platform::kRpcOk) return status;
    if (const auto status = mapper.Bind(kEpmInterface, deadline, abort); status != platform::kRpcOk) return status;
    const auto reply = mapper.Call(kEptMapOpnum, EncodeEptMapRequest(interface), deadline, abort);
    if (reply.status != platform::kRpcOk) return reply.status;
    const auto decoded = DecodeEptMapReply(reply.stub, reply.bigEndian);
    if (!decoded) return platform::kRpcBadStubData;
    if (decoded.Value().status != 0) return platform::kEptNotRegistered;
    for (const auto& bytes : decoded.Value().towers) {
        const auto tower = ParseTower(bytes);
        if (!tower) continue;
        const TcpTower& t = tower.Value();
        if (t.interface.uuid == interface.uuid && t.interface.major == interface.major && t.transfer == kNdrSyntax &&
            t.port != 0) {
            port = t.port;
            return platform::kRpcOk;
        }
    }
    return platform::kEptNotRegistered;
}

}  // namespace rpc
