// Each group of palomet-cli subcommands registers itself here; a subcommand's callback sets
// the exit code.
#pragma once

#include <CLI/CLI.hpp>

namespace cli {

class CommandRegistry {
public:
    explicit CommandRegistry(CLI::App& app) : m_app(app) {}
    CLI::App& App() noexcept { return m_app; }
    void SetExitCode(int code) noexcept { m_exitCode = code; }
    int ExitCode() const noexcept { return m_exitCode; }

private:
    CLI::App& m_app;
    int m_exitCode = 0;
};

// info, list, show, import, export
void RegisterTraceCommands(CommandRegistry& registry);
// list (called by RegisterTraceCommands)
void RegisterListCommand(CommandRegistry& registry);
// show (called by RegisterTraceCommands)
void RegisterShowCommand(CommandRegistry& registry);
// import, export (called by RegisterTraceCommands)
void RegisterPcapCommands(CommandRegistry& registry);

// agent ping, agent grab
void RegisterAgentCommands(CommandRegistry& registry);
// capture
void RegisterCaptureCommand(CommandRegistry& registry);
// recover
void RegisterRecoverCommand(CommandRegistry& registry);

// stats
void RegisterStatsCommand(CommandRegistry& registry);

// tables
void RegisterTablesCommand(CommandRegistry& registry);

// service list|status|start|stop|pause|continue|config
void RegisterServiceCommand(CommandRegistry& registry);

// profile list, show, add, edit, delete
void RegisterProfileCommands(CommandRegistry& registry);

// registry export
void RegisterRegistryCommand(CommandRegistry& registry);
// The --registry FILE option of the commands that use the settings store.
void AddRegistryOption(CLI::App* command, std::string& path);

}  // namespace cli
