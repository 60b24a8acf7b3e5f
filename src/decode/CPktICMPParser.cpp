// ICMP (RFC 792) and ICMPv6 (RFC 4443): type (1), code (1), checksum (2), then four bytes
// whose meaning depends on the type, then the body. ICMPv6's checksum covers the IPv6
// pseudo-header as well; ICMP's covers the message alone.
#include "decode/CPktICMPParser.h"

#include <algorithm>

#include "core/Printf.h"
#include "decode/CPktNetworkParser.h"
#include "decode/IcmpNames.h"
#include "decode/IcmpQuote.h"
#include "decode/NeighbourDiscovery.h"
#include "decode/StationText.h"
#include "decode/TextAppend.h"

namespace decode {

namespace {

constexpr std::size_t kMinimumLength = 4;
constexpr std::size_t kHeaderLength = 8;
constexpr std::uint8_t kProtocolIcmpv6 = 58;

enum Type4 : std::uint8_t {
    kEchoReply = 0,
    kUnreachable = 3,
    kSourceQuench = 4,
    kRedirect = 5,
    kEchoRequest = 8,
    kRouterAdvert = 9,
    kTimeExceeded = 11,
    kParameterProblem = 12,
    kTimestamp = 13,
    kTimestampReply = 14,
    kInfoRequest = 15,
    kInfoReply = 16,
    kMaskRequest = 17,
    kMaskReply = 18,
};
enum Type6 : std::uint8_t {
    kUnreachable6 = 1,
    kTooBig6 = 2,
    kTimeExceeded6 = 3,
    kParameterProblem6 = 4,
    kEchoRequest6 = 128,
    kEchoReply6 = 129,
    kListenerQuery6 = 130,
    kListenerReport6 = 131,
    kListenerDone6 = 132,
    kRouterSolicitation6 = 133,
    kRouterAdvert6 = 134,
    kNeighborSolicitation6 = 135,
    kNeighborAdvert6 = 136,
    kRedirect6 = 137,
    kListenerReport2v6 = 143,
};
constexpr std::uint8_t kFragmentationNeeded = 4;

std::string_view Prefix(bool v6) { return v6 ? "ICMPv6: " : "ICMP: "; }

// Messages that carry an identifier and a sequence number in bytes 4 to 7.
bool HasIdentifier(bool v6, std::uint8_t type) {
    if (v6) return type == kEchoRequest6 || type == kEchoReply6;
    switch (type) {
        case kEchoReply:
        case kEchoRequest:
        case kTimestamp:
        case kTimestampReply:
        case kInfoRequest:
        case kInfoReply:
        case kMaskRequest:
        case kMaskReply:
            return true;
        default:
            return false;
    }
}

// Error messages, which quote the datagram that caused them.
bool QuotesDatagram(bool v6, std::uint8_t type) {
    if (v6) return type >= kUnreachable6 && type <= kParameterProblem6;
    return type == kUnreachable || type == kSourceQuench || type == kRedirect || type == kTimeExceeded ||
           type == kParameterProblem;
}

bool IsNeighbourDiscovery(bool v6, std::uint8_t type) {
    return v6 && type >= kRouterSolicitation6 && type <= kRedirect6;
}

// The target address of a neighbour solicitation, advertisement or redirect; empty for others.
std::span<const std::uint8_t> NdTarget(std::span<const std::uint8_t> body, std::uint8_t type) {
    const bool hasTarget = type == kNeighborSolicitation6 || type == kNeighborAdvert6 || type == kRedirect6;
    return hasTarget && body.size() >= 16 ? body.first(16) : std::span<const std::uint8_t>{};
}

// Bytes of the body before the options of a neighbour discovery message.
std::size_t NdFixedLength(std::uint8_t type) {
    switch (type) {
        case kRouterAdvert6:
            return 8;
        case kNeighborSolicitation6:
        case kNeighborAdvert6:
            return 16;
        case kRedirect6:
            return 32;
        default:
            return 0;
    }
}

void AppendAddress6(std::string& out, std::span<const std::uint8_t> bytes) {
    if (bytes.size() == 16) AppendIPv6(out, bytes.first<16>());
}

std::string Address6Line(const char* label, std::span<const std::uint8_t> bytes) {
    std::string text(label);
    AppendAddress6(text, bytes);
    return text;
}

std::string Ipv4Line(const char* label, std::uint32_t address) {
    std::string text(label);
    AppendDotted(text, address);
    return text;
}

}  // namespace

std::optional<CPktICMPParser::Message> CPktICMPParser::Read(core::ByteReader& in,
                                                            const CPktParseContext& ctx) noexcept {
    // The message ends where the IP layer says, so Ethernet padding is not taken for data.
    std::size_t length = in.Remaining();
    if (!ctx.ipLengthFromCapture && ctx.ipPayloadLength >= kMinimumLength) {
        length = std::min<std::size_t>(length, ctx.ipPayloadLength);
    }
    if (length < kMinimumLength) return std::nullopt;
    Message m;
    m.v6 = ctx.ipProtocol == kProtocolIcmpv6;
    m.whole = in.Bytes(length);
    core::ByteReader r(m.whole);
    m.type = r.U8();
    m.code = r.U8();
    m.checksum = r.Be16();
    m.word = r.Be32();
    m.body = r.Rest();
    return m;
}

void CPktICMPParser::AppendDescription(std::string& out, const Message& m) const {
    out.push_back(' ');
    const char* name = IcmpTypeName(m.v6, m.type);
    if (name == nullptr) {
        out.append("Type = ");
        AppendDec(out, m.type);
        out.append(" Code = ");
        AppendDec(out, m.code);
        return;
    }
    out.append(name);
    if (m.whole.size() < kHeaderLength) return;
    if (HasIdentifier(m.v6, m.type)) {
        out.append(" ID=");
        AppendDec(out, m.word >> 16U);
        out.append(" SEQ=");
        AppendDec(out, m.word & 0xFFFFU);
        return;
    }
    if (const char* code = IcmpCodeName(m.v6, m.type, m.code)) {
        out.append(" (");
        out.append(code);
        out.push_back(')');
    }
    const bool fragNeeded = !m.v6 && m.type == kUnreachable && m.code == kFragmentationNeeded;
    if (fragNeeded || (m.v6 && m.type == kTooBig6)) {
        out.append(" MTU=");
        AppendDec(out, fragNeeded ? (m.word & 0xFFFFU) : m.word);
    }
    const auto target = NdTarget(m.body, m.type);
    if (!IsNeighbourDiscovery(m.v6, m.type) || target.empty()) return;
    out.append(m.type == kNeighborSolicitation6 ? " for " : m.type == kRedirect6 ? " to " : " ");
    AppendAddress6(out, target);
    if (m.type != kNeighborAdvert6) return;
    const NdOptions options = ReadNdOptions(core::ByteReader(m.body.subspan(16)), nullptr, {}, *m_etherNums);
    if (options.targetLinkAddress.empty()) return;
    out.append(" is at ");
    AppendStation(out, *m_etherNums, options.targetLinkAddress);
}

ProtoCode CPktICMPParser::Parse(core::ByteReader& in, CPktParseContext& ctx) const {
    Read(in, ctx);
    return PROTO_NONE;
}

ProtoCode CPktICMPParser::ParseSummary(core::ByteReader& in, CPktParseContext& ctx, SummaryTexts& out) const {
    const auto m = Read(in, ctx);
    const bool v6 = ctx.ipProtocol == kProtocolIcmpv6;
    out.summary.append(Prefix(v6));
    if (!m) {
        out.summary.append(" ERROR !");
        return PROTO_NONE;
    }
    AppendDescription(out.summary, *m);
    return PROTO_NONE;
}

void CPktICMPParser::AddNeighbourDiscoveryLines(CPktDetailLine& top, const Message& m) const {
    const std::string_view prefix = Prefix(true);
    core::ByteReader body(m.body);
    if (m.type == kRouterAdvert6) {
        const unsigned flags = (m.word >> 16U) & 0xFFU;
        top.Add(prefix, core::Printf(" Current hop limit = %u", m.word >> 24U));
        CPktDetailLine& flagLine = top.Add(prefix, core::Printf(" Flags = 0x%.2X", flags));
        flagLine.Add(prefix, (flags & 0x80U) != 0 ? " 1....... = Managed address configuration"
                                                  : " 0....... = No managed address configuration");
        flagLine.Add(prefix,
                     (flags & 0x40U) != 0 ? " .1...... = Other configuration" : " .0...... = No other configuration");
        top.Add(prefix, core::Printf(" Router lifetime = %u seconds", m.word & 0xFFFFU));
        const std::uint32_t reachable = body.Be32();
        const std::uint32_t retransmit = body.Be32();
        if (!body.Failed()) {
            top.Add(prefix, core::Printf(" Reachable time = %u ms", reachable));
            top.Add(prefix, core::Printf(" Retransmission timer = %u ms", retransmit));
        }
    } else if (m.type == kNeighborAdvert6) {
        CPktDetailLine& flagLine = top.Add(prefix, core::Printf(" Flags = 0x%.8X", m.word));
        flagLine.Add(prefix, (m.word & 0x80000000U) != 0 ? " 1....... = Router" : " 0....... = Not a router");
        flagLine.Add(prefix, (m.word & 0x40000000U) != 0 ? " .1...... = Solicited" : " .0...... = Not solicited");
        flagLine.Add(prefix, (m.word & 0x20000000U) != 0 ? " ..1..... = Override" : " ..0..... = No override");
    }
    if (m.type == kNeighborSolicitation6 || m.type == kNeighborAdvert6 || m.type == kRedirect6) {
        const auto target = body.Bytes(16);
        if (!body.Failed()) top.Add(prefix, Address6Line(" Target address = ", target));
    }
    if (m.type == kRedirect6) {
        const auto destination = body.Bytes(16);
        if (!body.Failed()) top.Add(prefix, Address6Line(" Destination address = ", destination));
    }
    if (body.Failed() || m.body.size() < NdFixedLength(m.type)) {
        top.Add(prefix, " ERROR ! Message cut short");
        return;
    }
    ReadNdOptions(core::ByteReader(m.body.subspan(NdFixedLength(m.type))), &top, prefix, *m_etherNums);
}

void CPktICMPParser::AddBodyLines(CPktDetailLine& top, const Message& m) const {
    const std::string_view prefix = Prefix(m.v6);
    if (HasIdentifier(m.v6, m.type)) {
        const unsigned id = m.word >> 16U;
        const unsigned sequence = m.word & 0xFFFFU;
        const core::ByteReader message(m.whole);
        top.Add(prefix, core::Printf(" Identifier = %u (0x%.4X)", id, id), message.Slice(4, 2));
        top.Add(prefix, core::Printf(" Sequence number = %u (0x%.4X)", sequence, sequence), message.Slice(6, 2));
        core::ByteReader body(m.body);
        if (!m.v6 && (m.type == kTimestamp || m.type == kTimestampReply)) {
            const std::uint32_t originate = body.Be32();
            const std::uint32_t receive = body.Be32();
            const std::uint32_t transmit = body.Be32();
            if (!body.Failed())
                top.Add(prefix, core::Printf(" Timestamps: originate = %u, receive = %u, transmit = %u ms", originate,
                                             receive, transmit));
        } else if (!m.v6 && (m.type == kMaskRequest || m.type == kMaskReply)) {
            const std::uint32_t mask = body.Be32();
            if (!body.Failed()) top.Add(prefix, Ipv4Line(" Address mask = ", mask));
        } else {
            top.Add(prefix, core::Printf(" Data = %u bytes", static_cast<unsigned>(m.body.size())), m.body);
        }
        return;
    }
    if (IsNeighbourDiscovery(m.v6, m.type)) {
        AddNeighbourDiscoveryLines(top, m);
        return;
    }
    if (!m.v6 && m.type == kRouterAdvert) {
        const unsigned count = m.word >> 24U;
        const unsigned entryWords = (m.word >> 16U) & 0xFFU;
        top.Add(prefix, core::Printf(" Addresses = %u, entry size = %u words, lifetime = %u seconds", count, entryWords,
                                     m.word & 0xFFFFU));
        core::ByteReader body(m.body);
        // Each entry is entryWords 32-bit words: an address and a preference, perhaps more.
        for (unsigned i = 0; i < count && entryWords >= 2; ++i) {
            core::ByteReader entry = body.Sub(std::size_t{entryWords} * 4);
            const std::uint32_t address = entry.Be32();
            const auto preference = static_cast<std::int32_t>(entry.Be32());
            if (entry.Failed()) break;
            top.Add(prefix, Ipv4Line(" Router address = ", address) + core::Printf(", preference = %d", preference));
        }
        return;
    }
    if (m.v6 && m.type >= kListenerQuery6 && m.type <= kListenerDone6) {
        top.Add(prefix, core::Printf(" Maximum response delay = %u ms", m.word >> 16U));
        if (m.body.size() >= 16) top.Add(prefix, Address6Line(" Multicast address = ", m.body.first(16)));
        return;
    }
    if (m.v6 && m.type == kListenerReport2v6) {
        top.Add(prefix, core::Printf(" Records = %u", m.word & 0xFFFFU));
        return;
    }
    if (!QuotesDatagram(m.v6, m.type)) return;
    if (!m.v6 && m.type == kUnreachable && m.code == kFragmentationNeeded)
        top.Add(prefix, core::Printf(" Next-hop MTU = %u", m.word & 0xFFFFU));
    if (!m.v6 && m.type == kRedirect) top.Add(prefix, Ipv4Line(" Gateway address = ", m.word));
    if (m.v6 && m.type == kTooBig6) top.Add(prefix, core::Printf(" MTU = %u", m.word));
    if (m.type == (m.v6 ? std::uint8_t{kParameterProblem6} : std::uint8_t{kParameterProblem}))
        top.Add(prefix, core::Printf(" Pointer = %u", m.v6 ? m.word : m.word >> 24U));
    AddQuotedDatagram(top, prefix, m.v6, m.body, *m_protocols);
}

ProtoCode CPktICMPParser::ParseDetail(core::ByteReader& in, CPktParseContext& ctx, CPktDetailLine& root) const {
    const auto m = Read(in, ctx);
    const bool v6 = ctx.ipProtocol == kProtocolIcmpv6;
    const std::string_view prefix = Prefix(v6);
    if (!m) {
        root.Add(prefix, " ERROR !");
        return PROTO_NONE;
    }
    std::string headline;
    AppendDescription(headline, *m);
    headline += core::Printf(" : Type = %u : Code = %u", unsigned{m->type}, unsigned{m->code});
    CPktDetailLine& top = root.Add(prefix, std::move(headline));
    const char* typeName = IcmpTypeName(v6, m->type);
    const core::ByteReader message(m->whole);
    top.Add(prefix, core::Printf(" Type = %u (%s)", unsigned{m->type}, typeName != nullptr ? typeName : "Unknown"),
            message.Slice(0, 1));
    const char* codeName = IcmpCodeName(v6, m->type, m->code);
    top.Add(prefix,
            codeName != nullptr ? core::Printf(" Code = %u (%s)", unsigned{m->code}, codeName)
                                : core::Printf(" Code = %u", unsigned{m->code}),
            message.Slice(1, 1));
    const char* verdict = "not verified";
    if (v6) {
        verdict = TransportChecksumVerdict(ctx, kProtocolIcmpv6, m->whole);
    } else if (!ctx.ipLengthFromCapture && !ctx.ipFragment && m->whole.size() == ctx.ipPayloadLength) {
        verdict = FoldChecksum(OnesComplementSum(m->whole)) == 0xFFFF ? "OK" : "ERROR";
    }
    top.Add(prefix, core::Printf(" Checksum = 0x%.4X (%s)", unsigned{m->checksum}, verdict), message.Slice(2, 2));
    if (m->whole.size() < kHeaderLength) {
        top.Add(prefix,
                core::Printf(" ERROR ! Message cut short after %u bytes", static_cast<unsigned>(m->whole.size())));
    } else {
        AddBodyLines(top, *m);
    }
    const auto rest = static_cast<unsigned>(m->body.size());
    top.Add(prefix, core::Printf(" Number of data bytes remaining = %u (0x%X)", rest, rest));
    return PROTO_NONE;
}

}  // namespace decode
