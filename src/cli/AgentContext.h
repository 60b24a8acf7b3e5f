// What palomet-cli lends a capture document: its own binding table and open-trace list, an
// agent assumed present and running (no service manager is asked), messages on stderr, no
// services dialog, and the command's endpoint-mapper port and call time-out.
#pragma once

#include <chrono>
#include <cstdint>
#include <iostream>

#include "cli/CliPrompt.h"
#include "session/DocumentContext.h"

namespace cli {

struct AgentContext {
    AgentContext(std::uint16_t epmPort, double timeoutSeconds) {
        context.epmPort = epmPort;
        context.callTimeout = std::chrono::milliseconds(static_cast<long long>(timeoutSeconds * 1000));
    }

    session::AgentBindingTable bindings;
    session::OpenTraceList openTraces;
    services::AssumeAgentRunning serviceCheck;
    CliPrompt prompt{std::cerr};
    core::WaitCursor cursor;
    session::DocumentContext context{bindings, openTraces, serviceCheck, prompt, cursor, {}};
};

}  // namespace cli
