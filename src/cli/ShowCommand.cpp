// palomet-cli show: the detail text of chosen frames, as the workbench's text view shows
// it (line feeds instead of CR LF), with the frame's hex dump on request; or, for scripts,
// every detail line with its depth and the bytes of the frame it describes, as JSON.
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "capture/CPktSnap.h"
#include "capture/TraceReader.h"
#include "cli/CliPrompt.h"
#include "cli/Commands.h"
#include "cli/Output.h"
#include "cli/TraceOpening.h"
#include "core/HexDump.h"
#include "decode/BatchDecoding.h"
#include "decode/CPktDetailLine.h"
#include "decode/DetailText.h"

namespace cli {

namespace {

struct ShowOptions {
    std::string file;
    std::vector<std::uint32_t> frames;
    bool hex = false;
    bool json = false;
};

void AppendFrameText(std::string& text, const decode::CPktDetailLine& root, std::span<const std::uint8_t> bytes,
                     bool hex) {
    decode::AppendDetailText(text, root, "\n");
    if (!hex) return;
    text.push_back('\n');
    core::HexDump(bytes.size()).Append(text, bytes);
}

// {"frame": N, "lines": [{"depth", "text", "offset", "length"}, ...]}: a line about no bytes
// has null for both; with the hex dump asked for, "bytes" holds the frame in hex.
void AppendFrameJson(std::string& out, std::uint32_t number, const decode::CPktDetailLine& root,
                     std::span<const std::uint8_t> bytes, bool hex) {
    out += "{\"frame\": " + std::to_string(number) + ", \"lines\": [";
    bool first = true;
    decode::ForEachDetailLine(root, [&](const decode::CPktDetailLine& line, std::size_t depth) {
        out += first ? "\n  " : ",\n  ";
        first = false;
        out += "{\"depth\": " + std::to_string(depth) + ", \"text\": ";
        out += Output::JsonQuote(line.Prefix() + line.Text());
        const auto& range = line.Bytes();
        out += range
                   ? ", \"offset\": " + std::to_string(range->offset) + ", \"length\": " + std::to_string(range->length)
                   : std::string(", \"offset\": null, \"length\": null");
        out += '}';
    });
    out += "]";
    if (hex) {
        static constexpr char kDigits[] = "0123456789abcdef";
        out += ", \"bytes\": \"";
        for (const std::uint8_t b : bytes) {
            out += kDigits[b >> 4U];
            out += kDigits[b & 0xFU];
        }
        out += '"';
    }
    out += '}';
}

int RunShow(const ShowOptions& o) {
    CliPrompt prompt(std::cerr);
    const auto trace = OpenForDecoding(o.file, prompt);
    if (!trace) return 1;
    auto& reader = trace->reader;
    capture::CPktSnap batch(&trace->parsers);
    std::uint32_t current = 0;
    bool loaded = false;
    // Every number is checked first, so a script never gets half a JSON array.
    for (const std::uint32_t n : o.frames) {
        if (!CheckFrameNumber(n, reader.FrameCount(), prompt)) return 1;
    }
    std::string text;
    for (std::size_t k = 0; k < o.frames.size(); ++k) {
        const std::uint32_t n = o.frames[k];
        // A frame on the block already loaded needs no other block.
        if (!loaded || n < reader.ScreenFirst() || n > reader.ScreenLast()) {
            if (auto st = reader.GoToFrame(n, current, batch); !st) {
                std::cerr << st.Err().text << '\n';
                return 1;
            }
            loaded = true;
        }
        current = n;
        const std::uint32_t index = n - reader.ScreenFirst();
        decode::CPktDetailLine root;
        decode::DetailOf(batch, &root, index);
        const capture::CPktSnapQue frame = batch.GetFrame(index);
        text.clear();
        if (o.json) {
            text += k > 0 ? ",\n" : "[\n";
            AppendFrameJson(text, n, root, frame.GetData(), o.hex);
        } else {
            if (k > 0) text.push_back('\n');
            AppendFrameText(text, root, frame.GetData(), o.hex);
        }
        std::cout << text;
    }
    if (o.json) std::cout << "\n]\n";
    std::cout.flush();
    return 0;
}

}  // namespace

void RegisterShowCommand(CommandRegistry& registry) {
    auto options = std::make_shared<ShowOptions>();
    auto* show = registry.App().add_subcommand("show", "Show the decoded detail of frames of a trace file");
    show->add_option("FILE", options->file, "Trace file (.tns)")->required();
    show->add_option("N", options->frames, "Frame numbers")->required();
    show->add_flag("--hex", options->hex, "Append the frame's bytes as a hex dump");
    show->add_flag("--json", options->json,
                   "Each detail line with its depth, text and the bytes it describes, as JSON");
    show->callback([&registry, options] { registry.SetExitCode(RunShow(*options)); });
}

}  // namespace cli
