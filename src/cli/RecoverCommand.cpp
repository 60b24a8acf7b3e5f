// palomet-cli recover: gives back the blocks of a trace file whose capture did not end in
// order, and says what it kept and what it dropped.
#include <iostream>
#include <memory>
#include <string>

#include "capture/TraceRecovery.h"
#include "cli/Commands.h"
#include "cli/ProgressLine.h"
#include "core/DisplayText.h"

namespace cli {

namespace {

struct RecoverOptions {
    std::string in;
    std::string out;
};

std::string FrameRange(std::uint32_t first, std::uint32_t count) {
    if (count == 1) return "frame " + std::to_string(first);
    return "frames " + std::to_string(first) + "-" + std::to_string(first + (count - 1));
}

// Each bad stretch stepped over, and the frame numbers it cost.
void TellStepped(const capture::RecoveryScan& scan) {
    for (const auto& s : scan.steppedOver) {
        if (s.bytes > 0)
            std::cout << "stepped over " << s.bytes << " bytes at offset " << s.offset << " (" << s.reason << ")";
        else
            std::cout << "at offset " << s.offset << " " << s.reason;
        if (s.framesLost > 0) std::cout << ": " << FrameRange(s.firstLost, s.framesLost) << " lost";
        std::cout << "\n";
    }
    if (scan.DroppedBytes() > 0)
        std::cout << "dropped " << scan.DroppedBytes() << " bytes from offset " << scan.keptEnd << ": "
                  << scan.dropReason << "\n";
}

int RunRecover(const RecoverOptions& o) {
    ProgressLine progress("recover");
    auto recovered = capture::RecoverTrace(o.in, o.out, progress.Callback());
    progress.End();
    if (!recovered) {
        std::cerr << core::DisplayText(recovered.Err().text) << '\n';
        return 1;
    }
    const capture::RecoveryScan& scan = recovered.Value().scan;
    const std::string in = core::DisplayText(o.in);
    if (!recovered.Value().written) {
        // Finished in order: its counts stand, and only OUT gets what verifies.
        const auto& h = scan.header;
        if (scan.Complete()) {
            std::cout << in << ": complete already (" << h.blockCount << " blocks, " << h.frameCount
                      << " frames); nothing to recover\n";
            TellStepped(scan);
            return 0;
        }
        std::cout << in << ": its header has its counts (" << h.blockCount << " blocks, " << h.frameCount
                  << " frames), so it is left as it is; nothing to recover\n";
        TellStepped(scan);
        std::cout << "`palomet-cli recover " << in << " OUT` writes the " << scan.Blocks()
                  << " blocks that verify into OUT\n";
        return 0;
    }
    std::cout << core::DisplayText(o.out.empty() ? o.in : o.out) << ": kept " << scan.Blocks() << " blocks, "
              << scan.frames << " frames, " << scan.RecoveredSize() << " bytes\n";
    TellStepped(scan);
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
