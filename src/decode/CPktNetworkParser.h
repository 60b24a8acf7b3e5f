// Base of the network decoders: IP protocol names and the Internet header checksum.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "decode/CPktParser.h"
#include "tables/LookupTables.h"

namespace decode {

class CPktNetworkParser : public CPktParser {
public:
    explicit CPktNetworkParser(const tables::CPktIProtNums& protocols) : m_protocols(&protocols) {}

    const std::string& ProtocolDescription(std::uint8_t protocol) const noexcept;  // "Unknown" if none
    const std::string& ProtocolKeyword(std::uint8_t protocol) const noexcept;      // "Unknown" if none
    // 6 is TCP, 17 is UDP; every other protocol ends the chain.
    static ProtoCode ProtocolToCode(std::uint8_t protocol) noexcept;
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

}  // namespace decode
