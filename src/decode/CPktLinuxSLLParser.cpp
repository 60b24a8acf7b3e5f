// Linux cooked capture headers (the pcap link types LINUX_SLL and LINUX_SLL2), big-endian:
//   version 1, 16 bytes: packet type (2), hardware type (2), address length (2), address (8),
//                        protocol (2);
//   version 2, 20 bytes: protocol (2), reserved (2), interface index (4), hardware type (2),
//                        packet type (1), address length (1), address (8).
#include "decode/CPktLinuxSLLParser.h"

#include <algorithm>

#include "core/Printf.h"
#include "decode/StationText.h"
#include "decode/TextAppend.h"

namespace decode {

namespace {

constexpr std::size_t kLengthV1 = 16;
constexpr std::size_t kLengthV2 = 20;

const char* PacketTypeName(std::uint16_t type) {
    switch (type) {
        case 0:
            return "Unicast to us";
        case 1:
            return "Broadcast";
        case 2:
            return "Multicast";
        case 3:
            return "Unicast to another host";
        case 4:
            return "Sent by us";
        case 5:
            return "Looped back";
        default:
            return "Unknown";
    }
}

// The Linux ARPHRD_ values a cooked capture meets most.
const char* HardwareTypeName(std::uint16_t type) {
    switch (type) {
        case 1:
            return "Ethernet";
        case 280:
            return "CAN";
        case 512:
            return "PPP";
        case 772:
            return "Loopback";
        case 776:
            return "IPv6-in-IPv4";
        case 778:
            return "GRE over IP";
        case 801:
            return "IEEE 802.11";
        case 803:
            return "IEEE 802.11 with radiotap";
        case 824:
            return "Netlink";
        case 65534:
            return "None (tunnel)";
        case 65535:
            return "Void";
        default:
            return "Unknown";
    }
}

}  // namespace

std::size_t CPktLinuxSLLParser::HeaderLength() const noexcept {
    return m_version == Version::V1 ? kLengthV1 : kLengthV2;
}

std::string_view CPktLinuxSLLParser::Prefix() const noexcept { return m_version == Version::V1 ? "SLL: " : "SLL2: "; }

std::optional<CPktLinuxSLLParser::Header> CPktLinuxSLLParser::ReadHeader(core::ByteReader& in,
                                                                         CPktParseContext& ctx) const noexcept {
    if (in.Remaining() < HeaderLength()) return std::nullopt;
    Header h;
    if (m_version == Version::V1) {
        h.packetType = in.Be16();
        h.hardwareType = in.Be16();
        h.addressLength = in.Be16();
    } else {
        h.protocol = in.Be16();
        h.reserved = in.Be16();
        h.interfaceIndex = in.Be32();
        h.hardwareType = in.Be16();
        h.packetType = in.U8();
        h.addressLength = in.U8();
    }
    const auto address = in.Bytes(h.address.size());
    std::copy(address.begin(), address.end(), h.address.begin());
    if (m_version == Version::V1) h.protocol = in.Be16();
    ctx.linkType = h.protocol;
    return h;
}

ProtoCode CPktLinuxSLLParser::Parse(core::ByteReader& in, CPktParseContext& ctx) const {
    const auto h = ReadHeader(in, ctx);
    return h ? TypeToCode(h->protocol) : PROTO_NONE;
}

ProtoCode CPktLinuxSLLParser::ParseSummary(core::ByteReader& in, CPktParseContext& ctx, SummaryTexts& out) const {
    const auto h = ReadHeader(in, ctx);
    std::string& s = out.summary;
    s.append(Prefix());
    if (!h) {
        s.append(" ERROR !");
        return PROTO_NONE;
    }
    AppendStation(out.source, EtherNums(), h->Address());
    s.append(" ETYPE = 0x");
    AppendHex(s, h->protocol, 4);
    s.append(" : Protocol = ");
    s.append(TypeName(h->protocol));
    s.append(" : ");
    s.append(PacketTypeName(h->packetType));
    return TypeToCode(h->protocol);
}

ProtoCode CPktLinuxSLLParser::ParseDetail(core::ByteReader& in, CPktParseContext& ctx, CPktDetailLine& root) const {
    const std::size_t remaining = in.Remaining();
    const auto h = ReadHeader(in, ctx);
    const std::string_view prefix = Prefix();
    if (!h) {
        root.Add(prefix, " ERROR !");
        return PROTO_NONE;
    }
    const std::string& typeName = TypeName(h->protocol);
    CPktDetailLine& top = root.Add(prefix, core::Printf(" ETYPE = 0x%.4X : Protocol = %s : %s", unsigned{h->protocol},
                                                        typeName.c_str(), PacketTypeName(h->packetType)));
    // Where each field sits: version 1 starts with the packet type, version 2 with the protocol.
    const bool v1 = m_version == Version::V1;
    top.Add(prefix, core::Printf(" Packet type = %u (%s)", unsigned{h->packetType}, PacketTypeName(h->packetType)),
            v1 ? in.Slice(0, 2) : in.Slice(10, 1));
    top.Add(prefix,
            core::Printf(" Hardware type = %u (%s)", unsigned{h->hardwareType}, HardwareTypeName(h->hardwareType)),
            in.Slice(v1 ? 2 : 8, 2));
    if (!v1) top.Add(prefix, core::Printf(" Interface index = %u", h->interfaceIndex), in.Slice(4, 4));
    CPktDetailLine& length = top.Add(prefix, core::Printf(" Address length = %u bytes", unsigned{h->addressLength}),
                                     v1 ? in.Slice(4, 2) : in.Slice(11, 1));
    if (h->addressLength > h->address.size()) length.Add(prefix, " ERROR ! The header holds only 8 address bytes");
    AddHardwareAddress(top, prefix, "Source address", EtherNums(), h->Address())
        .Describes(in.Slice(v1 ? 6 : 12, h->Address().size()));
    top.Add(prefix, core::Printf(" Protocol type = 0x%.4X (%s)", unsigned{h->protocol}, typeName.c_str()),
            in.Slice(v1 ? 14 : 0, 2));
    const auto rest = static_cast<unsigned>(remaining - HeaderLength());
    top.Add(prefix, core::Printf(" Number of data bytes remaining = %u (0x%X)", rest, rest));
    return TypeToCode(h->protocol);
}

}  // namespace decode
