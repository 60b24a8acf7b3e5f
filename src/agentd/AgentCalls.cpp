// The seven procedures: stubs unmarshalled with the NDR reader, replies marshalled with the
// NDR writer, the status always last. A peek's reply stub is packed by its snapper.
#include "AgentCalls.h"

#include <algorithm>
#include <climits>

#include "AccessList.h"
#include "Log.h"
#include "platform/ErrorCodes.h"
#include "rpc/AgentInterface.h"
#include "rpc/Ndr.h"
#include "rpc/RpcStatus.h"

namespace agentd {

namespace {

RpcReply StatusOnly(std::uint32_t status) {
    rpc::NdrWriter w;
    w.U32(status);
    return RpcReply::Of(w.Buffer());
}

RpcReply NoFrames(std::uint32_t status) {
    rpc::NdrWriter w;
    w.U32(0);  // len 0 and a null pointer
    w.Referent(false);
    w.U32(status);
    return RpcReply::Of(w.Buffer());
}

RpcReply BadStub() { return RpcReply::Fault(platform::kRpcBadStubData, true); }

}  // namespace

AgentCalls::~AgentCalls() { m_service.Snappers().Disconnected(m_caller); }

const rpc::SyntaxId& AgentCalls::Syntax() const noexcept { return rpc::kAgentInterface; }

void AgentCalls::Associated(const GroupRef& group, std::uint32_t asked) {
    m_caller.client = group;
    if (asked != 0 && asked != group->id)
        Log(FormatPeer(m_caller.address, m_caller.port) + " asked to come back into association group " +
            std::to_string(asked) +
            ", which this agent does not know (it gave it out before a restart, or never): " + "it starts a new one");
}

bool AgentCalls::HoldsState() const { return m_service.Snappers().Holds(m_caller); }

void AgentCalls::ReplySent() {
    if (!m_peekSending) return;
    m_peekSending = false;
    m_peekSent = std::chrono::steady_clock::now();
}

RpcReply AgentCalls::Call(std::uint16_t opnum, std::span<const std::uint8_t> stub, bool bigEndian) {
    // A new call shows that the client read every reply this connection sent before it.
    m_service.Snappers().Confirm(m_caller);
    switch (static_cast<rpc::AgentOp>(opnum)) {
        case rpc::AgentOp::Ping:
        case rpc::AgentOp::SnapSessionCreate:
            return StatusOnly(platform::kRpcOk);
        case rpc::AgentOp::SnapSessionClose:
            m_service.Snappers().SessionClosed(m_caller);
            return StatusOnly(platform::kRpcOk);
        case rpc::AgentOp::SnapSnapperStartA:
            return Start(stub, bigEndian);
        case rpc::AgentOp::SnapSnapperStopA:
            return Stop(stub, bigEndian);
        case rpc::AgentOp::SnapSnapperQueryA:
            return Query(stub, bigEndian);
        case rpc::AgentOp::SnapSnapperPeekA:
            return Peek(stub, bigEndian);
    }
    return RpcReply::Fault(rpc::kNcaOpRangeError, true);
}

RpcReply AgentCalls::Start(std::span<const std::uint8_t> stub, bool bigEndian) {
    rpc::NdrReader in(stub, bigEndian);
    in.U32();  // param: the manager always sends 60; it means nothing here
    const std::uint32_t firstFrame = in.U32();
    const auto bytes = in.ConformantBytes(m_service.Config().maxConfigurationBytes);
    in.Align(4);
    const std::uint32_t cb = in.U32();
    if (in.Failed() || !bytes || bytes->size() != cb) return BadStub();

    auto reply = [](std::uint32_t snapper, std::uint32_t status) {
        rpc::NdrWriter w;
        w.U32(snapper);
        w.U32(status);
        return RpcReply::Of(w.Buffer());
    };
    auto conf = LoadCaptureConfiguration(*bytes);
    if (!conf) return reply(0, platform::kErrorInvalidParameter);
    SnapperTable& table = m_service.Snappers();
    if (!table.Reserve(m_caller)) return reply(0, platform::kRpcServerTooBusy);
    auto source = m_service.Config().sources(conf.Value());
    if (!source) {
        table.Release(m_caller);
        Log("cannot start a snapper for " + FormatPeer(m_caller.address, m_caller.port) + ": " + source.Err().text);
        return reply(0, platform::kErrorOpenFailed);
    }
    // Nothing is queued before the table hands the new snapper its share.
    CaptureEngine::Limits limits = m_service.Config().engineLimits;
    limits.maxBytes = 0;
    auto engine =
        std::make_unique<CaptureEngine>(std::move(source).Value(), CaptureFilter(conf.Value()), firstFrame, limits);
    return reply(table.Add(m_caller, std::move(engine), firstFrame), platform::kRpcOk);
}

RpcReply AgentCalls::Stop(std::span<const std::uint8_t> stub, bool bigEndian) {
    rpc::NdrReader in(stub, bigEndian);
    const std::uint32_t handle = in.U32();
    if (in.Failed()) return BadStub();
    return StatusOnly(m_service.Snappers().Stop(handle, m_caller) ? platform::kRpcOk : platform::kErrorInvalidHandle);
}

RpcReply AgentCalls::Query(std::span<const std::uint8_t> stub, bool bigEndian) {
    rpc::NdrReader in(stub, bigEndian);
    const std::uint32_t handle = in.U32();
    if (in.Failed()) return BadStub();
    rpc::NdrWriter w;
    const auto engine = m_service.Snappers().Find(handle, m_caller);
    std::uint32_t status = platform::kRpcOk;
    std::size_t pending = 0;
    if (!engine) {
        status = platform::kErrorInvalidHandle;
    } else {
        pending = engine->Pending();
        if (const auto held = m_service.Snappers().Undelivered(handle, m_caller)) pending += held->frames;
        // A source that failed is reported once everything it delivered has been taken.
        if (pending == 0 && engine->Finished() && !engine->Failure().empty()) status = platform::kErrorGenFailure;
    }
    w.U32(static_cast<std::uint32_t>(std::min<std::size_t>(pending, INT32_MAX)));
    w.U32(status);
    return RpcReply::Of(w.Buffer());
}

RpcReply AgentCalls::Peek(std::span<const std::uint8_t> stub, bool bigEndian) {
    rpc::NdrReader in(stub, bigEndian);
    const std::uint32_t handle = in.U32();
    if (in.Failed()) return BadStub();
    SnapperTable& table = m_service.Snappers();
    const auto engine = table.Find(handle, m_caller);
    if (!engine) return NoFrames(platform::kErrorInvalidHandle);
    if (auto held = table.Undelivered(handle, m_caller)) {
        table.HoldPeek(handle, m_caller, held->reply, held->frames);
        return {held->reply, 0, false};
    }
    const auto& packing = m_service.Config().packing;
    // A client is taken to keep up until it shows otherwise: one that peeks on a timer gets
    // its first peek a batch at a time, and everything pending from its second on.
    const bool keepsUp = !m_peekSent || std::chrono::steady_clock::now() - *m_peekSent < packing.keepingUp;
    auto peek = engine->NextPeek(packing, keepsUp);
    if (!peek) {
        Log("snapper " + std::to_string(handle) + ": " + peek.Err().text);
        return NoFrames(platform::kErrorGenFailure);
    }
    if (!peek.Value().reply) return NoFrames(platform::kRpcOk);
    const auto [reply, frames] = std::move(peek).Value();
    table.HoldPeek(handle, m_caller, reply, frames);
    m_peekSending = true;
    return {reply, 0, false};
}

}  // namespace agentd
