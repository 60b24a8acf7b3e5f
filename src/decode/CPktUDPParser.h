// UDP decoder: ports, length and checksum; the payload goes to the port pair's decoder.
#pragma once

#include <cstdint>
#include <optional>

#include "decode/CPktTransportParser.h"

namespace decode {

class CPktUDPParser final : public CPktTransportParser {
public:
    using CPktTransportParser::CPktTransportParser;

    ProtoCode Parse(core::ByteReader& in, CPktParseContext& ctx) const override;
    ProtoCode ParseDetail(core::ByteReader& in, CPktParseContext& ctx, CPktDetailLine& root) const override;
    ProtoCode ParseSummary(core::ByteReader& in, CPktParseContext& ctx, SummaryTexts& out) const override;

private:
    struct Header {
        std::uint16_t sourcePort = 0;
        std::uint16_t destinationPort = 0;
        std::uint16_t length = 0;
        std::uint16_t checksum = 0;
    };
    // Also leaves the ports in the context.
    static std::optional<Header> ReadHeader(core::ByteReader& in, CPktParseContext& ctx) noexcept;
};

}  // namespace decode
