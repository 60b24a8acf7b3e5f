// palomet-cli show: the detail text of chosen frames, as the workbench's text view shows
// it (line feeds instead of CR LF).
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "capture/CPktSnap.h"
#include "capture/TraceReader.h"
#include "cli/CliPrompt.h"
#include "cli/Commands.h"
#include "cli/TraceOpening.h"
#include "decode/BatchDecoding.h"
#include "decode/CPktDetailLine.h"
#include "decode/DetailText.h"

namespace cli {

namespace {

struct ShowOptions {
    std::string file;
    std::vector<std::uint32_t> frames;
};

int RunShow(const ShowOptions& o) {
    CliPrompt prompt(std::cerr);
    const auto trace = OpenForDecoding(o.file, prompt);
    if (!trace) return 1;
    auto& reader = trace->reader;
    capture::CPktSnap batch(&trace->parsers);
    std::uint32_t current = 0;
    bool loaded = false;
    std::string text;
    for (std::size_t k = 0; k < o.frames.size(); ++k) {
        const std::uint32_t n = o.frames[k];
        if (!CheckFrameNumber(n, reader.FrameCount(), prompt)) return 1;
        // A frame on the block already loaded needs no other block.
        if (!loaded || n < reader.ScreenFirst() || n > reader.ScreenLast()) {
            if (auto st = reader.GoToFrame(n, current, batch); !st) {
                std::cerr << st.Err().text << '\n';
                return 1;
            }
            loaded = true;
        }
        current = n;
        decode::CPktDetailLine root;
        decode::DetailOf(batch, &root, n - reader.ScreenFirst());
        text.clear();
        if (k > 0) text.push_back('\n');
        decode::AppendDetailText(text, root, "\n");
        std::cout << text;
    }
    std::cout.flush();
    return 0;
}

}  // namespace

void RegisterShowCommand(CommandRegistry& registry) {
    auto options = std::make_shared<ShowOptions>();
    auto* show = registry.App().add_subcommand("show", "Show the decoded detail of frames of a trace file");
    show->add_option("FILE", options->file, "Trace file (.tns)")->required();
    show->add_option("N", options->frames, "Frame numbers")->required();
    show->callback([&registry, options] { registry.SetExitCode(RunShow(*options)); });
}

}  // namespace cli
