// palomet-cli: trace files, pcap interop, decoding and the agent link without a display.
#include <CLI/CLI.hpp>

#include "cli/Commands.h"
#ifdef PALOMET_SIMULATED_SERVICES
#include "services/simulated/SimulatedServices.h"
#endif

int main(int argc, char** argv) {
    CLI::App app{
        "palomet-cli: validate, list, show, import, export and recover trace files; capture from an agent; "
        "keep session profiles; administer the agent's service"};
    app.set_version_flag("--version", PALOMET_VERSION);
    app.require_subcommand(1);
#ifdef PALOMET_SIMULATED_SERVICES
    services::OfferSimulatedServices();
#endif
    cli::CommandRegistry registry(app);
    cli::RegisterTraceCommands(registry);
    cli::RegisterAgentCommands(registry);
    cli::RegisterCaptureCommand(registry);
    cli::RegisterRecoverCommand(registry);
    cli::RegisterTablesCommand(registry);
    cli::RegisterServiceCommand(registry);
    cli::RegisterProfileCommands(registry);
    cli::RegisterRegistryCommand(registry);
    CLI11_PARSE(app, argc, argv);
    return registry.ExitCode();
}
