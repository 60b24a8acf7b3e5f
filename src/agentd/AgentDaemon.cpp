// Opens the agent listener first, so the mapper can name its port.
#include "AgentDaemon.h"

#include "AgentCalls.h"
#include "EndpointMapper.h"

namespace agentd {

core::Result<std::unique_ptr<AgentDaemon>> AgentDaemon::Open(const DaemonOptions& options, AgentConfig config) {
    std::unique_ptr<AgentDaemon> daemon(new AgentDaemon());
    daemon->m_service = std::make_unique<AgentService>(std::move(config));
    AgentService* service = daemon->m_service.get();
    RpcListener::Options agentOptions = options.rpc;
    agentOptions.name = "agent";
    auto agent = RpcListener::Open(
        options.listen, options.port,
        [service](const ConnectionInfo& info) {
            std::vector<std::unique_ptr<RpcInterface>> served;
            served.push_back(
                std::make_unique<AgentCalls>(*service, Caller{info.id, info.peerAddress, info.peerPort, nullptr}));
            return served;
        },
        agentOptions);
    if (!agent) return agent.Err();
    daemon->m_agent = std::move(agent).Value();
    if (options.epmPort) {
        const std::uint16_t agentPort = daemon->m_agent->Port();
        RpcListener::Options mapperOptions = options.rpc;
        mapperOptions.name = "endpoint mapper";
        auto mapper = RpcListener::Open(
            options.listen, *options.epmPort,
            [agentPort](const ConnectionInfo& info) {
                std::vector<std::unique_ptr<RpcInterface>> served;
                served.push_back(std::make_unique<EndpointMapper>(agentPort, info.localAddress));
                return served;
            },
            mapperOptions);
        if (!mapper) return mapper.Err();
        daemon->m_mapper = std::move(mapper).Value();
    }
    return daemon;
}

core::Result<std::unique_ptr<AgentDaemon>> AgentDaemon::Start(const DaemonOptions& options, AgentConfig config) {
    auto daemon = Open(options, std::move(config));
    if (daemon) daemon.Value()->Serve();
    return daemon;
}

void AgentDaemon::Serve() {
    m_agent->Serve();
    if (m_mapper) m_mapper->Serve();
}

void AgentDaemon::Stop() {
    if (m_mapper) m_mapper->Stop();
    if (m_agent) m_agent->Stop();
    if (m_service) m_service->Snappers().StopAll();
}

}  // namespace agentd
