// SMTP reply decoder: the first line, classified by the first two digits of its code.
#include "decode/app/CPktSMTPReplyParser.h"

#include <array>

#include "core/Printf.h"
#include "decode/app/LineProtocol.h"

namespace decode::app {

namespace {

constexpr std::string_view kPrefix = "SMTP: ";

std::string_view SmtpDescriptionOf(int digit) {
    static constexpr std::array<std::string_view, 6> kDescriptions = {
        "Syntax", "Information", "Connections", "Unspecified as yet", "Unspecified as yet", "File system"};
    if (digit >= 0 && digit <= 5) return kDescriptions[static_cast<std::size_t>(digit)];
    return "Error !";
}

}  // namespace

ProtoCode CPktSMTPReplyParser::Parse(core::ByteReader& in, CPktParseContext& /*ctx*/) const {
    std::string line;
    ReadFirstLine(in, line);
    return PROTO_NONE;
}

ProtoCode CPktSMTPReplyParser::ParseDetail(core::ByteReader& in, CPktParseContext& /*ctx*/,
                                           CPktDetailLine& root) const {
    std::string line;
    ReadFirstLine(in, line);
    std::string code = "???";
    std::string type = "Unknown";
    std::string description = "Unknown";
    // The third character belongs to the code shown but is not interpreted.
    if (line.size() >= 3) {
        code = line.substr(0, 3);
        type = ReplyTypeOf(ReplyDigit(line[0]));
        description = SmtpDescriptionOf(ReplyDigit(line[1]));
    }
    auto& top = root.Add(kPrefix, core::Printf(" Reply %s (%s)", code.c_str(), type.c_str()));
    top.Add(kPrefix, core::Printf(" Reply = '%s'", line.c_str()), FirstLineBytes(in));
    top.Add(kPrefix, core::Printf(" Type = %s", type.c_str()));
    top.Add(kPrefix, core::Printf(" Description = %s", description.c_str()));
    return PROTO_NONE;
}

ProtoCode CPktSMTPReplyParser::ParseSummary(core::ByteReader& in, CPktParseContext& /*ctx*/, SummaryTexts& out) const {
    std::string line;
    ReadFirstLine(in, line);
    SetLineSummary(out.summary, kPrefix, 'R', line);
    return PROTO_NONE;
}

}  // namespace decode::app
