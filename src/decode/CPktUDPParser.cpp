// UDP header (RFC 768): four 16-bit fields. The length field is shown, not trusted: the
// payload handed on is what the frame holds. Over IPv6, where the checksum is mandatory
// (RFC 8200 8.1), it is verified.
#include "decode/CPktUDPParser.h"

#include "core/Printf.h"
#include "decode/CPktNetworkParser.h"
#include "decode/TextAppend.h"

namespace decode {

namespace {
constexpr std::string_view kPrefix = "UDP: ";
constexpr std::size_t kHeaderLength = 8;
constexpr std::uint8_t kIpProtocolUdp = 17;
}  // namespace

std::optional<CPktUDPParser::Header> CPktUDPParser::ReadHeader(core::ByteReader& in, CPktParseContext& ctx) noexcept {
    if (in.Remaining() < kHeaderLength) return std::nullopt;
    Header h;
    h.sourcePort = in.Be16();
    h.destinationPort = in.Be16();
    h.length = in.Be16();
    h.checksum = in.Be16();
    ctx.sourcePort = h.sourcePort;
    ctx.destinationPort = h.destinationPort;
    ctx.portsFrom = PROTO_UDP;
    return h;
}

ProtoCode CPktUDPParser::Parse(core::ByteReader& in, CPktParseContext& ctx) const {
    const auto h = ReadHeader(in, ctx);
    return h ? PortsToCode(h->sourcePort, h->destinationPort) : PROTO_NONE;
}

ProtoCode CPktUDPParser::ParseSummary(core::ByteReader& in, CPktParseContext& ctx, SummaryTexts& out) const {
    const auto h = ReadHeader(in, ctx);
    std::string& s = out.summary;
    if (!h) {
        // Too short for the ports and length: say so as TCP does, read nothing.
        s.append("UDP:  ERROR !");
        return PROTO_NONE;
    }
    s.append("UDP:  S=");
    AppendDec(s, h->sourcePort);
    s.append(" D=");
    AppendDec(s, h->destinationPort);
    s.append(" LEN=");
    AppendDec(s, h->length);
    return PortsToCode(h->sourcePort, h->destinationPort);
}

ProtoCode CPktUDPParser::ParseDetail(core::ByteReader& in, CPktParseContext& ctx, CPktDetailLine& root) const {
    const auto datagram = in.Rest();
    const std::size_t remaining = datagram.size();
    const auto h = ReadHeader(in, ctx);
    if (!h) return PROTO_NONE;
    const unsigned src = h->sourcePort;
    const unsigned dst = h->destinationPort;
    CPktDetailLine& top = root.Add(
        kPrefix, core::Printf(" Src Port = %u (%s) : Dst Port = %u (%s)", src, UdpPortKeyword(h->sourcePort).c_str(),
                              dst, UdpPortKeyword(h->destinationPort).c_str()));
    top.Add(kPrefix,
            core::Printf(" Source port = %d (%s)", static_cast<int>(src), UdpPortDescription(h->sourcePort).c_str()),
            in.Slice(0, 2));
    top.Add(kPrefix,
            core::Printf(" Destination port = %d (%s)", static_cast<int>(dst),
                         UdpPortDescription(h->destinationPort).c_str()),
            in.Slice(2, 2));
    top.Add(kPrefix, core::Printf(" Length = %d (0x%X) bytes", int{h->length}, unsigned{h->length}), in.Slice(4, 2));
    std::string checksum = core::Printf(" Checksum = 0x%.4X", unsigned{h->checksum});
    if (ctx.ipVersion == 6) checksum += core::Printf(" (%s)", TransportChecksumVerdict(ctx, kIpProtocolUdp, datagram));
    top.Add(kPrefix, std::move(checksum), in.Slice(6, 2));
    const auto rest = static_cast<unsigned>(remaining - kHeaderLength);
    top.Add(kPrefix, core::Printf(" Number of data bytes remaining %u (0x%X)", rest, rest));
    return PortsToCode(h->sourcePort, h->destinationPort);
}

}  // namespace decode
