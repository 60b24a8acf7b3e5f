// The seven procedures: stubs unmarshalled with the NDR reader, replies marshalled with the
// NDR writer, the status always last.
#include "AgentCalls.h"

#include <algorithm>
#include <climits>
#include <cstdio>

#include "capture/BatchPacker.h"
#include "rpc/AgentInterface.h"
#include "rpc/Ndr.h"

namespace agentd {

namespace {

RpcReply StatusOnly(std::uint32_t status) {
    rpc::NdrWriter w;
    w.U32(status);
    return {w.Take(), 0, false};
}

RpcReply BadStub() { return RpcReply::Fault(kFaultBadStubData, true); }

// A manager that fell behind a live interface lost frames; the operator hears of it.
void ReportDrops(std::uint32_t handle, const CaptureEngine& engine) {
    if (engine.Dropped() != 0)
        std::fprintf(stderr, "palometsrv: snapper %u dropped %llu frames the manager did not take in time\n", handle,
                     static_cast<unsigned long long>(engine.Dropped()));
}

}  // namespace

AgentCalls::~AgentCalls() {
    for (auto& [handle, engine] : m_engines) {
        engine->Stop();
        ReportDrops(handle, *engine);
        m_service.ReleaseEngine();
    }
}

const rpc::SyntaxId& AgentCalls::Syntax() const noexcept { return rpc::kAgentInterface; }

RpcReply AgentCalls::Call(std::uint16_t opnum, std::span<const std::uint8_t> stub, bool bigEndian) {
    switch (static_cast<rpc::AgentOp>(opnum)) {
    case rpc::AgentOp::Ping:
    case rpc::AgentOp::SnapSessionCreate:
    case rpc::AgentOp::SnapSessionClose: return StatusOnly(kStatusOk);
    case rpc::AgentOp::SnapSnapperStartA: return Start(stub, bigEndian);
    case rpc::AgentOp::SnapSnapperStopA: return Stop(stub, bigEndian);
    case rpc::AgentOp::SnapSnapperQueryA: return Query(stub, bigEndian);
    case rpc::AgentOp::SnapSnapperPeekA: return Peek(stub, bigEndian);
    }
    return RpcReply::Fault(kFaultOpRange, true);
}

CaptureEngine* AgentCalls::Find(std::uint32_t handle) {
    const auto found = m_engines.find(handle);
    return found == m_engines.end() ? nullptr : found->second.get();
}

RpcReply AgentCalls::Start(std::span<const std::uint8_t> stub, bool bigEndian) {
    rpc::NdrReader in(stub, bigEndian);
    in.U32();  // param: the manager always sends 60; it means nothing here
    const std::uint32_t firstFrame = in.U32();
    const auto bytes = in.ConformantBytes(m_service.Config().maxConfigurationBytes);
    in.Align(4);
    const std::uint32_t cb = in.U32();
    if (in.Failed() || !bytes || bytes->size() != cb) return BadStub();

    rpc::NdrWriter w;
    auto reply = [&](std::uint32_t snapper, std::uint32_t status) {
        w.U32(snapper);
        w.U32(status);
        return RpcReply{w.Take(), 0, false};
    };
    auto conf = LoadCaptureConfiguration(*bytes);
    if (!conf) return reply(0, kStatusInvalidParameter);
    if (!m_service.ReserveEngine()) return reply(0, kStatusServerTooBusy);
    auto source = m_service.Config().sources();
    if (!source) {
        m_service.ReleaseEngine();
        std::fprintf(stderr, "palometsrv: cannot start a snapper: %s\n", source.Err().text.c_str());
        return reply(0, kStatusOpenFailed);
    }
    const std::uint32_t handle = m_service.NewHandle();
    m_engines.emplace(handle, std::make_unique<CaptureEngine>(std::move(source).Value(), CaptureFilter(conf.Value()),
                                                              firstFrame, m_service.Config().engineLimits));
    return reply(handle, kStatusOk);
}

RpcReply AgentCalls::Stop(std::span<const std::uint8_t> stub, bool bigEndian) {
    rpc::NdrReader in(stub, bigEndian);
    const std::uint32_t handle = in.U32();
    if (in.Failed()) return BadStub();
    const auto found = m_engines.find(handle);
    if (found == m_engines.end()) return StatusOnly(kStatusInvalidHandle);
    found->second->Stop();
    ReportDrops(handle, *found->second);
    m_engines.erase(found);
    m_service.ReleaseEngine();
    return StatusOnly(kStatusOk);
}

RpcReply AgentCalls::Query(std::span<const std::uint8_t> stub, bool bigEndian) {
    rpc::NdrReader in(stub, bigEndian);
    const std::uint32_t handle = in.U32();
    if (in.Failed()) return BadStub();
    rpc::NdrWriter w;
    CaptureEngine* engine = Find(handle);
    std::uint32_t status = kStatusOk;
    std::size_t pending = 0;
    if (engine == nullptr) {
        status = kStatusInvalidHandle;
    } else {
        pending = engine->Pending();
        // A source that failed is reported once everything it delivered has been taken.
        if (pending == 0 && engine->Finished() && !engine->Failure().empty()) status = kStatusGenFailure;
    }
    w.U32(static_cast<std::uint32_t>(std::min<std::size_t>(pending, INT32_MAX)));
    w.U32(status);
    return {w.Take(), 0, false};
}

RpcReply AgentCalls::Peek(std::span<const std::uint8_t> stub, bool bigEndian) {
    rpc::NdrReader in(stub, bigEndian);
    const std::uint32_t handle = in.U32();
    if (in.Failed()) return BadStub();
    rpc::NdrWriter w;
    CaptureEngine* engine = Find(handle);
    if (engine == nullptr || engine->Pending() == 0) {
        // Nothing to hand over: len 0 and a null pointer.
        w.U32(0);
        w.Referent(false);
        w.U32(engine == nullptr ? kStatusInvalidHandle : kStatusOk);
        return {w.Take(), 0, false};
    }
    capture::CPktSnap batch = engine->Take(m_service.Config().maxPeekBytes);
    const auto result = capture::PackBatch(batch, m_service.Config().packLevel);
    if (!result) {
        w.U32(0);
        w.Referent(false);
        w.U32(kStatusGenFailure);
        return {w.Take(), 0, false};
    }
    w.U32(static_cast<std::uint32_t>(result.Value().size()));
    w.Referent(true);
    w.ConformantBytes(result.Value());
    w.Align(4);
    w.U32(kStatusOk);
    return {w.Take(), 0, false};
}

}  // namespace agentd
