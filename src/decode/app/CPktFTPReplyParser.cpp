// FTP reply decoder: the first line, classified by the first two digits of its code.
#include "decode/app/CPktFTPReplyParser.h"

#include <array>

#include "decode/app/AppText.h"
#include "decode/app/LineProtocol.h"

namespace decode::app {

namespace {

constexpr std::string_view kPrefix = "FTP: ";

struct FtpReply {
    std::string line;
    std::string type = "Unknown";
    std::string description = "Unknown";
};

std::string_view FtpDescriptionOf(int digit) {
    static constexpr std::array<std::string_view, 6> kDescriptions = {
        "Syntax", "Information", "Connections", "Authentication and accounting", "Unspecified as yet", "File system"};
    if (digit >= 0 && digit <= 5) return kDescriptions[static_cast<std::size_t>(digit)];
    return "Error !";
}

FtpReply ReadReply(core::ByteReader& in) {
    FtpReply reply;
    ReadFirstLine(in, reply.line);
    if (reply.line.size() >= 3) {
        reply.type = ReplyTypeOf(ReplyDigit(reply.line[0]));
        reply.description = FtpDescriptionOf(ReplyDigit(reply.line[1]));
    }
    return reply;
}

std::string Headline(const FtpReply& reply) {
    return Fmt(" R = '%s' (%s)", reply.line.c_str(), reply.description.c_str());
}

}  // namespace

ProtoCode CPktFTPReplyParser::Parse(core::ByteReader& in, CPktParseContext& /*ctx*/) const {
    std::string line;
    ReadFirstLine(in, line);
    return PROTO_NONE;
}

ProtoCode CPktFTPReplyParser::ParseDetail(core::ByteReader& in, CPktParseContext& /*ctx*/,
                                          CPktDetailLine& root) const {
    const FtpReply reply = ReadReply(in);
    auto& top = root.Add(kPrefix, Headline(reply));
    top.Add(kPrefix, Fmt(" Reply Data = '%s'", reply.line.c_str()));
    top.Add(kPrefix, Fmt(" Reply Type = %s", reply.type.c_str()));
    top.Add(kPrefix, Fmt(" Reply Description = %s", reply.description.c_str()));
    return PROTO_NONE;
}

ProtoCode CPktFTPReplyParser::ParseSummary(core::ByteReader& in, CPktParseContext& /*ctx*/,
                                           SummaryTexts& out) const {
    const FtpReply reply = ReadReply(in);
    out.summary.assign(kPrefix);
    out.summary += Headline(reply);
    return PROTO_NONE;
}

}  // namespace decode::app
