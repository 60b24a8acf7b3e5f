// palomet-cli list: one decoded row per frame (Counter, Delta, Source, Destination, Summary),
// one block at a time as the packet list loads them, so the delta restarts at 0 on the first
// frame of every block.
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "capture/CPktParsersConf.h"
#include "capture/CPktSnap.h"
#include "capture/TraceReader.h"
#include "cli/BlockPrefetch.h"
#include "cli/CliPrompt.h"
#include "cli/Commands.h"
#include "cli/TraceOpening.h"
#include "cli/Output.h"
#include "decode/CPktParsers.h"
#include "decode/CPktSummary.h"
#include "decode/ProtoCode.h"
#include "decode/TextAppend.h"

namespace cli {

namespace {

struct ListOptions {
    std::string file;
    std::optional<std::uint32_t> from;
    std::optional<std::uint64_t> count;
    std::string level = "application";
    bool tsv = false;
    bool json = false;
};

std::uint32_t LevelLimit(const std::string& name) {
    if (name == "datalink") return decode::LEVEL_DATALINK;
    if (name == "network") return decode::LEVEL_NETWORK;
    if (name == "transport") return decode::LEVEL_TRANSPORT;
    return decode::LEVEL_APPLICATION;
}

// The packet list's columns. People get aligned columns, programs tabs or JSON.
const std::vector<Column> kColumns = {
    {"Counter", 8, true}, {"Delta", 6, true}, {"Source", 15, false}, {"Destination", 15, false}, {"Summary", 0, false}};

// Writes rows through one reused line and one large buffer: a million rows must not cost a
// million allocations or a million writes. JSON goes through Output, which is not the fast path.
class RowSink {
public:
    explicit RowSink(OutputFormat format) : m_format(format) {
        if (m_format == OutputFormat::Json) m_json = std::make_unique<Output>(std::cout, format, kColumns);
        m_buffer.reserve(kFlushAt + 4096);
    }
    ~RowSink() { Finish(); }
    RowSink(const RowSink&) = delete;
    RowSink& operator=(const RowSink&) = delete;

    void Row(const decode::CPktSummary& row) {
        if (m_json) {
            std::string delta;
            decode::AppendDeltaMs(delta, row.timeDelta);
            m_json->Row({std::to_string(row.frameNumber), delta, row.source, row.destination, row.summary});
            return;
        }
        if (!m_headed) Header();
        m_cell.clear();
        decode::AppendDec(m_cell, row.frameNumber);
        Cell(0, m_cell);
        m_cell.clear();
        decode::AppendDeltaMs(m_cell, row.timeDelta);
        Cell(1, m_cell);
        Cell(2, row.source);
        Cell(3, row.destination);
        Cell(4, row.summary);
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

private:
    static constexpr std::size_t kFlushAt = 1 << 20;

    void Header() {
        m_headed = true;
        for (std::size_t i = 0; i < kColumns.size(); ++i) Cell(i, kColumns[i].name);
        m_buffer.push_back('\n');
    }

    void Cell(std::size_t i, std::string_view text) {
        if (m_format == OutputFormat::Tsv) {
            if (i > 0) m_buffer.push_back('\t');
            // A tab or line end inside a text (a Telnet line may hold one) would break the row.
            const std::size_t start = m_buffer.size();
            m_buffer.append(text);
            if (text.find_first_of("\t\n\r") == std::string_view::npos) return;
            for (std::size_t k = start; k < m_buffer.size(); ++k) {
                if (m_buffer[k] == '\t' || m_buffer[k] == '\n' || m_buffer[k] == '\r') m_buffer[k] = ' ';
            }
            return;
        }
        const Column& col = kColumns[i];
        const std::size_t pad = text.size() < col.width ? col.width - text.size() : 0;
        if (i > 0) m_buffer.append("  ");
        if (col.numeric) m_buffer.append(pad, ' ');
        m_buffer.append(text);
        if (!col.numeric && i + 1 < kColumns.size()) m_buffer.append(pad, ' ');
    }

    void Flush() {
        if (m_buffer.empty()) return;
        std::cout.flush();
        std::fwrite(m_buffer.data(), 1, m_buffer.size(), stdout);
        std::fflush(stdout);
        m_buffer.clear();
    }

    OutputFormat m_format;
    std::unique_ptr<Output> m_json;
    std::string m_buffer;
    std::string m_cell;
    bool m_headed = false;
};

int RunList(const ListOptions& o) {
    CliPrompt prompt(std::cerr);
    auto opened = OpenTrace(o.file, prompt);
    if (!opened) return 1;
    auto& reader = *opened;
    if (!reader.Validate(prompt)) return 1;

    // The decoder objects as the packet list builds them: tables read from their files.
    const capture::CPktParsersConf conf(false, true);
    const decode::CPktParsers parsers(conf, false);
    capture::CPktSnap first(&parsers);
    std::uint32_t row = 0;
    bool haveFirst = false;
    if (o.from) {
        const std::uint32_t n = *o.from;
        if (!CheckFrameNumber(n, reader.FrameCount(), prompt)) return 1;
        if (auto st = reader.GoToFrame(n, 0, first); !st) {
            std::cerr << st.Err().text << '\n';
            return 1;
        }
        row = n - reader.ScreenFirst();
        haveFirst = true;
    }

    const OutputFormat format = o.json ? OutputFormat::Json : o.tsv ? OutputFormat::Tsv : OutputFormat::Human;
    const std::uint32_t level = LevelLimit(o.level);
    RowSink sink(format);
    decode::CPktSummary summary;
    std::uint64_t left = o.count.value_or(UINT64_MAX);
    const auto emit = [&](const capture::CPktSnap& batch, std::uint32_t from) {
        for (std::uint32_t i = from; i < batch.GetFrameCount() && left > 0; ++i, --left) {
            batch.SummaryOf(level, &summary, i);
            sink.Row(summary);
        }
    };
    if (haveFirst) emit(first, row);
    if (left == 0) return 0;
    // Later blocks are read and inflated on a second thread while this one decodes.
    BlockPrefetch blocks(reader, &parsers);
    while (left > 0) {
        const capture::CPktSnap* batch = blocks.Next();
        if (batch == nullptr) {
            if (blocks.Error().empty()) break;
            sink.Finish();
            std::cerr << blocks.Error() << '\n';
            return 1;
        }
        emit(*batch, 0);
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
    list->add_option("--level", options->level, "Summary level: datalink, network, transport or application")
        ->check(CLI::IsMember({"datalink", "network", "transport", "application"}));
    list->add_flag("--tsv", options->tsv, "Tab-separated values");
    list->add_flag("--json", options->json, "A JSON array of rows");
    list->callback([&registry, options] { registry.SetExitCode(RunList(*options)); });
}

}  // namespace cli
