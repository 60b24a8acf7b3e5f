// palomet-cli recover: gives back the blocks of a trace file whose capture did not end in
// order, and says what it kept and what it dropped.
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <memory>
#include <string>

#include "capture/TraceRecovery.h"
#include "cli/Commands.h"

namespace cli {

namespace {

// Below this a progress line would only flicker.
constexpr std::uint64_t kProgressFrom = 16u << 20;

struct RecoverOptions {
    std::string in;
    std::string out;
};

int RunRecover(const RecoverOptions& o) {
    bool shown = false;
    capture::RecoveryProgress progress;
    if (::isatty(STDERR_FILENO) == 1) {
        progress = [&shown](std::uint64_t done, std::uint64_t total) {
            if (total < kProgressFrom) return;
            std::fprintf(stderr, "\rrecover: %3u%% (%llu of %llu MiB)", static_cast<unsigned>(done * 100 / total),
                         static_cast<unsigned long long>(done >> 20), static_cast<unsigned long long>(total >> 20));
            shown = true;
        };
    }
    auto recovered = capture::RecoverTrace(o.in, o.out, progress);
    if (shown) std::fputc('\n', stderr);
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
        std::cout << "dropped " << scan.DroppedBytes() << " bytes from offset " << scan.keptEnd << ": " << scan.dropReason
                  << "\n";
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
