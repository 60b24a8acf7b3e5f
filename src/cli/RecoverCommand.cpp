// palomet-cli recover: gives back the blocks of a trace file whose capture did not end in
// order, and says what it kept and what it dropped.
#include <iostream>
#include <memory>
#include <string>

#include "capture/TraceRecovery.h"
#include "cli/Commands.h"
#include "cli/ProgressLine.h"

namespace cli {

namespace {

struct RecoverOptions {
    std::string in;
    std::string out;
};

int RunRecover(const RecoverOptions& o) {
    ProgressLine progress("recover");
    auto recovered = capture::RecoverTrace(o.in, o.out, progress.Callback());
    progress.End();
    if (!recovered) {
        std::cerr << recovered.Err().text << '\n';
        return 1;
    }
    const capture::RecoveryScan& scan = recovered.Value();
    const std::string& target = o.out.empty() ? o.in : o.out;
    if (scan.Complete() && target == o.in) {
        std::cout << o.in << ": complete already (" << scan.blocks << " blocks, " << scan.frames
                  << " frames); nothing to recover\n";
        return 0;
    }
    std::cout << target << ": kept " << scan.blocks << " blocks, " << scan.frames << " frames, " << scan.keptEnd
              << " bytes\n";
    if (scan.DroppedBytes() > 0)
        std::cout << "dropped " << scan.DroppedBytes() << " bytes from offset " << scan.keptEnd << ": "
                  << scan.dropReason << "\n";
    return 0;
}

}  // namespace

void RegisterRecoverCommand(CommandRegistry& registry) {
    auto o = std::make_shared<RecoverOptions>();
    auto* recover = registry.App().add_subcommand(
        "recover", "Give back the complete blocks of a trace file whose capture did not end in order");
    recover->add_option("IN", o->in, "Trace file (.tns)")->required();
    recover->add_option("OUT", o->out, "Write the recovered trace here instead of fixing IN in place");
    recover->callback([&registry, o] { registry.SetExitCode(RunRecover(*o)); });
}

}  // namespace cli
