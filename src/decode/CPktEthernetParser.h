// Ethernet II decoder: destination and source MAC with their vendors, and the type that
// picks the network decoder.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "decode/CPktLinkParser.h"

namespace decode {

class CPktEthernetParser final : public CPktLinkParser {
public:
    using CPktLinkParser::CPktLinkParser;

    ProtoCode Parse(core::ByteReader& in, CPktParseContext& ctx) const override;
    ProtoCode ParseDetail(core::ByteReader& in, CPktParseContext& ctx, CPktDetailLine& root) const override;
    ProtoCode ParseSummary(core::ByteReader& in, CPktParseContext& ctx, SummaryTexts& out) const override;

private:
    struct Header {
        std::array<std::uint8_t, 6> destination{};
        std::array<std::uint8_t, 6> source{};
        std::uint16_t type = 0;
    };
    // The 14-byte header; nullopt (and nothing consumed) when fewer bytes remain. The type
    // and both addresses are left in the context.
    static std::optional<Header> ReadHeader(core::ByteReader& in, CPktParseContext& ctx) noexcept;
};

}  // namespace decode
