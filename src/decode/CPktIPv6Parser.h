// IPv6 decoder: the fixed header with its traffic class bits, the extension header chain,
// and the payload length, addresses and upper-layer protocol the layers above need.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "decode/CPktNetworkParser.h"
#include "decode/Ipv6Extensions.h"

namespace decode {

class CPktIPv6Parser final : public CPktNetworkParser {
public:
    explicit CPktIPv6Parser(const tables::CPktIProtNums& protocols)
        : CPktNetworkParser(protocols),
          m_protocols(&protocols) {}

    ProtoCode Parse(core::ByteReader& in, CPktParseContext& ctx) const override;
    ProtoCode ParseDetail(core::ByteReader& in, CPktParseContext& ctx, CPktDetailLine& root) const override;
    ProtoCode ParseSummary(core::ByteReader& in, CPktParseContext& ctx, SummaryTexts& out) const override;

private:
    struct Header {
        std::uint32_t versionClassFlow = 0;  // version (4 bits), traffic class (8), flow label (20)
        std::uint16_t payloadLength = 0;
        std::uint8_t nextHeader = 0;
        std::uint8_t hopLimit = 0;
        std::array<std::uint8_t, 16> source{};
        std::array<std::uint8_t, 16> destination{};
        unsigned Version() const noexcept { return versionClassFlow >> 28U; }
        unsigned TrafficClass() const noexcept { return (versionClassFlow >> 20U) & 0xFFU; }
        unsigned FlowLabel() const noexcept { return versionClassFlow & 0xFFFFFU; }
    };
    // The 40 fixed bytes; nullopt (nothing consumed) when fewer remain.
    static std::optional<Header> ReadHeader(core::ByteReader& in) noexcept;
    // What the layers above learn: version, protocol, payload length, fragment state.
    static void Tell(const Header& h, const Ipv6Chain& chain, std::size_t afterHeader, CPktParseContext& ctx) noexcept;
    // The upper layer, unless the chain was cut or this is not the first fragment.
    static ProtoCode NextCode(const Ipv6Chain& chain, const CPktParseContext& ctx) noexcept;
    // in is the layer's reader, to name each field's bytes.
    void AddFixedLines(CPktDetailLine& top, const Header& h, const core::ByteReader& in) const;

    const tables::CPktIProtNums* m_protocols;
};

}  // namespace decode
