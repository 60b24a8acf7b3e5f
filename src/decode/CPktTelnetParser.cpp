// Telnet: only the first line of a segment is read; options and commands are not decoded.
#include "decode/CPktTelnetParser.h"

namespace decode {

std::span<const std::uint8_t> CPktTelnetParser::ReadLine(core::ByteReader& in) noexcept {
    const auto rest = in.Rest();
    std::size_t n = 0;
    while (n < rest.size() && rest[n] != '\r' && rest[n] != '\n' && rest[n] != '\0') ++n;
    const auto text = in.Bytes(n);
    if (n < rest.size()) in.Skip(1);  // the terminator
    return text;
}

ProtoCode CPktTelnetParser::Parse(core::ByteReader& in, CPktParseContext& /*ctx*/) const {
    ReadLine(in);
    return PROTO_NONE;
}

ProtoCode CPktTelnetParser::ParseInfo(core::ByteReader& in, CPktParseContext& /*ctx*/) const {
    ReadLine(in);
    return PROTO_NONE;
}

ProtoCode CPktTelnetParser::ParseSummary(core::ByteReader& in, CPktParseContext& /*ctx*/, SummaryTexts& out) const {
    const auto line = ReadLine(in);
    out.summary.append("TELNET:  [");
    out.summary.append(line.begin(), line.end());
    out.summary.push_back(']');
    return PROTO_NONE;
}

}  // namespace decode
