// palomet-cli import and export: pcap/pcapng to trace file and back.
#include <pcap/pcap.h>

#include <cstdint>
#include <iostream>
#include <string>

#include "capture/PcapExport.h"
#include "capture/PcapImport.h"
#include "capture/TraceReader.h"
#include "cli/CliPrompt.h"
#include "cli/Commands.h"
#include "cli/FrameSelection.h"
#include "cli/ProgressLine.h"
#include "cli/TraceOpening.h"

namespace cli {

namespace {

struct ImportOptions {
    std::string in;
    std::string out;
    std::uint32_t blockFrames = 1000;
    int level = capture::kImportPackLevel;
};

struct ExportOptions {
    std::string in;
    std::string out;
    SelectionOptions select;
};

int RunImport(const ImportOptions& o) {
    capture::PcapImportOptions options;
    options.blockFrames = o.blockFrames;
    options.level = o.level;
    ProgressLine progress("import");
    options.progress = progress.Callback();
    auto stats = capture::ImportPcap(o.in, o.out, options);
    progress.End();
    if (!stats) {
        std::cerr << stats.Err().text << '\n';
        return 1;
    }
    std::cout << o.out << ": " << stats.Value().frames << " frames in " << stats.Value().blocks << " blocks, "
              << (stats.Value().frequency == 1'000'000'000 ? "nanosecond" : "microsecond") << " stamps\n";
    return 0;
}

int RunExport(const ExportOptions& o) {
    auto selection = FrameSelection::Make(o.select, std::cerr);
    if (!selection) return 1;
    CliPrompt prompt(std::cerr);
    auto opened = OpenTrace(o.in, prompt);
    if (!opened || !ValidateTrace(*opened, o.in, prompt)) return 1;
    capture::PcapExportOptions options;
    if (selection->Narrows())
        options.keep = [&selection](const capture::CPktSnapQue& frame) { return selection->Passes(frame); };
    ProgressLine progress("export");
    options.progress = progress.Callback();
    auto stats = capture::ExportPcap(*opened, o.out, options);
    progress.End();
    if (!stats) {
        std::cerr << stats.Err().text << '\n';
        return 1;
    }
    const char* link = pcap_datalink_val_to_name(stats.Value().linkType);
    std::cout << o.out << ": " << stats.Value().frames << " frames, "
              << (stats.Value().nanosecond ? "nanosecond" : "microsecond") << " pcap, link type "
              << (link != nullptr ? link : "unknown") << '\n';
    if (stats.Value().skipped > 0)
        std::cerr << stats.Value().skipped
                  << " frames were left out: a pcap file holds one link type, and theirs is not the first frame's\n";
    if (stats.Value().cut > 0)
        std::cerr << stats.Value().cut << " frames longer than " << capture::kPcapSnapLength
                  << " bytes, the most a pcap reader takes, were cut to that length; their wire length is kept\n";
    return 0;
}

}  // namespace

void RegisterPcapCommands(CommandRegistry& registry) {
    auto imp = std::make_shared<ImportOptions>();
    auto* import = registry.App().add_subcommand(
        "import", "Make a trace file from a pcap or pcapng capture (Ethernet, Linux cooked, raw IP)");
    import->add_option("IN", imp->in, "Capture file (.pcap, .pcapng)")->required();
    import->add_option("OUT", imp->out, "Trace file to write (.tns)")->required();
    import->add_option("--block-frames", imp->blockFrames, "Frames per block")
        ->capture_default_str()
        ->check(CLI::Range(1u, 1000000u));
    import->add_option("--level", imp->level, "Compression level, 1 (fastest) to 12 (smallest)")
        ->capture_default_str()
        ->check(CLI::Range(1, 12));
    import->callback([&registry, imp] { registry.SetExitCode(RunImport(*imp)); });

    auto exp = std::make_shared<ExportOptions>();
    auto* exportCmd = registry.App().add_subcommand("export", "Write the frames of a trace file to a pcap file");
    exportCmd->add_option("IN", exp->in, "Trace file (.tns)")->required();
    exportCmd->add_option("OUT", exp->out, "pcap file to write")->required();
    AddSelectionOptions(exportCmd, exp->select, false);
    exportCmd->callback([&registry, exp] { registry.SetExitCode(RunExport(*exp)); });
}

}  // namespace cli
