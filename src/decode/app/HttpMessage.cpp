// Request and status line readers, the header block reader and the header nodes.
#include "decode/app/HttpMessage.h"

#include "core/Printf.h"
#include "decode/app/LineProtocol.h"

namespace decode::app {

namespace {

constexpr std::string_view kStatusStart = "HTTP/";
constexpr std::uint8_t kCr = '\r';
constexpr std::uint8_t kLf = '\n';

// The text before the first space (all of it without a space) and the text after that space
// (again all of it without a space).
void SplitToken(std::string_view text, std::string& token, std::string_view& rest) {
    const auto space = text.find(' ');
    if (space == std::string_view::npos) {
        token.assign(text);
        rest = text;
    } else {
        token.assign(text.substr(0, space));
        rest = text.substr(space + 1);
    }
}

void SplitLine(std::string_view line, std::string& first, std::string& second, std::string& third) {
    std::string_view rest;
    SplitToken(line, first, rest);
    std::string_view last;
    SplitToken(rest, second, last);
    third.assign(last);
}

// Lines end at an LF that follows a CR; a CR elsewhere is dropped and a bare LF ignored. An
// empty line ends the block; a line still open when the data ends is dropped.
void ReadHeaderBlock(core::ByteReader& in, std::vector<HttpHeader>* headers) {
    const auto rest = in.Rest();
    std::string current;
    bool crSeen = false;
    std::size_t start = 0;  // of the line in hand
    std::size_t i = 0;
    while (i < rest.size()) {
        const std::uint8_t b = rest[i++];
        if (current.empty() && (b == kCr || b == kLf)) start = i;  // a line's bytes start at its text
        if (b == kCr) {
            crSeen = true;
        } else if (b == kLf) {
            if (!crSeen) continue;
            if (current.empty()) break;
            std::size_t end = i - 1;
            while (end > start && rest[end - 1] == kCr) --end;
            if (headers != nullptr) headers->push_back({current, rest.subspan(start, end - start)});
            current.clear();
            crSeen = false;
            start = i;
        } else {
            current.push_back(static_cast<char>(b));
        }
    }
    in.Skip(i);
}

}  // namespace

void ReadHttpRequest(core::ByteReader& in, HttpRequest& request, bool wantHeaders) {
    ReadFirstLine(in, request.firstLine);
    SplitLine(request.firstLine, request.method, request.uri, request.version);
    if (request.version.starts_with(kStatusStart)) ReadHeaderBlock(in, wantHeaders ? &request.headers : nullptr);
}

void ReadHttpResponse(core::ByteReader& in, HttpResponse& response, bool wantHeaders) {
    const auto rest = in.Rest();
    std::size_t i = 0;
    while (i < rest.size()) {
        const std::uint8_t b = rest[i++];
        // The first five octets must spell "HTTP/", checked before the terminator test.
        if (i <= kStatusStart.size() && b != static_cast<std::uint8_t>(kStatusStart[i - 1])) {
            in.Skip(i);
            response.statusLine = false;
            response.firstLine = "DATA";
            response.remaining = in.Remaining();
            return;
        }
        if (b == kCr || b == kLf || b == 0) break;
        response.firstLine.push_back(static_cast<char>(b));
    }
    in.Skip(i);
    SplitLine(response.firstLine, response.version, response.statusCode, response.reason);
    ReadHeaderBlock(in, wantHeaders ? &response.headers : nullptr);
}

void AddHeaderNodes(CPktDetailLine& parent, const std::vector<HttpHeader>& headers) {
    for (const auto& [header, bytes] : headers) {
        auto& node = parent.Add(kHttpPrefix, core::Printf(" Undocumented Header = %s", header.c_str()), bytes);
        const auto colon = header.find(':');
        std::string name;
        std::string value;
        std::span<const std::uint8_t> nameBytes;
        std::span<const std::uint8_t> valueBytes;
        if (colon != std::string::npos && colon > 0) {
            name = header.substr(0, colon);
            value = header.substr(colon + 1);
            // Where the text is the line byte for byte (no stray CR), its parts are too.
            if (bytes.size() == header.size()) {
                nameBytes = bytes.first(colon);
                valueBytes = bytes.subspan(colon + 1);
            }
        }
        node.Add(kHttpPrefix, core::Printf(" Undocumented Header Fieldname = %s", name.c_str()), nameBytes);
        node.Add(kHttpPrefix, core::Printf(" Undocumented Header Value = %s", value.c_str()), valueBytes);
    }
}

}  // namespace decode::app
