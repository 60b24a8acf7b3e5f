// palomet-cli list: one decoded row per frame (Counter, Delta, Source, Destination, Summary),
// one block at a time as the packet list loads them, so the delta restarts at 0 on the first
// frame of every block. A filter expression or a text to find narrows the rows to the frames
// they select, each with its own counter; count and list --count-only only count them.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "capture/CPktSnap.h"
#include "capture/TraceReader.h"
#include "cli/BlockPrefetch.h"
#include "cli/CliPrompt.h"
#include "cli/Commands.h"
#include "cli/FrameSelection.h"
#include "cli/Output.h"
#include "cli/ProgressLine.h"
#include "cli/TraceOpening.h"
#include "decode/BatchDecoding.h"
#include "decode/CPktSummary.h"
#include "decode/ProtoCode.h"
#include "packetlist/PacketRow.h"

namespace cli {

namespace {

struct ListOptions {
    std::string file;
    std::optional<std::uint32_t> from;
    std::optional<std::uint64_t> count;
    std::string level = "application";
    bool tsv = false;
    bool json = false;
    SelectionOptions select;
    bool countOnly = false;
};

// The summary levels by their option names; the option accepts these and nothing else.
constexpr std::pair<const char*, std::uint32_t> kLevels[] = {{"datalink", decode::LEVEL_DATALINK},
                                                             {"network", decode::LEVEL_NETWORK},
                                                             {"transport", decode::LEVEL_TRANSPORT},
                                                             {"application", decode::LEVEL_APPLICATION}};

std::optional<std::uint32_t> LevelLimit(const std::string& name) {
    for (const auto& [levelName, limit] : kLevels)
        if (name == levelName) return limit;
    return std::nullopt;
}

// The packet list's columns: widths and alignment for people; programs get tabs or JSON.
std::vector<Column> ListColumns() {
    constexpr std::size_t kWidths[packetlist::kRowColumnCount] = {8, 6, 15, 15, 0};
    std::vector<Column> columns;
    for (std::size_t i = 0; i < packetlist::kRowColumnCount; ++i)
        columns.push_back({std::string(packetlist::kRowColumnNames[i]), kWidths[i], i <= 1});
    return columns;
}

// Writes rows through one large buffer: a million rows must not cost a million writes. JSON
// goes through Output, which is not the fast path.
class RowSink {
public:
    explicit RowSink(OutputFormat format) : m_format(format), m_columns(ListColumns()) {
        if (m_format == OutputFormat::Json) m_json = std::make_unique<Output>(std::cout, format, m_columns);
        m_buffer.reserve(kFlushAt + 4096);
    }
    ~RowSink() { Finish(); }
    RowSink(const RowSink&) = delete;
    RowSink& operator=(const RowSink&) = delete;

    // JSON takes the texts as decoded (it escapes them itself), people and TSV in display form.
    packetlist::CapturedText Form() const noexcept {
        return m_json ? packetlist::CapturedText::AsDecoded : packetlist::CapturedText::Display;
    }

    void Row(const packetlist::RowTexts& row) {
        if (m_json) {
            m_json->Row({row.counter, row.delta, row.source, row.destination, row.summary});
            return;
        }
        if (!m_headed) Header();
        for (std::size_t i = 0; i < packetlist::kRowColumnCount; ++i)
            Cell(i, row.Text(static_cast<packetlist::RowColumn>(i)));
        m_buffer.push_back('\n');
        if (m_buffer.size() >= kFlushAt) Flush();
    }

    void Finish() {
        if (m_json) {
            m_json->Finish();
            return;
        }
        if (!m_headed) Header();
        Flush();
    }

    // Rows so far reach stdout, so that a message on stderr comes after them.
    void Flush() {
        if (!m_buffer.empty()) {
            std::cout.flush();
            std::fwrite(m_buffer.data(), 1, m_buffer.size(), stdout);
            m_buffer.clear();
        }
        std::cout.flush();
        std::fflush(stdout);
    }

private:
    static constexpr std::size_t kFlushAt = 1 << 20;

    void Header() {
        m_headed = true;
        for (std::size_t i = 0; i < m_columns.size(); ++i) Cell(i, m_columns[i].name);
        m_buffer.push_back('\n');
    }

    // The texts are in display form already: nothing captured acts on the terminal or breaks
    // a row.
    void Cell(std::size_t i, std::string_view text) {
        if (m_format == OutputFormat::Tsv) {
            if (i > 0) m_buffer.push_back('\t');
            m_buffer.append(text);
            return;
        }
        const Column& col = m_columns[i];
        if (i > 0) m_buffer.append("  ");
        const std::size_t pad = text.size() < col.width ? col.width - text.size() : 0;
        if (col.numeric) m_buffer.append(pad, ' ');  // numbers are padded before their digits
        m_buffer.append(text);
        if (!col.numeric && i + 1 < m_columns.size()) m_buffer.append(pad, ' ');
    }

