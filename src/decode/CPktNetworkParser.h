// Base of the network decoders: IP protocol names and the Internet header checksum.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "decode/CPktParseContext.h"
#include "decode/CPktParser.h"
#include "tables/LookupTables.h"

namespace decode {

class CPktNetworkParser : public CPktParser {
public:
    explicit CPktNetworkParser(const tables::CPktIProtNums& protocols) : m_protocols(&protocols) {}

    const std::string& ProtocolDescription(std::uint8_t protocol) const noexcept;  // "Unknown" if none
    const std::string& ProtocolKeyword(std::uint8_t protocol) const noexcept;      // "Unknown" if none
    // 6 is TCP, 17 is UDP, 1 and 58 are ICMP and ICMPv6, 4 and 41 are IPv4 and IPv6 inside a
    // tunnel; every other protocol ends the chain.
    static ProtoCode ProtocolToCode(std::uint8_t protocol) noexcept;
    // ProtocolToCode, except that a tunnel nested deeper than kMaxIpDepth IP headers ends
    // the chain: a frame of nothing but IP headers would otherwise be a layer every 20 bytes.
    static ProtoCode NextAfterIp(std::uint8_t protocol, const CPktParseContext& ctx) noexcept;
    static constexpr std::uint8_t kMaxIpDepth = 4;
    // True when the one's-complement sum of the header's 16-bit words is 0xFFFF (RFC 1071).
    static bool HeaderChecksumOk(std::span<const std::uint8_t> header) noexcept;

private:
    const tables::CPktIProtNums* m_protocols;
};

// The RFC 1071 sum of a block as 16-bit big-endian words, an odd last byte as the high
// half of a word; carries are not folded, so sums of several blocks can be added.
std::uint64_t OnesComplementSum(std::span<const std::uint8_t> bytes) noexcept;
// Folds the carries above 16 bits back in until none remain.
std::uint16_t FoldChecksum(std::uint64_t sum) noexcept;

// The sum of the pseudo-header a transport checksum covers, from the addresses the IP layer
// left in the context (detail chain): for IPv4 (RFC 793) the two addresses, protocol and a
// 16-bit length; for IPv6 (RFC 8200 8.1) the two addresses, a 32-bit length and the
// protocol.
std::uint64_t PseudoHeaderSum(const CPktParseContext& ctx, std::uint8_t protocol, std::uint32_t length) noexcept;

// The verdict on a transport checksum over the pseudo-header and the segment, as the detail
// lines word it: "OK", "ERROR", or "not verified" when the IP layer's length is not known,
// the datagram is a fragment, or the frame holds less than the IP layer announces.
const char* TransportChecksumVerdict(const CPktParseContext& ctx, std::uint8_t protocol,
                                     std::span<const std::uint8_t> segment) noexcept;

}  // namespace decode
