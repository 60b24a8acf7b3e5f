// Ethernet table lookups with the fallbacks the link decoders show.
#include "decode/CPktLinkParser.h"

namespace decode {

namespace {
const std::string kUnknownType = "unknown";
}  // namespace

const std::string& CPktLinkParser::TypeName(std::uint16_t type) const noexcept {
    const std::string* name = m_etherNums->FindTypeName(type);
    return name != nullptr ? *name : kUnknownType;
}

const std::string* CPktLinkParser::VendorName(std::uint8_t b1, std::uint8_t b2, std::uint8_t b3) const noexcept {
    return m_etherNums->FindVendor(b1, b2, b3);
}

ProtoCode CPktLinkParser::TypeToCode(std::uint16_t type) noexcept {
    switch (type) {
        case 0x0800:
            return PROTO_IPV4;
        case 0x86DD:
            return PROTO_IPV6;
        case 0x0806:  // ARP
        case 0x8035:  // RARP: the same message
            return PROTO_ARP;
        case 0x8100:  // 802.1Q customer tag
        case 0x88A8:  // 802.1ad service tag
        case 0x9100:  // the service tag before 802.1ad
            return PROTO_VLAN;
        default:
            return PROTO_NONE;
    }
}

}  // namespace decode
