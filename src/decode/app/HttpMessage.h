// The start of an HTTP message as the two HTTP decoders read it: the request or status line,
// its three tokens, and the header block that follows (header fields are not interpreted).
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/ByteReader.h"
#include "decode/CPktDetailLine.h"

namespace decode::app {

inline constexpr std::string_view kHttpPrefix = "HTTP: ";

// A header line's text (stray CRs left out) and the bytes of the line, its end left out.
struct HttpHeader {
    std::string text;
    std::span<const std::uint8_t> bytes;
};

struct HttpRequest {
    std::string firstLine;
    std::string uri;
    std::string method;
    std::string version;
    std::vector<HttpHeader> headers;
};

struct HttpResponse {
    std::string firstLine;  // "DATA" when the segment does not start with "HTTP/"
    std::string version;
    std::string statusCode;
    std::string reason;
    std::vector<HttpHeader> headers;
    bool statusLine = true;     // the segment starts with "HTTP/" (or ends before five octets)
    std::size_t remaining = 0;  // octets left after a failed status-line check
};

// The headers are collected only when wanted; the cursor moves past them either way.
void ReadHttpRequest(core::ByteReader& in, HttpRequest& request, bool wantHeaders);
void ReadHttpResponse(core::ByteReader& in, HttpResponse& response, bool wantHeaders);

// One " Undocumented Header = %s" node per header line, with its field name and value.
void AddHeaderNodes(CPktDetailLine& parent, const std::vector<HttpHeader>& headers);

}  // namespace decode::app
