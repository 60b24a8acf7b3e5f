// IPv4 header (RFC 791): 20 fixed bytes, options stepped over, never shown.
#include "decode/CPktIPv4Parser.h"

#include <algorithm>

#include "core/Printf.h"
#include "decode/TextAppend.h"

namespace decode {

namespace {

constexpr std::string_view kPrefix = "IPv4: ";
constexpr std::uint32_t kFixedLength = 20;

constexpr const char* kPrecedence[8] = {
    " 000..... = Routine",
    " 001..... = Priority",
    " 010..... = Immediate",
    " 011..... = Flash",
    " 100..... = Flash Override",
    " 101..... = CRITIC/ECP",
    " 110..... = Internetwork Control",
    " 111..... = Network Control",
};

const char* Pick(bool set, const char* whenSet, const char* whenClear) { return set ? whenSet : whenClear; }

}  // namespace

std::optional<CPktIPv4Parser::Header> CPktIPv4Parser::ReadHeader(core::ByteReader& in, CPktParseContext& ctx) noexcept {
    const std::size_t remaining = in.Remaining();
    if (remaining < kFixedLength) return std::nullopt;
    Header h;
    h.versionAndLength = in.U8();
    h.serviceType = in.U8();
    h.totalLength = in.Be16();
    h.identification = in.Be16();
    h.flagsAndOffset = in.Be16();
    h.timeToLive = in.U8();
    h.protocol = in.U8();
    h.checksum = in.Be16();
    h.source = in.Be32();
    h.destination = in.Be32();
    const std::uint32_t headerLength = h.HeaderLength();
    if (headerLength > kFixedLength && headerLength <= remaining) in.Skip(headerLength - kFixedLength);
    // A total length of 0 is what segmentation offload leaves in a captured outgoing
    // datagram: the payload is then what the frame holds. Any other total length below the
    // header length leaves no payload rather than four billion bytes of it.
    ctx.ipVersion = 4;
    ctx.ipSource = h.source;
    ctx.ipDestination = h.destination;
    ctx.ipv4AddressesRead = true;
    ctx.ipProtocol = h.protocol;
    ctx.ipFragment = h.MoreFragments();
    ++ctx.ipDepth;
    ctx.ipLengthFromCapture = h.totalLength == 0;
    if (ctx.ipLengthFromCapture) {
        ctx.ipPayloadLength = remaining > headerLength ? static_cast<std::uint32_t>(remaining) - headerLength : 0;
    } else {
        ctx.ipPayloadLength = h.totalLength >= headerLength ? h.totalLength - headerLength : 0;
    }
    return h;
}

ProtoCode CPktIPv4Parser::NextCode(const Header& h, const CPktParseContext& ctx) noexcept {
    return h.FragmentOffset() != 0 ? PROTO_NONE : NextAfterIp(h.protocol, ctx);
}

ProtoCode CPktIPv4Parser::Parse(core::ByteReader& in, CPktParseContext& ctx) const {
    const auto h = ReadHeader(in, ctx);
    return h ? NextCode(*h, ctx) : PROTO_NONE;
}

ProtoCode CPktIPv4Parser::ParseSummary(core::ByteReader& in, CPktParseContext& ctx, SummaryTexts& out) const {
    const auto h = ReadHeader(in, ctx);
    if (!h) {
        out.summary.append("IPv4: ERROR !");
        return PROTO_NONE;
    }
    out.summary.append("IPv4:  Protocol = ");
    AppendDec(out.summary, h->protocol);
    out.summary.append(" (");
    out.summary.append(ProtocolKeyword(h->protocol));
    out.summary.push_back(')');
    if (h->FragmentOffset() != 0) {
        out.summary.append(" : Fragment offset = ");
        AppendDec(out.summary, h->FragmentOffset());
        out.summary.append(h->MoreFragments() ? " : More Fragments" : " : Last Fragment");
    }
    AppendDotted(out.source, h->source);
    AppendDotted(out.destination, h->destination);
    return NextCode(*h, ctx);
}

ProtoCode CPktIPv4Parser::ParseDetail(core::ByteReader& in, CPktParseContext& ctx, CPktDetailLine& root) const {
    const auto layer = in.Rest();
    const std::size_t remaining = layer.size();
    const auto h = ReadHeader(in, ctx);
    if (!h) return PROTO_NONE;

    const int headerLength = static_cast<int>(h->HeaderLength());
    const std::string& description = ProtocolDescription(h->protocol);
    CPktDetailLine& top =
        root.Add(kPrefix, core::Printf(" ID = 0x%X : Protocol = %s : Len = %u", unsigned{h->identification},
                                       description.c_str(), unsigned{h->totalLength}));
    top.Add(kPrefix, core::Printf(" Version = %d", h->versionAndLength >> 4), in.Slice(0, 1));
    top.Add(kPrefix,
            core::Printf(" Header length = %d (0x%X) bytes", headerLength, static_cast<unsigned>(headerLength)),
            in.Slice(0, 1));

    const unsigned tos = h->serviceType;
    CPktDetailLine& service = top.Add(kPrefix, core::Printf(" Service Type = %u (0x%X)", tos, tos), in.Slice(1, 1));
    service.Add(kPrefix, kPrecedence[tos >> 5], in.Slice(1, 1));
    service.Add(kPrefix, Pick((tos & 0x10U) != 0, " ...1.... = Low Delay", " ...0.... = Normal Delay"), in.Slice(1, 1));
    service.Add(kPrefix, Pick((tos & 0x08U) != 0, " ....1... = Low Throughput", " ....0... = Normal Throughput"),
                in.Slice(1, 1));
    service.Add(kPrefix, Pick((tos & 0x04U) != 0, " .....1.. = High Reliability", " .....0.. = Normal Reliability"),
                in.Slice(1, 1));

    top.Add(kPrefix, core::Printf(" Total length = %d (0x%X)", int{h->totalLength}, unsigned{h->totalLength}),
            in.Slice(2, 2));
    top.Add(kPrefix, core::Printf(" Identification = %d (0x%X)", int{h->identification}, unsigned{h->identification}),
            in.Slice(4, 2));
    // The format really does end in "XX": the hex value is followed by a literal X.
    const unsigned flags = h->flagsAndOffset >> 12U;
    CPktDetailLine& flagLine =
        top.Add(kPrefix, core::Printf(" Flags Summary = %d (0x%XX)", static_cast<int>(flags), flags), in.Slice(6, 1));
    flagLine.Add(kPrefix,
                 Pick((h->flagsAndOffset & 0x2000U) != 0, " ..1..... = More Fragments", " ..0..... = Last Fragment"),
                 in.Slice(6, 1));
    flagLine.Add(kPrefix,
                 Pick((h->flagsAndOffset & 0x4000U) != 0, " .1...... = Don't Fragment", " .0...... = May Fragment"),
                 in.Slice(6, 1));
    const unsigned offset = h->FragmentOffset();
    CPktDetailLine& offsetLine = top.Add(
        kPrefix, core::Printf(" Fragment offset = %d (0x%X) bytes", static_cast<int>(offset), offset), in.Slice(6, 2));
    if (offset != 0) offsetLine.Add(kPrefix, " Not the first fragment: its data is not decoded further");
    top.Add(kPrefix,
            core::Printf(" Time to live = %d (0x%X) seconds/hops", int{h->timeToLive}, unsigned{h->timeToLive}),
            in.Slice(8, 1));
    top.Add(kPrefix, core::Printf(" Protocol = %d (%s)", int{h->protocol}, description.c_str()), in.Slice(9, 1));

    // A header cut short by the capture, or one whose total length the network card was
    // still to fill in (its checksum too), cannot be checked.
    const char* verdict = "not verified";
    if (remaining >= h->HeaderLength() && !ctx.ipLengthFromCapture)
        verdict = HeaderChecksumOk(layer.first(h->HeaderLength())) ? "OK" : "ERROR";
    top.Add(kPrefix, core::Printf(" Checksum = 0x%.4X (%s)", unsigned{h->checksum}, verdict), in.Slice(10, 2));

    std::string source = " Source address = ";
    AppendDotted(source, h->source);
    top.Add(kPrefix, std::move(source), in.Slice(12, 4));
    std::string destination = " Destination address = ";
    AppendDotted(destination, h->destination);
    top.Add(kPrefix, std::move(destination), in.Slice(16, 4));
    const int rest = static_cast<int>(remaining) - headerLength;
    top.Add(kPrefix, core::Printf(" Number of data bytes remaining %d (0x%X)", rest, static_cast<unsigned>(rest)));
    return NextCode(*h, ctx);
}

}  // namespace decode
