// palomet-cli agent: talk to a capture agent over RPC: ping it through the session opening
// a capture window makes, or grab frames (capture with a frame target, as `capture` does).
#include <iostream>
#include <memory>
#include <string>

#include "cli/AgentContext.h"
#include "cli/CaptureCommand.h"
#include "cli/Commands.h"
#include "platform/TcpSocket.h"
#include "session/CKestroDoc.h"

namespace cli {
namespace {

int RunPing(const CaptureRequest& o) {
    AgentContext app(o.epmPort, o.timeoutSeconds);
    auto profile = std::make_unique<profiles::CSessionProfile>();
    profile->serverAddress = o.server;
    session::CKestroDoc doc(app.context);
    doc.TakeProfile(std::move(profile));
    if (!doc.OpenSession()) return 1;
    // The document's last reference to the host closes the session when it goes.
    const bool created = doc.LastStatus() == 0;
    const std::string where =
        doc.HostAddress() != 0 ? platform::FormatIPv4(doc.Binding()->Address()) : std::string("through ssh");
    std::cout << "agent " << doc.Profile().serverAddress << " (" << where << ", port " << doc.Binding()->Endpoint()
              << ") answers" << (created ? "" : "; no session") << "\n";
    return created ? 0 : 1;
}

}  // namespace

void RegisterAgentCommands(CommandRegistry& registry) {
    auto o = std::make_shared<CaptureRequest>();
    o->frames = 1000;
    auto* agent = registry.App().add_subcommand("agent", "Talk to a capture agent over DCE RPC");
    agent->add_option("--server", o->server, "Agent host name or IPv4 address, or ssh://[user@]host[:sshport]")
        ->required();
    agent->add_option("--epm-port", o->epmPort, "Endpoint mapper port (default PALOMET_EPM_PORT, else 135)")
        ->check(CLI::Range(1, 65535));
    agent->add_option("--timeout", o->timeoutSeconds, "Longest wait for one call, in seconds")
        ->check(CLI::Range(0.1, 3600.0));
    agent->require_subcommand(1);

    auto* ping = agent->add_subcommand("ping", "Bind, Ping, create and close a session");
    ping->callback([&registry, o] { registry.SetExitCode(RunPing(*o)); });

    auto* grab = agent->add_subcommand("grab", "Capture frames into a trace file (capture --frames N)");
    grab->add_option("--frames", o->frames, "Stop once the file holds this many frames (the last batch is kept whole)")
        ->check(CLI::Range(1u, 4000000000u));
    grab->add_option("--out", o->out, "Trace file to write (.tns)")->required();
    grab->callback([&registry, o] { registry.SetExitCode(RunCapture(*o)); });
}

}  // namespace cli
