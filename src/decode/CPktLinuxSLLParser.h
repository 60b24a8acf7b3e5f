// Linux cooked capture header decoder ("tcpdump -i any"): the direction of the packet, the
// interface's hardware type, the sender's link-layer address and the protocol type, which
// picks the next decoder as an Ethernet type does. One class reads both versions.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "decode/CPktLinkParser.h"

namespace decode {

class CPktLinuxSLLParser final : public CPktLinkParser {
public:
    enum class Version : std::uint8_t { V1, V2 };
    CPktLinuxSLLParser(const tables::CPktEtherNums& etherNums, Version version)
        : CPktLinkParser(etherNums),
          m_version(version) {}

    ProtoCode Parse(core::ByteReader& in, CPktParseContext& ctx) const override;
    ProtoCode ParseDetail(core::ByteReader& in, CPktParseContext& ctx, CPktDetailLine& root) const override;
    ProtoCode ParseSummary(core::ByteReader& in, CPktParseContext& ctx, SummaryTexts& out) const override;

private:
    struct Header {
        std::uint16_t packetType = 0;
        std::uint16_t hardwareType = 0;
        std::uint16_t addressLength = 0;
        std::array<std::uint8_t, 8> address{};
        std::uint16_t protocol = 0;
        std::uint32_t interfaceIndex = 0;  // version 2 only
        std::uint16_t reserved = 0;        // version 2 only
        // The address bytes that mean something: at most the eight the header holds.
        std::span<const std::uint8_t> Address() const noexcept {
            return std::span(address).first(addressLength < 8 ? addressLength : 8U);
        }
    };
    std::optional<Header> ReadHeader(core::ByteReader& in, CPktParseContext& ctx) const noexcept;
    std::size_t HeaderLength() const noexcept;
    std::string_view Prefix() const noexcept;

    Version m_version;
};

}  // namespace decode
