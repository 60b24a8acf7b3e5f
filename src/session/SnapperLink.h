// What the capture thread asks of its window's agent link: start, stop, query and peek the
// agent's capture engine (the snapper). The capture document is the link to a real agent;
// tests put a scripted agent in its place. Every call is made under the process-wide
// agent-call lock and may come from the capture thread.
#pragma once

#include <cstdint>

#include "rpc/AgentClient.h"
#include "rpc/RpcStatus.h"

namespace session {

class SnapperLink {
public:
    virtual ~SnapperLink() = default;

    // Each returns the agent's status (0 success), also kept as the last status. A failed
    // start leaves the snapper as it was.
    virtual rpc::RpcStatus StartSnapper(std::uint32_t firstFrame) = 0;
    // Only while the snapper runs; afterwards it counts as stopped whatever the status.
    virtual rpc::RpcStatus StopSnapper() = 0;
    // An agent that no longer knows the snapper (6) leaves it counted as stopped.
    virtual rpc::RpcStatus QuerySnapper(std::int32_t& pending) = 0;
    virtual rpc::RpcStatus PeekSnapper(rpc::PeekResult& result) = 0;
    virtual bool SnapperRunning() const = 0;
    // Ends the call in flight, and makes every later call fail at once with 1818: the last
    // resort of a window closing on an agent that does not answer.
    virtual void CancelCalls() = 0;
};

}  // namespace session
