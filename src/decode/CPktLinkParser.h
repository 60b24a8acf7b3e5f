// Base of the decoders that read Ethernet types and hardware addresses: type and vendor
// names from the Ethernet table, and the type that picks the next decoder.
#pragma once

#include <cstdint>
#include <string>

#include "decode/CPktParser.h"
#include "tables/LookupTables.h"

namespace decode {

class CPktLinkParser : public CPktParser {
public:
    explicit CPktLinkParser(const tables::CPktEtherNums& etherNums) : m_etherNums(&etherNums) {}

    // The first table range holding the type; "unknown" when none does.
    const std::string& TypeName(std::uint16_t type) const noexcept;
    // The vendor's short name for an exact three-byte prefix; nullptr when not found.
    const std::string* VendorName(std::uint8_t b1, std::uint8_t b2, std::uint8_t b3) const noexcept;
    // IPv4 (0x0800), IPv6 (0x86DD), ARP and RARP (0x0806, 0x8035) and the VLAN tags
    // (0x8100, 0x88A8, 0x9100) are decoded further; nothing else is.
    static ProtoCode TypeToCode(std::uint16_t type) noexcept;
    const tables::CPktEtherNums& EtherNums() const noexcept { return *m_etherNums; }

private:
    const tables::CPktEtherNums* m_etherNums;
};

}  // namespace decode
