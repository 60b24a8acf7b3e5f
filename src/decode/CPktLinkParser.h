// Base of the data-link decoders: Ethernet type and vendor names from the Ethernet table.
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
    // 0x0800 carries IPv4; nothing else is decoded further.
    static ProtoCode TypeToCode(std::uint16_t type) noexcept;

private:
    const tables::CPktEtherNums* m_etherNums;
};

}  // namespace decode
