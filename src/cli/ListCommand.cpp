// palomet-cli list: one row per frame, one block at a time as the packet list loads them,
// so the delta restarts at 0 on the first frame of every block.
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>

#include "capture/CPktSnap.h"
#include "capture/TraceReader.h"
#include "cli/CliPrompt.h"
#include "cli/Commands.h"
#include "cli/Output.h"

namespace cli {

namespace {

struct ListOptions {
    std::string file;
    std::optional<std::uint32_t> from;
    std::optional<std::uint64_t> count;
    bool tsv = false;
    bool json = false;
};

// Milliseconds since the previous frame of the batch, truncated toward zero; 0 for the first.
std::int64_t DeltaMs(const capture::CPktSnap& batch, std::uint32_t i) {
    if (i == 0) return 0;
    const double ms = capture::MillisecondsBetween(batch.GetFrame(i - 1).GetStamp(), batch.GetFrame(i).GetStamp(),
                                                   batch.GetFrequency());
    return static_cast<std::int64_t>(ms);
}

std::vector<std::string> RowCells(const capture::CPktSnap& batch, std::uint32_t i) {
    const auto& frame = batch.GetFrame(i);
    return {std::to_string(frame.GetFrameNumber()), std::to_string(DeltaMs(batch, i)),
            std::to_string(frame.GetCapturedLength()), std::to_string(frame.GetTotalLength())};
}

int RunList(const ListOptions& o) {
    CliPrompt prompt(std::cerr);
    auto opened = capture::TraceReader::Open(o.file);
    if (!opened) {
        prompt.Tell("Trace file could not be opened!", core::PromptIcon::Exclamation);
        std::cerr << opened.Err().text << '\n';
        return 1;
    }
    auto& reader = opened.Value();
    if (!reader.Validate(prompt)) return 1;

    capture::CPktSnap batch;
    std::uint32_t row = 0;
    bool more = false;
    if (o.from) {
        const std::uint32_t n = *o.from;
        if (n >= reader.FrameCount()) {
            const long last = static_cast<long>(reader.FrameCount()) - 1;
            char text[96];
            std::snprintf(text, sizeof text, "Invalid line number: enter number in range 0..%ld", last);
            prompt.Tell(text, core::PromptIcon::Exclamation);
            return 1;
        }
        if (auto st = reader.GoToFrame(n, 0, batch); !st) {
            std::cerr << st.Err().text << '\n';
            return 1;
        }
        row = n - reader.ScreenFirst();
        more = true;
    } else {
        auto moved = reader.Go(capture::TraceReader::Move::Next, batch);
        if (!moved) {
            std::cerr << moved.Err().text << '\n';
            return 1;
        }
        more = moved.Value();
    }

    const OutputFormat format = o.json ? OutputFormat::Json : o.tsv ? OutputFormat::Tsv : OutputFormat::Human;
    Output out(std::cout, format, {{"Counter", 8, true}, {"Delta", 6, true}, {"Captured", 8, true}, {"Total", 6, true}});
    std::uint64_t left = o.count.value_or(UINT64_MAX);
    while (more && left > 0) {
        for (std::uint32_t i = row; i < batch.GetFrameCount() && left > 0; ++i, --left) out.Row(RowCells(batch, i));
        if (left == 0) break;
        row = 0;
        auto moved = reader.Go(capture::TraceReader::Move::Next, batch);
        if (!moved) {
            out.Finish();
            std::cerr << moved.Err().text << '\n';
            return 1;
        }
        more = moved.Value();
    }
    return 0;
}

}  // namespace

void RegisterListCommand(CommandRegistry& registry) {
    auto options = std::make_shared<ListOptions>();
    auto* list = registry.App().add_subcommand("list", "List the frames of a trace file, one row per frame");
    list->add_option("FILE", options->file, "Trace file (.tns)")->required();
    list->add_option("--from", options->from, "Start at frame N (loads the block that holds it)");
    list->add_option("--count", options->count, "List at most M frames");
    list->add_flag("--tsv", options->tsv, "Tab-separated values");
    list->add_flag("--json", options->json, "A JSON array of rows");
    list->callback([&registry, options] { registry.SetExitCode(RunList(*options)); });
}

}  // namespace cli
