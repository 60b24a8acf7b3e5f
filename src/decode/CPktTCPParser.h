// TCP decoder: ports, sequence and acknowledgment numbers, flags, window, checksum verdict;
// a segment that carries data goes on to the application decoder of its port pair.
#pragma once

#include <cstdint>
#include <optional>

#include "decode/CPktTransportParser.h"

namespace decode {

class CPktTCPParser final : public CPktTransportParser {
public:
    // Options are named through the option table in the detail tree.
    CPktTCPParser(const tables::CPktWPortNums& ports, const tables::CPktTCPNums& options)
        : CPktTransportParser(ports),
          m_options(options) {}

    ProtoCode Parse(core::ByteReader& in, CPktParseContext& ctx) const override;
    ProtoCode ParseDetail(core::ByteReader& in, CPktParseContext& ctx, CPktDetailLine& root) const override;
    ProtoCode ParseSummary(core::ByteReader& in, CPktParseContext& ctx, SummaryTexts& out) const override;

    static constexpr std::uint8_t kUrg = 0x20;
    static constexpr std::uint8_t kAck = 0x10;
    static constexpr std::uint8_t kPsh = 0x08;
    static constexpr std::uint8_t kRst = 0x04;
    static constexpr std::uint8_t kSyn = 0x02;
    static constexpr std::uint8_t kFin = 0x01;

private:
    struct Header {
        std::uint16_t sourcePort = 0;
        std::uint16_t destinationPort = 0;
        std::uint32_t sequence = 0;
        std::uint32_t acknowledgment = 0;
        std::uint8_t dataOffset = 0;  // 32-bit words
        std::uint8_t flags = 0;
        std::uint16_t window = 0;
        std::uint16_t checksum = 0;
        std::uint16_t urgentPointer = 0;
        std::uint32_t HeaderLength() const noexcept { return dataOffset * 4U; }
    };
    static std::optional<Header> ReadHeader(core::ByteReader& in) noexcept;
    // Bytes after the header by the IP layer's count; 0 when the header claims more.
    static std::uint32_t PayloadLength(const Header& h, const CPktParseContext& ctx) noexcept;
    static ProtoCode NextCode(const Header& h, const CPktParseContext& ctx) noexcept;

    const tables::CPktTCPNums& m_options;
};

}  // namespace decode
