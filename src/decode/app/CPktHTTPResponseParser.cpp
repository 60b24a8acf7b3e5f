// HTTP response decoder: the status line's three tokens and the undocumented header nodes, or
// "DATA" for a segment that continues a body.
#include "decode/app/CPktHTTPResponseParser.h"

#include "core/Printf.h"
#include "decode/app/HttpMessage.h"
#include "decode/app/LineProtocol.h"

namespace decode::app {

ProtoCode CPktHTTPResponseParser::Parse(core::ByteReader& in, CPktParseContext& /*ctx*/) const {
    HttpResponse response;
    ReadHttpResponse(in, response, false);
    return PROTO_NONE;
}

ProtoCode CPktHTTPResponseParser::ParseDetail(core::ByteReader& in, CPktParseContext& /*ctx*/,
                                              CPktDetailLine& root) const {
    HttpResponse response;
    ReadHttpResponse(in, response, true);
    auto& top = root.Add(kHttpPrefix, core::Printf(" Response '%s'", response.firstLine.c_str()));
    if (!response.statusLine) {
        const auto remaining = static_cast<unsigned>(response.remaining);
        top.Add(kHttpPrefix, core::Printf(" Number of data bytes remaining = %u (0x%X)", remaining, remaining));
        return PROTO_NONE;
    }
    top.Add(kHttpPrefix, core::Printf(" Protocol Version = %s", response.version.c_str()));
    top.Add(kHttpPrefix, core::Printf(" Status Code = %s", response.statusCode.c_str()));
    top.Add(kHttpPrefix, core::Printf(" Reason = %s", response.reason.c_str()));
    AddHeaderNodes(top, response.headers);
    return PROTO_NONE;
}

ProtoCode CPktHTTPResponseParser::ParseSummary(core::ByteReader& in, CPktParseContext& /*ctx*/,
                                               SummaryTexts& out) const {
    HttpResponse response;
    ReadHttpResponse(in, response, false);
    SetLineSummary(out.summary, kHttpPrefix, 'R', response.firstLine);
    return PROTO_NONE;
}

}  // namespace decode::app
