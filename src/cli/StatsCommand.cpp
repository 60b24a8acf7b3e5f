// palomet-cli stats: one statistics view of a trace file (protocol hierarchy, conversations,
// endpoints or frames per interval), counted block by block as the file is read and printed
// once the last block is in.
#include <algorithm>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "capture/TraceReader.h"
#include "cli/BlockPrefetch.h"
#include "cli/CliPrompt.h"
#include "cli/Commands.h"
#include "cli/Output.h"
#include "cli/ProgressLine.h"
#include "cli/TraceOpening.h"
#include "core/DisplayText.h"
#include "decode/CPktParsers.h"
#include "decode/CPktParsersConf.h"
#include "filter/FrameFilter.h"
#include "stats/IntervalText.h"
#include "stats/StatsTables.h"
#include "stats/TrafficStats.h"

namespace cli {

namespace {

struct StatsOptions {
    std::string file;
    bool protocols = false;
    std::string conversations;  // a kind's word; given without one, "ip"
    std::string endpoints;
    std::string io;
    std::optional<std::string> filter;  // the frames the I/O series also counts apart
    bool tsv = false;
    bool json = false;
    CLI::Option* conversationsOption = nullptr;
    CLI::Option* endpointsOption = nullptr;
};

constexpr const char* kDefaultKind = "ip";

std::optional<stats::TableKind> KindOf(const std::string& word) {
    for (const stats::TableKind kind : stats::kAllTableKinds)
        if (word == stats::KindWord(kind)) return kind;
    return std::nullopt;
}

// What the options ask for; the option checks have refused anything else already. A filter
// expression libpcap refuses is told on stderr, and nothing is counted.
std::optional<stats::StatsRequest> RequestOf(const StatsOptions& o) {
    stats::StatsRequest request;
    request.protocols = o.protocols;
    if (o.conversationsOption->count() > 0)
        request.conversations[static_cast<std::size_t>(*KindOf(o.conversations))] = true;
    if (o.endpointsOption->count() > 0) request.endpoints[static_cast<std::size_t>(*KindOf(o.endpoints))] = true;
    if (!o.io.empty()) request.ioInterval = stats::ParseInterval(o.io);
    if (o.filter) {
        auto compiled = filter::FrameFilter::Compile(*o.filter);
        if (!compiled) {
            std::cerr << "Bad filter expression \"" << *o.filter << "\": " << compiled.Err().text << '\n';
            return std::nullopt;
        }
        request.ioMatch = [f = std::make_shared<const filter::FrameFilter>(std::move(compiled).Value())](
                              const capture::CPktSnapQue& frame) { return f->Matches(frame); };
    }
    return request;
}

std::unique_ptr<stats::StatsTable> TableOf(const stats::TrafficStats& engine, const decode::CPktParsersConf& conf) {
    if (engine.Protocols() != nullptr) return stats::MakeProtocolTable(*engine.Protocols());
    if (engine.Io() != nullptr) return stats::MakeIoTable(*engine.Io());
    for (const stats::TableKind kind : stats::kAllTableKinds) {
        if (const auto* c = engine.Conversations(kind)) return stats::MakeConversationTable(kind, *c);
        if (const auto* e = engine.Endpoints(kind)) return stats::MakeEndpointTable(kind, *e, &conf.GetEtherNums());
    }
    return nullptr;
}

// The protocol column: a person sees the layers indented under each other, a program the
// whole path of each row.
std::string ProtocolCell(const stats::ProtocolTable& table, std::size_t row, OutputFormat format) {
    const stats::ProtocolRow& r = table.Rows()[row];
    if (format != OutputFormat::Human) return r.path;
    return std::string(2 * (r.depth - 1), ' ') + r.name;
}

void Print(const stats::StatsTable& table, OutputFormat format) {
    const auto* protocols = dynamic_cast<const stats::ProtocolTable*>(&table);
    std::vector<std::vector<std::string>> rows(table.RowCount());
    std::vector<Column> columns;
    for (const auto& c : table.Columns()) columns.push_back({c.name, 0, c.numeric});
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (std::size_t c = 0; c < columns.size(); ++c) {
            rows[r].push_back(protocols != nullptr && c == 0 ? ProtocolCell(*protocols, r, format) : table.Text(r, c));
            columns[c].width = std::max(columns[c].width, core::DisplayText(rows[r][c]).size());
        }
    }
    {
        Output out(std::cout, format, columns);
        for (const auto& cells : rows) out.Row(cells);
    }
    // A cap that was reached is said below the table for a person, on stderr for a program.
    for (const std::string& note : table.notes) (format == OutputFormat::Human ? std::cout : std::cerr) << note << '\n';
}

int RunStats(const StatsOptions& o) {
    auto request = RequestOf(o);
    if (!request) return 1;
    CliPrompt prompt(std::cerr);
    const auto trace = OpenForDecoding(o.file, prompt);
    if (!trace) return 1;
    auto& reader = trace->reader;
    const auto& conf = trace->conf;
    const auto& parsers = trace->parsers;
    stats::TrafficStats engine(parsers, std::move(*request));

    // Progress by frames, shown as the share of the file they stand for.
    ProgressLine progress("stats");
    const auto report = progress.Callback();
    const auto size = reader.FileSize();
    const std::uint64_t fileSize = size ? size.Value() : 0;
    const std::uint64_t frameCount = std::max<std::uint64_t>(reader.FrameCount(), 1);

    bool broken = false;
    {
        BlockPrefetch blocks(reader, &parsers, 2, [&](const std::string& error) {
            progress.End();
            std::cerr << error << '\n';
            broken = true;
        });
        while (const capture::CPktSnap* batch = blocks.Next()) {
            engine.AddBatch(*batch);
            if (report) report(fileSize * std::min(engine.Frames(), frameCount) / frameCount, fileSize);
        }
    }
    progress.End();
    const OutputFormat format = o.json ? OutputFormat::Json : o.tsv ? OutputFormat::Tsv : OutputFormat::Human;
    if (const auto table = TableOf(engine, conf)) Print(*table, format);
    return broken ? 1 : 0;
}

}  // namespace

