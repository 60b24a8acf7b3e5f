// FTP reply decoder: the first line, classified by the first two digits of its code.
#include "decode/app/CPktFTPReplyParser.h"

#include <array>

#include "core/Printf.h"
#include "decode/app/LineProtocol.h"

namespace decode::app {

namespace {

constexpr std::string_view kPrefix = "FTP: ";

struct FtpReply {
    std::string line;
    std::string_view type = "Unknown";
    std::string_view description = "Unknown";
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

// " R = '%s' (%s)", built in place for the summary chain.
void AppendHeadline(std::string& out, const FtpReply& reply) {
    out += " R = '";
    out += reply.line;
    out += "' (";
    out += reply.description;
    out += ')';
}

}  // namespace

ProtoCode CPktFTPReplyParser::Parse(core::ByteReader& in, CPktParseContext& /*ctx*/) const {
    std::string line;
    ReadFirstLine(in, line);
    return PROTO_NONE;
}

ProtoCode CPktFTPReplyParser::ParseDetail(core::ByteReader& in, CPktParseContext& /*ctx*/, CPktDetailLine& root) const {
    const FtpReply reply = ReadReply(in);
    std::string headline;
    AppendHeadline(headline, reply);
    auto& top = root.Add(kPrefix, std::move(headline));
    top.Add(kPrefix, core::Printf(" Reply Data = '%s'", reply.line.c_str()), FirstLineBytes(in));
    top.Add(kPrefix, " Reply Type = " + std::string(reply.type));
    top.Add(kPrefix, " Reply Description = " + std::string(reply.description));
    return PROTO_NONE;
}

ProtoCode CPktFTPReplyParser::ParseSummary(core::ByteReader& in, CPktParseContext& /*ctx*/, SummaryTexts& out) const {
    const FtpReply reply = ReadReply(in);
    out.summary.assign(kPrefix);
    AppendHeadline(out.summary, reply);
    return PROTO_NONE;
}

}  // namespace decode::app
