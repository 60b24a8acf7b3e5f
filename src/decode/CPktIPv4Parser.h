// IPv4 decoder: every header field with its bit lines, the header checksum verdict, and
// the payload length and addresses the TCP layer needs.
#pragma once

#include <cstdint>
#include <optional>

#include "decode/CPktNetworkParser.h"

namespace decode {

class CPktIPv4Parser final : public CPktNetworkParser {
public:
    using CPktNetworkParser::CPktNetworkParser;

    ProtoCode Parse(core::ByteReader& in, CPktParseContext& ctx) const override;
    ProtoCode ParseDetail(core::ByteReader& in, CPktParseContext& ctx, CPktDetailLine& root) const override;
    ProtoCode ParseSummary(core::ByteReader& in, CPktParseContext& ctx, SummaryTexts& out) const override;

private:
    struct Header {
        std::uint8_t versionAndLength = 0;
        std::uint8_t serviceType = 0;
        std::uint16_t totalLength = 0;
        std::uint16_t identification = 0;
        std::uint16_t flagsAndOffset = 0;
        std::uint8_t timeToLive = 0;
        std::uint8_t protocol = 0;
        std::uint16_t checksum = 0;
        std::uint32_t source = 0;
        std::uint32_t destination = 0;
        std::uint32_t HeaderLength() const noexcept { return (versionAndLength & 0x0FU) * 4U; }
        std::uint32_t FragmentOffset() const noexcept { return (flagsAndOffset & 0x1FFFU) * 8U; }
        bool MoreFragments() const noexcept { return (flagsAndOffset & 0x2000U) != 0; }
    };
    // The transport layer, except for a fragment after the first: its bytes are the middle
    // of a datagram, and read as a header they would invent ports and messages.
    static ProtoCode NextCode(const Header& h, const CPktParseContext& ctx) noexcept;
    // The fixed 20 bytes, then the options stepped over when the header length allows;
    // nullopt (nothing consumed) when fewer than 20 bytes remain.
    static std::optional<Header> ReadHeader(core::ByteReader& in, CPktParseContext& ctx) noexcept;
};

}  // namespace decode
