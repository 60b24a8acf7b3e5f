// Trace-file subcommands of palomet-cli: info here; list, import and export in their own files.
#include <iostream>
#include <string>

#include "capture/TraceReader.h"
#include "cli/CliPrompt.h"
#include "cli/Commands.h"
#include "cli/Output.h"
#include "cli/TraceOpening.h"
#include "core/DisplayText.h"

namespace cli {

namespace {

struct InfoOptions {
    std::string file;
    bool json = false;
    bool tsv = false;
};

int RunInfo(const InfoOptions& o) {
    CliPrompt prompt(std::cerr);
    auto opened = OpenTrace(o.file, prompt);
    if (!opened) return 1;
    auto& reader = *opened;
    core::RecordingPrompt said;
    const bool valid = reader.Validate(said);
    for (const auto& m : said.Messages()) prompt.Show(m.text, m.icon, m.buttons);
    const std::string verdict = valid ? "valid" : said.Messages().empty() ? "invalid" : said.Messages().front().text;
    // Counts are known once the header passed its signature and format checks.
    const bool headerRead = valid || verdict == "File length is invalid";
    const auto size = reader.FileSize();
    const std::uint64_t fileSize = size ? size.Value() : 0;
    auto blocks = reader.ListBlocks();

    if (o.json) {
        std::cout << "{\"file\": " << Output::JsonQuote(o.file) << ", \"valid\": " << (valid ? "true" : "false")
                  << ", \"message\": " << Output::JsonQuote(valid ? "" : verdict) << ", \"fileLength\": " << fileSize;
        if (headerRead)
            std::cout << ", \"blockCount\": " << reader.BlockCount() << ", \"endOffset\": " << reader.EndOffset()
                      << ", \"frameCount\": " << reader.FrameCount();
        std::cout << ", \"blocks\": [";
        if (blocks && headerRead) {
            bool first = true;
            for (const auto& b : blocks.Value()) {
                std::cout << (first ? "" : ", ") << "{\"block\": " << b.number << ", \"offset\": " << b.offset
                          << ", \"first\": " << b.lead.first << ", \"last\": " << b.lead.last
                          << ", \"frames\": " << b.lead.FrameCount() << ", \"compressed\": " << b.compressedSize
                          << ", \"uncompressed\": " << b.inflatedSize << "}";
                first = false;
            }
        }
        std::cout << "]";
        if (!blocks && headerRead) std::cout << ", \"chainError\": " << Output::JsonQuote(blocks.Err().text);
        if (reader.Unfinished()) std::cout << ", \"recover\": " << Output::JsonQuote(RecoverHint(o.file));
        std::cout << "}\n";
        return valid && blocks ? 0 : 1;
    }

    std::cout << "File:         " << core::DisplayText(o.file) << '\n' << "Validation:   " << verdict << '\n';
    if (reader.Unfinished()) std::cout << "Recovery:     " << RecoverHint(o.file) << '\n';
    std::cout << "File length:  " << fileSize << '\n';
    if (!headerRead) return 1;
    std::cout << "Blocks:       " << reader.BlockCount() << '\n'
              << "End offset:   " << reader.EndOffset() << '\n'
              << "Frames:       " << reader.FrameCount() << '\n';
    if (!blocks) {
        std::cerr << blocks.Err().text << '\n';
        return 1;
    }
    std::cout << '\n';
    Output out(std::cout, o.tsv ? OutputFormat::Tsv : OutputFormat::Human,
               {{"Block", 5, true},
                {"Offset", 10, true},
                {"First", 8, true},
                {"Last", 8, true},
                {"Frames", 6, true},
                {"Compressed", 10, true},
                {"Uncompressed", 12, true}});
    for (const auto& b : blocks.Value()) {
        const bool empty = b.lead.IsEmpty();
        out.Row({std::to_string(b.number), std::to_string(b.offset), std::to_string(b.lead.first),
                 empty ? "-" : std::to_string(b.lead.last), std::to_string(empty ? 0 : b.lead.FrameCount()),
                 std::to_string(b.compressedSize), std::to_string(b.inflatedSize)});
    }
    return valid ? 0 : 1;
}

}  // namespace

void RegisterTraceCommands(CommandRegistry& registry) {
    auto options = std::make_shared<InfoOptions>();
    auto* info = registry.App().add_subcommand("info", "Validate a trace file and list its blocks");
    info->add_option("FILE", options->file, "Trace file (.tns)")->required();
    info->add_flag("--json", options->json, "One JSON object");
    info->add_flag("--tsv", options->tsv, "Tab-separated block table");
    info->callback([&registry, options] { registry.SetExitCode(RunInfo(*options)); });

    RegisterListCommand(registry);
    RegisterShowCommand(registry);
    RegisterPcapCommands(registry);
}

}  // namespace cli
