// What the application lends every capture document: the tables it keeps for all windows,
// the service check of the session opening, how to talk to the user, and how bindings reach
// an agent. The workbench and palomet-cli each fill one; tests fill one with fakes.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "core/UserPrompt.h"
#include "rpc/BindingHandle.h"
#include "services/AgentServiceCheck.h"
#include "session/AgentBindingTable.h"
#include "session/OpenTraceList.h"

namespace session {

struct DocumentContext {
    AgentBindingTable& bindings;
    OpenTraceList& openTraces;
    services::AgentServiceCheck& serviceCheck;
    // Messages of the user-interface thread (the capture thread has its own channel).
    core::UserPrompt& prompt;
    core::WaitCursor& waitCursor;
    // OK of "Agent is not running. Do you want to start it?": run the services dialog on
    // this host with this service selected, modally. Empty where there is no dialog.
    std::function<void(const std::string& host, std::string_view service)> runServicesDialog;
    // Endpoint-mapper port for new bindings (0: $PALOMET_EPM_PORT, else 135).
    std::uint16_t epmPort = 0;
    // Longest wait for one agent call.
    std::chrono::milliseconds callTimeout = rpc::kDefaultCallTimeout;
};

}  // namespace session
