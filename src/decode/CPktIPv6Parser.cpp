// IPv6 header (RFC 8200): version, traffic class, flow label, payload length, next header,
// hop limit and the two 16-byte addresses, then the extension header chain.
#include "decode/CPktIPv6Parser.h"

#include <algorithm>

#include "core/Printf.h"
#include "decode/TextAppend.h"

namespace decode {

namespace {

constexpr std::string_view kPrefix = "IPv6: ";
constexpr std::size_t kFixedLength = 40;

// The DSCP names of RFC 2474, 2597, 3246 and 5865.
std::string DscpName(unsigned dscp) {
    if (dscp == 0) return "Default";
    if (dscp == 46) return "Expedited forwarding";
    if (dscp == 44) return "Voice admit";
    if ((dscp & 7U) == 0) return core::Printf("Class selector %u", dscp >> 3U);
    const unsigned cls = dscp >> 3U;
    const unsigned drop = (dscp >> 1U) & 3U;
    if ((dscp & 1U) == 0 && cls >= 1 && cls <= 4 && drop >= 1)
        return core::Printf("Assured forwarding %u%u", cls, drop);
    return "Unassigned";
}

const char* EcnName(unsigned ecn) {
    static constexpr const char* kNames[4] = {"Not ECN-capable", "ECN-capable (1)", "ECN-capable (0)",
                                              "Congestion experienced"};
    return kNames[ecn & 3U];
}

std::string BitText(unsigned value, unsigned bits) {
    std::string text;
    for (unsigned i = bits; i > 0; --i) text.push_back(((value >> (i - 1)) & 1U) != 0 ? '1' : '0');
    return text;
}

}  // namespace

std::optional<CPktIPv6Parser::Header> CPktIPv6Parser::ReadHeader(core::ByteReader& in) noexcept {
    if (in.Remaining() < kFixedLength) return std::nullopt;
    Header h;
    h.versionClassFlow = in.Be32();
    h.payloadLength = in.Be16();
    h.nextHeader = in.U8();
    h.hopLimit = in.U8();
    const auto source = in.Bytes(16);
    const auto destination = in.Bytes(16);
    std::copy(source.begin(), source.end(), h.source.begin());
    std::copy(destination.begin(), destination.end(), h.destination.begin());
    return h;
}

void CPktIPv6Parser::Tell(const Header& h, const Ipv6Chain& chain, std::size_t afterHeader,
                          CPktParseContext& ctx) noexcept {
    ctx.ipVersion = 6;
    ctx.ipv6Source = h.source;
    ctx.ipv6Destination = h.destination;
    ctx.ipv6AddressesRead = true;
    ctx.ipProtocol = chain.protocol;
    ++ctx.ipDepth;
    // Only a first fragment with more to come hands a transport header on, cut short.
    ctx.ipFragment = chain.fragment && chain.moreFragments;
    std::uint32_t length = h.payloadLength;
    if (length == 0 && chain.jumbo) length = chain.jumboLength;
    // A payload length of 0 without a jumbo option is a segment the network card was to
    // size: the payload is what the frame holds.
    ctx.ipLengthFromCapture = length == 0;
    if (ctx.ipLengthFromCapture) length = static_cast<std::uint32_t>(afterHeader);
    ctx.ipPayloadLength = length > chain.length ? length - static_cast<std::uint32_t>(chain.length) : 0;
}

ProtoCode CPktIPv6Parser::NextCode(const Ipv6Chain& chain, const CPktParseContext& ctx) noexcept {
    if (chain.fault != Ipv6Chain::Fault::None) return PROTO_NONE;
    if (chain.fragment && chain.fragmentOffset != 0) return PROTO_NONE;
    return NextAfterIp(chain.protocol, ctx);
}

ProtoCode CPktIPv6Parser::Parse(core::ByteReader& in, CPktParseContext& ctx) const {
    const auto h = ReadHeader(in);
    if (!h) return PROTO_NONE;
    const std::size_t afterHeader = in.Remaining();
    const Ipv6Chain chain = ReadIpv6Extensions(in, h->nextHeader, nullptr, *m_protocols);
    Tell(*h, chain, afterHeader, ctx);
    return NextCode(chain, ctx);
}

ProtoCode CPktIPv6Parser::ParseSummary(core::ByteReader& in, CPktParseContext& ctx, SummaryTexts& out) const {
    const auto h = ReadHeader(in);
    if (!h) {
        out.summary.append("IPv6: ERROR !");
        return PROTO_NONE;
    }
    const std::size_t afterHeader = in.Remaining();
    const Ipv6Chain chain = ReadIpv6Extensions(in, h->nextHeader, nullptr, *m_protocols);
    Tell(*h, chain, afterHeader, ctx);
    std::string& s = out.summary;
    s.append("IPv6:  Protocol = ");
    AppendDec(s, chain.protocol);
    s.append(" (");
    s.append(ProtocolKeyword(chain.protocol));
    s.push_back(')');
    if (chain.fault != Ipv6Chain::Fault::None) {
        s.append(chain.fault == Ipv6Chain::Fault::TooMany ? " : ERROR ! Too many extension headers"
                                                          : " : ERROR ! Extension header cut short");
    } else if (chain.fragment && chain.fragmentOffset != 0) {
        s.append(" : Fragment offset = ");
        AppendDec(s, chain.fragmentOffset);
        s.append(chain.moreFragments ? " : More Fragments" : " : Last Fragment");
    }
    AppendIPv6(out.source, h->source);
    AppendIPv6(out.destination, h->destination);
    return NextCode(chain, ctx);
}

void CPktIPv6Parser::AddFixedLines(CPktDetailLine& top, const Header& h, const core::ByteReader& in) const {
    top.Add(kPrefix, core::Printf(" Version = %u", h.Version()), in.Slice(0, 1));
    const unsigned tc = h.TrafficClass();
    CPktDetailLine& tcLine = top.Add(kPrefix, core::Printf(" Traffic class = %u (0x%.2X)", tc, tc), in.Slice(0, 2));
    const std::string dscp = DscpName(tc >> 2U);
    tcLine.Add(kPrefix, core::Printf(" %s.. = DSCP %u (%s)", BitText(tc >> 2U, 6).c_str(), tc >> 2U, dscp.c_str()),
               in.Slice(0, 2));
    tcLine.Add(kPrefix, core::Printf(" ......%s = %s", BitText(tc & 3U, 2).c_str(), EcnName(tc)), in.Slice(1, 1));
    top.Add(kPrefix, core::Printf(" Flow label = %u (0x%.5X)", h.FlowLabel(), h.FlowLabel()), in.Slice(1, 3));
    top.Add(kPrefix, core::Printf(" Payload length = %u (0x%X)", unsigned{h.payloadLength}, unsigned{h.payloadLength}),
            in.Slice(4, 2));
    top.Add(kPrefix,
            core::Printf(" Next header = %u (%s)", unsigned{h.nextHeader}, ProtocolDescription(h.nextHeader).c_str()),
            in.Slice(6, 1));
    top.Add(kPrefix, core::Printf(" Hop limit = %u", unsigned{h.hopLimit}), in.Slice(7, 1));
    std::string source = " Source address = ";
    AppendIPv6(source, h.source);
    top.Add(kPrefix, std::move(source), in.Slice(8, 16));
    std::string destination = " Destination address = ";
    AppendIPv6(destination, h.destination);
    top.Add(kPrefix, std::move(destination), in.Slice(24, 16));
}

ProtoCode CPktIPv6Parser::ParseDetail(core::ByteReader& in, CPktParseContext& ctx, CPktDetailLine& root) const {
    const std::size_t remaining = in.Remaining();
    const auto h = ReadHeader(in);
    if (!h) {
        root.Add(kPrefix, " ERROR ! Header cut short");
        return PROTO_NONE;
    }
    // The headline names the upper-layer protocol, known only once the chain is read: the
    // chain's lines go below a placeholder that takes the fixed lines' place afterwards.
    CPktDetailLine chainLines = root.Holder();
    const std::size_t afterHeader = in.Remaining();
    const Ipv6Chain chain = ReadIpv6Extensions(in, h->nextHeader, &chainLines, *m_protocols);
    Tell(*h, chain, afterHeader, ctx);

    CPktDetailLine& top =
        root.Add(kPrefix, core::Printf(" Flow label = 0x%.5X : Protocol = %s : Len = %u", h->FlowLabel(),
                                       ProtocolDescription(chain.protocol).c_str(), unsigned{h->payloadLength}));
    AddFixedLines(top, *h, in);
    top.Adopt(chainLines);
    const int rest = static_cast<int>(remaining - kFixedLength - chain.length);
    top.Add(kPrefix, core::Printf(" Number of data bytes remaining %d (0x%X)", rest, static_cast<unsigned>(rest)));
    return NextCode(chain, ctx);
}

}  // namespace decode
