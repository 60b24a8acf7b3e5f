// HTTP request decoder: the request line's three tokens and the undocumented header nodes.
#include "decode/app/CPktHTTPRequestParser.h"

#include "core/Printf.h"
#include "decode/app/HttpMessage.h"
#include "decode/app/LineProtocol.h"

namespace decode::app {

ProtoCode CPktHTTPRequestParser::Parse(core::ByteReader& in, CPktParseContext& /*ctx*/) const {
    HttpRequest request;
    ReadHttpRequest(in, request, false);
    return PROTO_NONE;
}

ProtoCode CPktHTTPRequestParser::ParseDetail(core::ByteReader& in, CPktParseContext& /*ctx*/,
                                             CPktDetailLine& root) const {
    HttpRequest request;
    ReadHttpRequest(in, request, true);
    auto& top = root.Add(kHttpPrefix, core::Printf(" Request '%s'", request.firstLine.c_str()));
    top.Add(kHttpPrefix, core::Printf(" Request Method = %s", request.method.c_str()));
    top.Add(kHttpPrefix, core::Printf(" Uniform Resource Identifier = %s", request.uri.c_str()));
    top.Add(kHttpPrefix, core::Printf(" Protocol Version = %s", request.version.c_str()));
    AddHeaderNodes(top, request.headers);
    return PROTO_NONE;
}

ProtoCode CPktHTTPRequestParser::ParseSummary(core::ByteReader& in, CPktParseContext& /*ctx*/,
                                              SummaryTexts& out) const {
    HttpRequest request;
    ReadHttpRequest(in, request, false);
    SetLineSummary(out.summary, kHttpPrefix, 'C', request.firstLine);
    return PROTO_NONE;
}

}  // namespace decode::app
