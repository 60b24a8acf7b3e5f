// SMTP command decoder: the first line, named and described from the command table. Mail text
// after DATA is just another line (and one that begins with "DATA" matches that command).
#include "decode/app/CPktSMTPCommandParser.h"

#include <array>

#include "core/Printf.h"
#include "decode/app/LineProtocol.h"

namespace decode::app {

namespace {

constexpr std::string_view kPrefix = "SMTP: ";

constexpr std::array<KeywordEntry, 14> kCommands = {{
    {"HELO ", "Identifies Sender-SMTP to Receiver-SMTP", {}},
    {"MAIL FROM:", "Deliver mail data to mailbox(es)", {}},
    {"RCPT TO:", "Identify mail data recipient", {}},
    {"DATA", "The mail data", {}},
    {"RSET", "Abort current mail transaction", {}},
    {"SEND FROM:", "Deliver mail to terminal(s)", {}},
    {"SOML FROM:", "Send or Mail", {}},
    {"SAML FROM:", "Send and Mail", {}},
    {"VRFY ", "Verify that the argument identifies a user", {}},
    {"EXPN ", "Verify that the argument identifies a mailing list", {}},
    {"HELP", "Send information", {}},
    {"NOOP", "No operation", {}},
    {"QUIT", "Send OK reply, them close channel", {}},
    {"TURN", "Exchange Sernder/Receiver roles", {}},
}};

}  // namespace

ProtoCode CPktSMTPCommandParser::Parse(core::ByteReader& in, CPktParseContext& /*ctx*/) const {
    std::string line;
    ReadFirstLine(in, line);
    return PROTO_NONE;
}

ProtoCode CPktSMTPCommandParser::ParseDetail(core::ByteReader& in, CPktParseContext& /*ctx*/,
                                             CPktDetailLine& root) const {
    std::string line;
    ReadFirstLine(in, line);
    const auto* entry = MatchKeyword(kCommands, line);
    const std::string command(entry != nullptr ? entry->keyword : "Unknown");
    const std::string description(entry != nullptr ? entry->description : "Unknown");
    auto& top = root.Add(kPrefix, core::Printf(" Command %s (%s)", command.c_str(), description.c_str()));
    top.Add(kPrefix, core::Printf(" Command = '%s'", line.c_str()), FirstLineBytes(in));
    top.Add(kPrefix, core::Printf(" Description = %s", description.c_str()));
    return PROTO_NONE;
}

ProtoCode CPktSMTPCommandParser::ParseSummary(core::ByteReader& in, CPktParseContext& /*ctx*/,
                                              SummaryTexts& out) const {
    std::string line;
    ReadFirstLine(in, line);
    SetLineSummary(out.summary, kPrefix, 'C', line);
    return PROTO_NONE;
}

}  // namespace decode::app
