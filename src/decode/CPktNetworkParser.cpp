// IP protocol lookups and the Internet checksum shared by IPv4 and TCP.
#include "decode/CPktNetworkParser.h"

#include "core/ByteReader.h"

namespace decode {

namespace {
constexpr std::uint8_t kIpProtoTcp = 6;
constexpr std::uint8_t kIpProtoUdp = 17;
}  // namespace

const std::string& CPktNetworkParser::ProtocolDescription(std::uint8_t protocol) const noexcept {
    return m_protocols->Description(protocol);
}

const std::string& CPktNetworkParser::ProtocolKeyword(std::uint8_t protocol) const noexcept {
    return m_protocols->Keyword(protocol);
}

ProtoCode CPktNetworkParser::ProtocolToCode(std::uint8_t protocol) noexcept {
    if (protocol == kIpProtoTcp) return PROTO_TCP;
    if (protocol == kIpProtoUdp) return PROTO_UDP;
    return PROTO_NONE;
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

}  // namespace decode
