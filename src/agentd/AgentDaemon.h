// palometsrv put together: the shared agent state, the capture interface's listener and the
// endpoint mapper's listener. Open binds the ports; Serve starts the threads, so that the
// process can give up its privileges in between.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "AgentService.h"
#include "RpcListener.h"
#include "core/Result.h"

namespace agentd {

struct DaemonOptions {
    std::string listen = "127.0.0.1";
    std::uint16_t port = 0;                      // 0: any free port
    std::optional<std::uint16_t> epmPort = 135;  // nullopt: no endpoint mapper; 0: any free port
    RpcListener::Options rpc;
};

class AgentDaemon {
public:
    static core::Result<std::unique_ptr<AgentDaemon>> Open(const DaemonOptions& options, AgentConfig config);
    // Open, then Serve.
    static core::Result<std::unique_ptr<AgentDaemon>> Start(const DaemonOptions& options, AgentConfig config);
    ~AgentDaemon() { Stop(); }

    void Serve();
    std::uint16_t Port() const noexcept { return m_agent->Port(); }
    std::optional<std::uint16_t> EpmPort() const noexcept {
        return m_mapper ? std::optional<std::uint16_t>(m_mapper->Port()) : std::nullopt;
    }
    AgentService& Service() noexcept { return *m_service; }
    void Stop();

private:
    AgentDaemon() = default;

    std::unique_ptr<AgentService> m_service;
    std::unique_ptr<RpcListener> m_agent;
    std::unique_ptr<RpcListener> m_mapper;
};

}  // namespace agentd
