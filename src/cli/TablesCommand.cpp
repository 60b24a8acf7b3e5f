// palomet-cli tables: which file each reference table was read from and how many entries it
// holds, searched for exactly as a capture window searches for them.
#include <iostream>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/Output.h"
#include "decode/CPktParsersConf.h"
#include "tables/TableFile.h"

namespace cli {

namespace {

struct TablesOptions {
    bool tsv = false;
    bool json = false;
};

std::string PathOrNone(const std::string& path) { return path.empty() ? "(not found)" : path; }

int RunTables(const TablesOptions& o) {
    const auto conf = decode::CPktParsersConf::FromTableFiles();
    const auto& ether = conf.GetEtherNums();
    const auto& protocols = conf.GetIProtNums();
    const auto& ports = conf.GetWPortNums();
    const auto& options = conf.GetTCPNums();

    const OutputFormat format = o.json ? OutputFormat::Json : o.tsv ? OutputFormat::Tsv : OutputFormat::Human;
    Output out(std::cout, format, {{"file", 16}, {"entries", 7, true}, {"path", 0}});
    out.Row(
        {std::string(tables::kEtherTypesFile), std::to_string(ether.Types().size()), PathOrNone(ether.TypesPath())});
    out.Row({std::string(tables::kEtherVendorsFile), std::to_string(ether.Vendors().size()),
             PathOrNone(ether.VendorsPath())});
    out.Row({std::string(tables::kProtocolNumbersFile), std::to_string(protocols.Count()),
             PathOrNone(protocols.SourcePath())});
    out.Row({std::string(tables::kPortNumbersFile), std::to_string(ports.TcpCount() + ports.UdpCount()),
             PathOrNone(ports.SourcePath())});
    out.Row({std::string(tables::kTcpOptionsFile), std::to_string(options.Count()), PathOrNone(options.SourcePath())});
    out.Finish();
    return 0;
}

}  // namespace

void RegisterTablesCommand(CommandRegistry& registry) {
    auto options = std::make_shared<TablesOptions>();
    auto* cmd = registry.App().add_subcommand(
        "tables", "Show where each reference table was found and how many entries it holds");
    cmd->add_flag("--tsv", options->tsv, "Tab-separated values");
    cmd->add_flag("--json", options->json, "A JSON array of rows");
    cmd->callback([options, &registry] { registry.SetExitCode(RunTables(*options)); });
}

}  // namespace cli
