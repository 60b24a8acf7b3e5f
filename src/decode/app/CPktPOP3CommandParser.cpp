// POP3 command decoder: the first line, its password masked, described from the command table.
#include "decode/app/CPktPOP3CommandParser.h"

#include <array>

#include "core/Printf.h"
#include "decode/app/LineProtocol.h"

namespace decode::app {

namespace {

constexpr std::string_view kPrefix = "POP3: ";

// "TOP" has no trailing space, so it matches any line that begins with those letters.
constexpr std::array<KeywordEntry, 12> kCommands = {{
    {"USER ", "User name", {}},
    {"RETR ", "Retrive the message", {}},
    {"PASS ", "User password", {}},
    {"STAT", "Status", {}},
    {"LIST", "Listing", {}},
    {"QUIT", "End POP3 session", {}},
    {"DELE ", "Delete message at Server", {}},
    {"NOOP", "No operation", {}},
    {"RSET", "Reset deleted messages at Server", {}},
    {"APOP", "User authorization with MD5 digest string", {}},
    {"TOP", "Retrive top X lines of the message", {}},
    {"UIDL", "Unique-id listing for the message", {}},
}};

// Reads and classifies the first line; the password is masked before anything else sees it.
std::string_view ReadCommand(core::ByteReader& in, std::string& line) {
    ReadFirstLine(in, line);
    MaskPassword(line);
    const auto* entry = MatchKeyword(kCommands, line);
    return entry != nullptr ? entry->description : std::string_view("Unknown");
}

}  // namespace

ProtoCode CPktPOP3CommandParser::Parse(core::ByteReader& in, CPktParseContext& /*ctx*/) const {
    std::string line;
    ReadFirstLine(in, line);
    return PROTO_NONE;
}

ProtoCode CPktPOP3CommandParser::ParseDetail(core::ByteReader& in, CPktParseContext& /*ctx*/,
                                             CPktDetailLine& root) const {
    std::string line;
    const std::string type(ReadCommand(in, line));
    auto& top = root.Add(kPrefix, core::Printf(" Command '%s' (%s)", line.c_str(), type.c_str()));
    top.Add(kPrefix, core::Printf(" Command Line = '%s'", line.c_str()), FirstLineBytes(in));
    top.Add(kPrefix, core::Printf(" Command Type = %s", type.c_str()));
    return PROTO_NONE;
}

ProtoCode CPktPOP3CommandParser::ParseSummary(core::ByteReader& in, CPktParseContext& /*ctx*/,
                                              SummaryTexts& out) const {
    std::string line;
    ReadCommand(in, line);
    SetLineSummary(out.summary, kPrefix, 'C', line);
    return PROTO_NONE;
}

}  // namespace decode::app
