// NetBIOS Name Service names, types and classes, and the RDATA routines of its records
// (address, wait-for-acknowledgment, name flags and owner, node status).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "decode/app/DnsText.h"
#include "decode/app/DnsWire.h"

namespace decode::app {

// Undoes the half-ASCII encoding of the first label in place; the scope (from the first dot
// on) stays as it is. Octets that are neither printable nor white space show as "<%.2X>".
void DecodeNetBIOSName(std::string& name);

DnsTypeText DescribeNbnsType(std::uint16_t type) noexcept;
DnsTypeText DescribeNbnsClass(std::uint16_t cls) noexcept;

// The six flag lines of a node status name.
void AppendNodeFlagLines(std::uint16_t flags, std::vector<std::string>& lines);

class NbnsRecordData : public DnsRdataReader {
public:
    void DecodeName(std::string& name) const override { DecodeNetBIOSName(name); }
    void ReadRdata(const core::ByteReader& message, core::ByteReader& cursor, DnsRecord& record) const override;
};

}  // namespace decode::app
