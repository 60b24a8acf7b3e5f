// A binding to a server: its address, how to find its endpoint, authentication, and the
// association that carries its calls. Calls from several threads are serialised; each
// has a bounded wait and can be aborted from another thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>

#include "platform/ManualResetEvent.h"
#include "platform/StreamDialer.h"
#include "rpc/Association.h"
#include "rpc/CallCancel.h"
#include "rpc/RpcStatus.h"
#include "rpc/Uuid.h"

namespace rpc {

inline constexpr std::uint32_t kAuthnLevelDefault = 0;
inline constexpr std::uint32_t kAuthnLevelNone = 1;
inline constexpr std::uint32_t kAuthnNone = 0;
inline constexpr std::uint32_t kAuthnWinNt = 10;
inline constexpr std::uint32_t kAuthnDefault = 0xFFFFFFFF;
inline constexpr std::chrono::milliseconds kDefaultCallTimeout{30000};
inline constexpr std::chrono::milliseconds kDefaultCallCap{std::chrono::minutes(15)};

// The mapper's port: PALOMET_EPM_PORT when it holds a port number, else 135.
std::uint16_t DefaultEpmPort();

class BindingHandle {
public:
    // Accepts "ncacn_ip_tcp:host" with an optional numeric endpoint; the host is resolved
    // now (1707 when it cannot be, 1703 for another protocol sequence).
    static RpcStatus FromStringBinding(std::string_view text, std::unique_ptr<BindingHandle>& out);

    // Only level none (or the default, which is none here) is offered: it adds nothing on
    // the wire.
    RpcStatus SetAuthInfo(std::uint32_t level, std::uint32_t service);

    void SetEpmPort(std::uint16_t port) { m_epmPort = port; }
    // The mapper's and the server's ports are reached through dialer (a channel of an SSH
    // connection to the host, say) instead of straight over TCP to the binding's address.
    void ReachThrough(std::shared_ptr<platform::StreamDialer> dialer) { m_dialer = std::move(dialer); }
    // Why the last connection failed, in the words of what carries it; empty for plain TCP.
    std::string LinkFailure() const { return m_dialer->Failure(); }
    // A call fails with 1460 when the server makes no progress (connects, or sends or takes
    // a PDU) within timeout, or has not finished within the cap; an unreachable server is 1722.
    void SetTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }
    void SetCallCap(std::chrono::milliseconds cap) { m_cap = cap; }
    void SetMaxReply(std::size_t bytes) { m_maxReply = bytes; }

    // The call ends at the binding's time-out or the token's deadline, whichever is sooner,
    // or when the token's event is set.
    CallReply Call(const SyntaxId& interface, std::uint16_t opnum, std::span<const std::uint8_t> stub,
                   const CallCancel& cancel = {});

    // Makes the call in flight, and every call until ClearAbort, end with 1818. A call that
    // carries its own cancel event is refused once the binding is aborted but, in flight,
    // watches only its own event.
    void Abort() { m_abort.Set(); }
    void ClearAbort() { m_abort.Reset(); }

    std::uint32_t Address() const noexcept { return m_address; }
    std::uint16_t Endpoint() const noexcept { return m_port; }

private:
    BindingHandle(std::uint32_t address, std::uint16_t port) : m_address(address), m_port(port) {}
    RpcStatus Open(const SyntaxId& interface, const CallClock& clock, const platform::ManualResetEvent* abort);

    std::timed_mutex m_callMutex;
    platform::ManualResetEvent m_abort;
    std::uint32_t m_address;
    std::uint16_t m_port;  // 0 until the mapper names it
    bool m_fixedEndpoint = false;
    std::uint16_t m_epmPort = DefaultEpmPort();
    std::chrono::milliseconds m_timeout = kDefaultCallTimeout;
    std::chrono::milliseconds m_cap = kDefaultCallCap;
    std::size_t m_maxReply;
    std::shared_ptr<platform::StreamDialer> m_dialer;
    std::unique_ptr<Association> m_association;
    SyntaxId m_boundInterface;
    // The server's association group for this binding: a reconnect binds in it again, which is
    // how the agent knows the client that started its snappers.
    std::uint32_t m_assocGroup = 0;
};

}  // namespace rpc
