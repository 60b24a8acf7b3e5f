// POP3 reply decoder: "+OK" and "-ER" lines are status replies, anything else is mail data.
#include "decode/app/CPktPOP3ReplyParser.h"

#include "core/Printf.h"
#include "decode/app/LineProtocol.h"

namespace decode::app {

namespace {

constexpr std::string_view kPrefix = "POP3: ";
constexpr std::string_view kMailData = "Mail data";

}  // namespace

ProtoCode CPktPOP3ReplyParser::Parse(core::ByteReader& in, CPktParseContext& /*ctx*/) const {
    std::string line;
    ReadFirstLine(in, line);
    return PROTO_NONE;
}

ProtoCode CPktPOP3ReplyParser::ParseDetail(core::ByteReader& in, CPktParseContext& /*ctx*/,
                                           CPktDetailLine& root) const {
    std::string line;
    ReadFirstLine(in, line);
    // Only the first three characters are tested, so "-ERR" counts as negative.
    std::string type;
    if (line.starts_with("+OK")) {
        type = "Positive reply";
    } else if (line.starts_with("-ER")) {
        type = "Negative reply";
    } else {
        line = kMailData;
        type = kMailData;
    }
    auto& top = root.Add(kPrefix, core::Printf(" Reply '%s' (%s)", line.c_str(), type.c_str()));
    top.Add(kPrefix, core::Printf(" Reply Line = '%s'", line.c_str()), FirstLineBytes(in));
    top.Add(kPrefix, core::Printf(" Reply Type = %s", type.c_str()));
    return PROTO_NONE;
}

ProtoCode CPktPOP3ReplyParser::ParseSummary(core::ByteReader& in, CPktParseContext& /*ctx*/, SummaryTexts& out) const {
    // The summary shows the line as read, mail data included.
    std::string line;
    ReadFirstLine(in, line);
    SetLineSummary(out.summary, kPrefix, 'R', line);
    return PROTO_NONE;
}

}  // namespace decode::app