void RegisterStatsCommand(CommandRegistry& registry) {
    auto o = std::make_shared<StatsOptions>();
    auto* stats = registry.App().add_subcommand(
        "stats", "Statistics of a trace file: protocol hierarchy, conversations, endpoints or frames per interval");
    stats->add_option("FILE", o->file, "Trace file (.tns)")->required();
    std::vector<std::string> kinds;
    for (const stats::TableKind kind : stats::kAllTableKinds) kinds.emplace_back(stats::KindWord(kind));
    auto* protocols = stats->add_flag("--protocols", o->protocols, "Protocol hierarchy: every layer path seen");
    o->conversationsOption = stats->add_option("--conversations", o->conversations,
                                               "Conversations of a kind: eth, ip (the default), ipv6, tcp or udp");
    o->endpointsOption =
        stats->add_option("--endpoints", o->endpoints, "Endpoints of a kind: eth, ip (the default), ipv6, tcp or udp");
    for (CLI::Option* kind : {o->conversationsOption, o->endpointsOption})
        kind->expected(0, 1)->default_str(kDefaultKind)->check(CLI::IsMember(kinds));
    auto* io = stats->add_option("--io", o->io, "Frames and bytes per INTERVAL, 1ms to 1h (1ms, 100ms, 1s, 5m, 1h)")
                   ->type_name("INTERVAL")
                   ->check(CLI::Validator(
                       [](const std::string& text) {
                           return stats::ParseInterval(text) ? std::string() : "not an interval from 1ms to 1h";
                       },
                       ""));
    const std::vector<CLI::Option*> views = {protocols, o->conversationsOption, o->endpointsOption, io};
    for (CLI::Option* view : views)
        for (CLI::Option* other : views)
            if (view != other) view->excludes(other);
    stats->add_option("--filter", o->filter,
                      "With --io: also count the frames a filter expression matches (tcpdump's syntax)")
        ->type_name("EXPR")
        ->needs(io);
    auto* tsv = stats->add_flag("--tsv", o->tsv, "Tab-separated values");
    stats->add_flag("--json", o->json, "A JSON array of rows")->excludes(tsv);
    stats->callback([&registry, o, views] {
        if (std::none_of(views.begin(), views.end(), [](CLI::Option* v) { return v->count() > 0; }))
            throw CLI::RequiredError("one of --protocols, --conversations, --endpoints, --io");
        if (o->conversations.empty()) o->conversations = kDefaultKind;
        if (o->endpoints.empty()) o->endpoints = kDefaultKind;
        registry.SetExitCode(RunStats(*o));
    });
}

}  // namespace cli
