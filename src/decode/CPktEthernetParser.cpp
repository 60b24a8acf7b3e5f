// Ethernet II header: 6-byte destination, 6-byte source, 16-bit type (big-endian).
#include "decode/CPktEthernetParser.h"

#include <algorithm>

#include "core/Printf.h"
#include "decode/StationText.h"
#include "decode/TextAppend.h"

namespace decode {

namespace {

constexpr std::string_view kPrefix = "ETHERNET: ";
constexpr std::size_t kHeaderLength = 14;
// The group bit is the lowest bit of the first byte; broadcast counts as multicast.
std::string GroupBitLine(std::uint8_t firstByte) {
    return (firstByte & 0x01U) != 0 ? " .......1 = Multicast address" : " .......0 = Individual address";
}

}  // namespace

std::optional<CPktEthernetParser::Header> CPktEthernetParser::ReadHeader(core::ByteReader& in,
                                                                         CPktParseContext& ctx) noexcept {
    if (in.Remaining() < kHeaderLength) return std::nullopt;
    Header h;
    const auto destination = in.Bytes(6);
    const auto source = in.Bytes(6);
    std::copy(destination.begin(), destination.end(), h.destination.begin());
    std::copy(source.begin(), source.end(), h.source.begin());
    h.type = in.Be16();
    ctx.linkType = h.type;
    ctx.sourceMac = tables::CPktEtherAddr(std::span<const std::uint8_t, 6>(h.source));
    ctx.destinationMac = tables::CPktEtherAddr(std::span<const std::uint8_t, 6>(h.destination));
    ctx.macsRead = true;
    return h;
}

ProtoCode CPktEthernetParser::Parse(core::ByteReader& in, CPktParseContext& ctx) const {
    const auto h = ReadHeader(in, ctx);
    return h ? TypeToCode(h->type) : PROTO_NONE;
}

ProtoCode CPktEthernetParser::ParseSummary(core::ByteReader& in, CPktParseContext& ctx, SummaryTexts& out) const {
    const auto h = ReadHeader(in, ctx);
    out.summary.append(kPrefix);
    if (!h) {
        out.summary.append(" ERROR !");
        return PROTO_NONE;
    }
    AppendStation(out.destination, EtherNums(), h->destination);
    AppendStation(out.source, EtherNums(), h->source);
    out.summary.append(" ETYPE = 0x");
    AppendHex(out.summary, h->type, 4);
    out.summary.append(" : Protocol = ");
    out.summary.append(TypeName(h->type));
    return TypeToCode(h->type);
}

ProtoCode CPktEthernetParser::ParseDetail(core::ByteReader& in, CPktParseContext& ctx, CPktDetailLine& root) const {
    const std::size_t remaining = in.Remaining();
    const auto h = ReadHeader(in, ctx);
    if (!h) {
        // Too short for a header: say so, read nothing, end the chain.
        root.Add(kPrefix, " ERROR !");
        return PROTO_NONE;
    }
    const std::string& typeName = TypeName(h->type);

    CPktDetailLine& top =
        root.Add(kPrefix, core::Printf(" ETYPE = 0x%.4X : Protocol = %s", unsigned{h->type}, typeName.c_str()));
    const auto addAddress = [&](const char* label, const std::array<std::uint8_t, 6>& a, std::size_t at) {
        CPktDetailLine& line =
            top.Add(kPrefix,
                    core::Printf(" %s address = %.2X%.2X%.2X%.2X%.2X%.2X", label, unsigned{a[0]}, unsigned{a[1]},
                                 unsigned{a[2]}, unsigned{a[3]}, unsigned{a[4]}, unsigned{a[5]}),
                    in.Slice(at, 6));
        line.Add(kPrefix, GroupBitLine(a[0]), in.Slice(at, 1));
        line.Add(kPrefix, VendorLine(EtherNums(), a), in.Slice(at, 3));
    };
    addAddress("Destination", h->destination, 0);
    addAddress("Source", h->source, 6);
    top.Add(kPrefix, core::Printf(" Ethernet type = 0x%.4X (%s)", unsigned{h->type}, typeName.c_str()),
            in.Slice(12, 2));
    const auto rest = static_cast<unsigned>(remaining - kHeaderLength);
    top.Add(kPrefix, core::Printf(" Number of data bytes remaining = %u (0x%X)", rest, rest));
    return TypeToCode(h->type);
}

}  // namespace decode
