// FTP command decoder: the first line, its password masked, named from the command table.
#include "decode/app/CPktFTPCommandParser.h"

#include <array>

#include "core/Printf.h"
#include "decode/app/LineProtocol.h"

namespace decode::app {

namespace {

constexpr std::string_view kPrefix = "FTP: ";
constexpr std::string_view kAccess = "Access Control";
constexpr std::string_view kTransfer = "Transfer Parameter";
constexpr std::string_view kService = "Service Command";

// A trailing space is part of the keyword: "CWD " does not match a bare CWD line.
constexpr std::array<KeywordEntry, 33> kCommands = {{
    {"USER ", "Identifies the user", kAccess},
    {"PASS ", "User's password", kAccess},
    {"ACCT ", "User's account", kAccess},
    {"CWD ", "Change working directory", kAccess},
    {"CDUP", "Change to Parent directory", kAccess},
    {"SMNT ", "Structure Mount", kAccess},
    {"REIN", "Reinitialize, terminating the user", kAccess},
    {"QUIT", "Logout", kAccess},
    {"PORT ", "Specifies the data port to be used", kTransfer},
    {"PASV", "Requests the Server DTP to listen on a data port", kTransfer},
    {"TYPE ", "Representation type: ASCII, EBCDIC, Image or Local", kTransfer},
    {"STRU ", "File structure: File, Record or Page", kTransfer},
    {"MODE ", "Transmission mode: Stream, Block or Compressed", kTransfer},
    {"RETR ", "Retrive a copy of the file from the other end", kService},
    {"STOR ", "Store data at the Server", kService},
    {"STOU", "Store Unique", kService},
    {"APPE ", "Append", kService},
    {"ALLO ", "Allocate storage", kService},
    {"REST ", "Restart transfer at checkpoint", kService},
    {"RNFR ", "Rename from", kService},
    {"RNTO ", "Rename to", kService},
    {"ABOR", "Abort previous service command", kService},
    {"DELE ", "Delete file at Server", kService},
    {"RMD ", "Remove directory", kService},
    {"MKD ", "Make directory", kService},
    {"PWD", "Print working directory", kService},
    {"LIST", "List files or text", kService},
    {"NLST", "Name list", kService},
    {"SITE ", "Site parameters", kService},
    {"SYST", "Determine operating system", kService},
    {"STAT", "Status", kService},
    {"HELP", "Help information", kService},
    {"NOOP", "No operation", kService},
}};

struct FtpCommand {
    std::string line;
    std::string_view type = "Unknown";
    std::string_view description = "Unknown";
};

// The password is masked first; the table's own "PASS " row then matches the masked line.
FtpCommand ReadCommand(core::ByteReader& in) {
    FtpCommand command;
    ReadFirstLine(in, command.line);
    MaskPassword(command.line);
    if (const auto* entry = MatchKeyword(kCommands, command.line)) {
        command.type = entry->group;
        command.description = entry->description;
    }
    return command;
}

// " C = '%s' (%s)", built in place for the summary chain.
void AppendHeadline(std::string& out, const FtpCommand& command) {
    out += " C = '";
    out += command.line;
    out += "' (";
    out += command.description;
    out += ')';
}

}  // namespace

ProtoCode CPktFTPCommandParser::Parse(core::ByteReader& in, CPktParseContext& /*ctx*/) const {
    std::string line;
    ReadFirstLine(in, line);
    return PROTO_NONE;
}

ProtoCode CPktFTPCommandParser::ParseDetail(core::ByteReader& in, CPktParseContext& /*ctx*/,
                                            CPktDetailLine& root) const {
    const FtpCommand command = ReadCommand(in);
    const std::string type(command.type);
    const std::string description(command.description);
    std::string headline;
    AppendHeadline(headline, command);
    auto& top = root.Add(kPrefix, std::move(headline));
    top.Add(kPrefix, core::Printf(" Command Data = '%s'", command.line.c_str()), FirstLineBytes(in));
    top.Add(kPrefix, core::Printf(" Command Type = %s", type.c_str()));
    top.Add(kPrefix, core::Printf(" Command Description = %s", description.c_str()));
    return PROTO_NONE;
}

ProtoCode CPktFTPCommandParser::ParseSummary(core::ByteReader& in, CPktParseContext& /*ctx*/, SummaryTexts& out) const {
    const FtpCommand command = ReadCommand(in);
    out.summary.assign(kPrefix);
    AppendHeadline(out.summary, command);
    return PROTO_NONE;
}

}  // namespace decode::app
