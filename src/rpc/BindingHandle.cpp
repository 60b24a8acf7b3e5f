// Binding handles: endpoint resolution, connection on first use, serialised calls.
#include "rpc/BindingHandle.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <string>

#include "platform/TimedLock.h"
#include "rpc/AgentInterface.h"
#include "rpc/EpmClient.h"
#include "rpc/StringBinding.h"

namespace rpc {
namespace {

constexpr std::size_t kDefaultMaxReply = kMaxPeekBytes + (64u << 10);
constexpr std::uint32_t kAuthnLevelPktPrivacy = 6;

std::optional<std::uint16_t> ParsePort(std::string_view text) {
    unsigned value = 0;
    const auto* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || value == 0 || value > 65535) return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

}  // namespace

std::uint16_t DefaultEpmPort() {
    const char* env = std::getenv("PALOMET_EPM_PORT");
    if (env == nullptr) return kEpmDefaultPort;
    return ParsePort(env).value_or(kEpmDefaultPort);
}

RpcStatus BindingHandle::FromStringBinding(std::string_view text, std::unique_ptr<BindingHandle>& out) {
    StringBinding parts;
    if (const auto status = ParseStringBinding(text, parts); status != platform::kRpcOk) return status;
    if (parts.protocolSequence != kProtseqTcp) return platform::kRpcProtseqNotSupported;
    std::uint16_t port = 0;
    if (!parts.endpoint.empty()) {
        const auto parsed = ParsePort(parts.endpoint);
        if (!parsed) return platform::kRpcInvalidEndpointFormat;
        port = *parsed;
    }
    const auto address = platform::ResolveIPv4(parts.networkAddress.empty() ? "127.0.0.1" : parts.networkAddress);
    if (!address) return platform::kRpcInvalidNetAddr;
    out.reset(new BindingHandle(*address, port));
    out->m_fixedEndpoint = port != 0;
    out->m_maxReply = kDefaultMaxReply;
    out->m_dialer = std::make_shared<platform::TcpDialer>(*address);
    return platform::kRpcOk;
}

RpcStatus BindingHandle::SetAuthInfo(std::uint32_t level, std::uint32_t service) {
    if (level > kAuthnLevelPktPrivacy) return platform::kRpcUnknownAuthnLevel;
    if (service != kAuthnNone && service != kAuthnWinNt && service != kAuthnDefault)
        return platform::kRpcUnknownAuthnService;
    if (level != kAuthnLevelDefault && level != kAuthnLevelNone) return platform::kRpcUnsupportedAuthnLevel;
    return platform::kRpcOk;
}

RpcStatus BindingHandle::Open(const SyntaxId& interface, const CallClock& clock,
                              const platform::ManualResetEvent* abort) {
    if (m_port == 0) {
        std::uint16_t port = 0;
        const auto status = LookupEndpoint(*m_dialer, m_epmPort, interface, clock.Next(), abort, port);
        if (status != platform::kRpcOk) return status;
        m_port = port;
    }
    auto association = std::make_unique<Association>(m_maxReply);
    auto status = association->Connect(*m_dialer, m_port, clock.Next(), abort);
    if (status == platform::kRpcOk) status = association->Bind(interface, clock, abort, m_assocGroup);
    if (status != platform::kRpcOk) {
        if (!m_fixedEndpoint) m_port = 0;  // the agent may have restarted on another port
        return status;
    }
    m_assocGroup = association->AssocGroup();
    m_association = std::move(association);
    m_boundInterface = interface;
    return platform::kRpcOk;
}

CallReply BindingHandle::Call(const SyntaxId& interface, std::uint16_t opnum, std::span<const std::uint8_t> stub,
                              const CallCancel& cancel) {
    CallReply out;
    // The binding's time-out is a window for progress, under the cap; the token's deadline is
    // the caller giving up on its own schedule: reaching it is a cancellation, not a time-out.
    const CallClock clock(m_timeout,
                          std::min(std::chrono::steady_clock::now() + std::max(m_cap, m_timeout), cancel.deadline));
    const platform::ManualResetEvent* abort = cancel.event != nullptr ? cancel.event : &m_abort;
    auto cancelled = [&] {
        return m_abort.IsSet() || abort->IsSet() || std::chrono::steady_clock::now() >= cancel.deadline;
    };
    auto ended = [&](RpcStatus status) {
        return status == platform::kErrorTimeout && cancelled() ? platform::kRpcCallCancelled : status;
    };
    // Wait for the call ahead of us in slices, so that a cancel or the cap ends the wait; the
    // call ahead may be a long peek that is making progress.
    while (!platform::TryLockFor(m_callMutex, std::chrono::milliseconds(20))) {
        if (cancelled()) {
            out.status = platform::kRpcCallCancelled;
            return out;
        }
        if (std::chrono::steady_clock::now() >= clock.cap) {
            out.status = ended(platform::kErrorTimeout);  // the cap may be the token's own deadline
            return out;
        }
    }
    std::unique_lock lock(m_callMutex, std::adopt_lock);
    if (cancelled()) {
        out.status = platform::kRpcCallCancelled;
        return out;
    }
    // An association the server asked to close while it was idle is opened again before the
    // call is sent.
    if (!m_association || !m_association->Usable() || m_association->ShutDownByServer() ||
        !(m_boundInterface == interface)) {
        out.status = ended(Open(interface, clock, abort));
        if (out.status != platform::kRpcOk) return out;
    }
    out = m_association->Call(opnum, stub, clock, abort);
    out.status = ended(out.status);
    return out;
}

}  // namespace rpc
