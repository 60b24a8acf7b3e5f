// IP protocol lookups and the Internet checksum shared by IPv4 and TCP.
#include "decode/CPktNetworkParser.h"

#include "core/ByteReader.h"

namespace decode {

namespace {
constexpr std::uint8_t kIpProtoIcmp = 1;
constexpr std::uint8_t kIpProtoIpv4 = 4;
constexpr std::uint8_t kIpProtoTcp = 6;
constexpr std::uint8_t kIpProtoUdp = 17;
constexpr std::uint8_t kIpProtoIpv6 = 41;
constexpr std::uint8_t kIpProtoIcmpv6 = 58;
}  // namespace

const std::string& CPktNetworkParser::ProtocolDescription(std::uint8_t protocol) const noexcept {
    return m_protocols->Description(protocol);
}

const std::string& CPktNetworkParser::ProtocolKeyword(std::uint8_t protocol) const noexcept {
    return m_protocols->Keyword(protocol);
}

ProtoCode CPktNetworkParser::ProtocolToCode(std::uint8_t protocol) noexcept {
    switch (protocol) {
        case kIpProtoTcp:
            return PROTO_TCP;
        case kIpProtoUdp:
            return PROTO_UDP;
        case kIpProtoIcmp:
        case kIpProtoIcmpv6:
            return PROTO_ICMP;
        case kIpProtoIpv4:
            return PROTO_IPV4;
        case kIpProtoIpv6:
            return PROTO_IPV6;
        default:
            return PROTO_NONE;
    }
}

ProtoCode CPktNetworkParser::NextAfterIp(std::uint8_t protocol, const CPktParseContext& ctx) noexcept {
    const ProtoCode code = ProtocolToCode(protocol);
    if ((code == PROTO_IPV4 || code == PROTO_IPV6) && ctx.ipDepth >= kMaxIpDepth) return PROTO_NONE;
    return code;
}

bool CPktNetworkParser::HeaderChecksumOk(std::span<const std::uint8_t> header) noexcept {
    return FoldChecksum(OnesComplementSum(header)) == 0xFFFF;
}

std::uint64_t OnesComplementSum(std::span<const std::uint8_t> bytes) noexcept {
    core::ByteReader in(bytes);
    std::uint64_t sum = 0;
    while (in.Remaining() >= 2) sum += in.Be16();
    if (in.Remaining() == 1) sum += static_cast<std::uint64_t>(in.U8()) << 8;
    return sum;
}

std::uint16_t FoldChecksum(std::uint64_t sum) noexcept {
    while ((sum >> 16) != 0) sum = (sum & 0xFFFFU) + (sum >> 16);
    return static_cast<std::uint16_t>(sum);
}

std::uint64_t PseudoHeaderSum(const CPktParseContext& ctx, std::uint8_t protocol, std::uint32_t length) noexcept {
    if (ctx.ipVersion == 6) {
        return OnesComplementSum(ctx.ipv6Source) + OnesComplementSum(ctx.ipv6Destination) + (length >> 16) +
               (length & 0xFFFFU) + protocol;
    }
    const std::uint32_t s = ctx.ipSource;
    const std::uint32_t d = ctx.ipDestination;
    return (s >> 16) + (s & 0xFFFFU) + (d >> 16) + (d & 0xFFFFU) + protocol + (length & 0xFFFFU);
}

const char* TransportChecksumVerdict(const CPktParseContext& ctx, std::uint8_t protocol,
                                     std::span<const std::uint8_t> segment) noexcept {
    if (ctx.ipLengthFromCapture || ctx.ipFragment || segment.size() < ctx.ipPayloadLength) return "not verified";
    const std::uint64_t sum =
        PseudoHeaderSum(ctx, protocol, ctx.ipPayloadLength) + OnesComplementSum(segment.first(ctx.ipPayloadLength));
    return FoldChecksum(sum) == 0xFFFF ? "OK" : "ERROR";
}

}  // namespace decode
