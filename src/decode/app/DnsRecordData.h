// DNS type and class names and the RDATA routines that turn each record's data into lines.
#pragma once

#include <cstdint>
#include <string_view>

#include "decode/app/DnsText.h"
#include "decode/app/DnsWire.h"
#include "tables/LookupTables.h"

namespace decode::app {

DnsTypeText DescribeDnsType(std::uint16_t type) noexcept;
// The types named after RFC 1035 (AAAA, SRV, OPT, HTTPS, ...); "?" for the others.
DnsTypeText DescribeLaterDnsType(std::uint16_t type) noexcept;
DnsTypeText DescribeDnsClass(std::uint16_t cls) noexcept;

class DnsRecordData : public DnsRdataReader {
public:
    // WKS records name their protocol and services from these tables.
    DnsRecordData(const tables::CPktIProtNums& protocols, const tables::CPktWPortNums& ports)
        : m_protocols(protocols),
          m_ports(ports) {}

    void DecodeName(std::string& /*name*/) const override {}
    void ReadRdata(const core::ByteReader& message, core::ByteReader& cursor, DnsRecord& record) const override;

private:
    void ReadWks(core::ByteReader& cursor, DnsRecord& record) const;

    const tables::CPktIProtNums& m_protocols;
    const tables::CPktWPortNums& m_ports;
};

}  // namespace decode::app
