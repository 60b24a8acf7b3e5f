// Trace-file subcommands of palomet-cli.
#include "cli/Commands.h"

namespace cli {

void RegisterTraceCommands(CommandRegistry& /*registry*/) {}

}  // namespace cli
