// 802.1Q / 802.1ad tag decoder: priority, drop eligibility, VLAN id and the type the tag
// carries, which picks the next decoder (another tag, IPv4, IPv6, ARP).
#pragma once

#include <cstdint>
#include <optional>

#include "decode/CPktLinkParser.h"

namespace decode {

class CPktVLANParser final : public CPktLinkParser {
public:
    using CPktLinkParser::CPktLinkParser;

    // More tags than this in one frame are not read: real networks stack two (802.1ad), and
    // a frame of nothing but tags would otherwise make one layer of every four bytes.
    static constexpr std::uint8_t kMaxTags = 8;

    ProtoCode Parse(core::ByteReader& in, CPktParseContext& ctx) const override;
    ProtoCode ParseDetail(core::ByteReader& in, CPktParseContext& ctx, CPktDetailLine& root) const override;
    ProtoCode ParseSummary(core::ByteReader& in, CPktParseContext& ctx, SummaryTexts& out) const override;

private:
    struct Tag {
        std::uint16_t tagType = 0;  // the Ethernet type that announced the tag
        std::uint16_t control = 0;  // priority (3 bits), drop eligible (1), VLAN id (12)
        std::uint16_t type = 0;     // what the tag carries
        unsigned Priority() const noexcept { return control >> 13U; }
        bool DropEligible() const noexcept { return (control & 0x1000U) != 0; }
        unsigned Id() const noexcept { return control & 0x0FFFU; }
    };
    enum class Fault : std::uint8_t { None, Short, TooMany };
    // The four bytes of a tag; nullopt (nothing consumed) when they are not all there or the
    // frame already had kMaxTags tags.
    static std::optional<Tag> ReadTag(core::ByteReader& in, CPktParseContext& ctx, Fault& fault) noexcept;
};

}  // namespace decode