    OutputFormat m_format;
    std::vector<Column> m_columns;
    std::unique_ptr<Output> m_json;
    std::string m_buffer;
    bool m_headed = false;
};

int RunList(const ListOptions& o) {
    const auto level = LevelLimit(o.level);
    if (!level) return 1;  // the option's check refuses it first
    auto selection = FrameSelection::Make(o.select, std::cerr);
    if (!selection) return 1;
    CliPrompt prompt(std::cerr);
    const auto trace = OpenForDecoding(o.file, prompt);
    if (!trace) return 1;
    auto& reader = trace->reader;
    const OutputFormat format = o.json ? OutputFormat::Json : o.tsv ? OutputFormat::Tsv : OutputFormat::Human;
    std::optional<RowSink> sink;
    if (!o.countOnly) sink.emplace(format);
    // A progress line shares the terminal with nothing else: rows go elsewhere, or none are
    // written.
    ProgressLine progress(o.countOnly ? "count" : "list");
    auto showProgress = o.countOnly || ::isatty(STDOUT_FILENO) != 1 ? progress.Callback() : nullptr;
    const std::uint64_t total = reader.EndOffset();
    // A block that cannot be read is reported and passed over; the exit status says so.
    bool broken = false;
    const auto report = [&](const std::string& error) {
        if (sink) sink->Flush();
        progress.End();
        std::cerr << error << '\n';
        broken = true;
    };
    decode::CPktSummary summary;
    packetlist::RowTexts texts;
    std::uint64_t left = o.count.value_or(UINT64_MAX);
    std::uint64_t selected = 0;
    const auto emit = [&](const capture::CPktSnap& batch, std::uint32_t from) {
        for (std::uint32_t i = from; i < batch.GetFrameCount() && left > 0; ++i) {
            if (!sink) {
                if (!selection->Selects(batch, i, *level)) continue;
            } else {
                if (!selection->Passes(batch.GetFrame(i))) continue;
                decode::SummaryOf(batch, *level, &summary, i);
                if (!selection->Finds(batch, i, *level, summary)) continue;
                packetlist::FormatRow(summary, texts, sink->Form());
                sink->Row(texts);
            }
            ++selected;
            --left;
        }
    };
    if (o.from) {
        const std::uint32_t n = *o.from;
        if (!CheckFrameNumber(n, reader.FrameCount(), prompt)) return 1;
        auto block = reader.FetchFrame(n, 0);
        if (!block) {
            std::cerr << block.Err().text << '\n';
            return 1;
        }
        capture::CPktSnap first(&trace->parsers);
        std::vector<std::uint8_t> inflated;
        auto st = capture::TraceReader::Inflate(block.Value(), inflated);
        if (st) st = capture::TraceReader::LoadBatch(block.Value(), std::move(inflated), first);
        reader.Accept(block.Value());
        if (st) {
            emit(first, n - reader.ScreenFirst());
        } else {
            report(st.Err().text);
        }
    }
    if (left > 0) {
        // Later blocks are read and inflated on a second thread while this one decodes.
        BlockPrefetch blocks(reader, &trace->parsers, 2, report);
        while (left > 0) {
            const capture::CPktSnap* batch = blocks.Next();
            if (batch == nullptr) break;
            emit(*batch, 0);
            if (showProgress) showProgress(blocks.Position(), total);
        }
    }
    progress.End();
    if (sink) {
        sink->Finish();
    } else {
        std::cout << selected << '\n';
    }
    return broken ? 1 : 0;
}

}  // namespace

void RegisterListCommand(CommandRegistry& registry) {
    auto options = std::make_shared<ListOptions>();
    auto* list = registry.App().add_subcommand("list", "List the frames of a trace file, one row per frame");
    list->add_option("FILE", options->file, "Trace file (.tns)")->required();
    list->add_option("--from", options->from, "Start at frame N (loads the block that holds it)");
    list->add_option("--count", options->count, "List at most M frames");
    std::vector<std::string> levelNames;
    for (const auto& [name, limit] : kLevels) levelNames.emplace_back(name);
    list->add_option("--level", options->level, "Summary level: datalink, network, transport or application")
        ->check(CLI::IsMember(levelNames));
    auto* tsv = list->add_flag("--tsv", options->tsv, "Tab-separated values");
    auto* json = list->add_flag("--json", options->json, "A JSON array of rows")->excludes(tsv);
    AddSelectionOptions(list, options->select, true);
    list->add_flag("--count-only", options->countOnly, "Print only how many frames would be listed")
        ->excludes(tsv)
        ->excludes(json);
    list->callback([&registry, options] { registry.SetExitCode(RunList(*options)); });

    auto counting = std::make_shared<ListOptions>();
    counting->countOnly = true;
    auto* count =
        registry.App().add_subcommand("count", "Count the frames of a trace file that a filter expression matches");
    count->add_option("FILE", counting->file, "Trace file (.tns)")->required();
    count->add_option("--level", counting->level, "Summary level --contains searches")
        ->check(CLI::IsMember(levelNames));
    AddSelectionOptions(count, counting->select, true);
    count->callback([&registry, counting] { registry.SetExitCode(RunList(*counting)); });
}

}  // namespace cli
