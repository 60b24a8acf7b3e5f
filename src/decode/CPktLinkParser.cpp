// Ethernet table lookups with the fallbacks the link decoders show.
#include "decode/CPktLinkParser.h"

namespace decode {

namespace {
const std::string kUnknownType = "unknown";
constexpr std::uint16_t kEtherTypeIPv4 = 0x0800;
}  // namespace

const std::string& CPktLinkParser::TypeName(std::uint16_t type) const noexcept {
    const std::string* name = m_etherNums->FindTypeName(type);
    return name != nullptr ? *name : kUnknownType;
}

const std::string* CPktLinkParser::VendorName(std::uint8_t b1, std::uint8_t b2, std::uint8_t b3) const noexcept {
    return m_etherNums->FindVendor(b1, b2, b3);
}

ProtoCode CPktLinkParser::TypeToCode(std::uint16_t type) noexcept {
    return type == kEtherTypeIPv4 ? PROTO_IPV4 : PROTO_NONE;
}

}  // namespace decode
