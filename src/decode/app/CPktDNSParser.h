// DNS decoder (UDP or TCP port 53): the header, every flag bit, the four counts and every
// question and resource record with its RDATA. Always the last layer of a frame.
#pragma once

#include "decode/CPktParser.h"
#include "decode/app/DnsRecordData.h"
#include "tables/LookupTables.h"

namespace decode::app {

class CPktDNSParser : public CPktParser {
public:
    CPktDNSParser(const tables::CPktIProtNums& protocols, const tables::CPktWPortNums& ports)
        : m_recordData(protocols, ports) {}

    ProtoCode Parse(core::ByteReader& in, CPktParseContext& ctx) const override;
    ProtoCode ParseDetail(core::ByteReader& in, CPktParseContext& ctx, CPktDetailLine& root) const override;
    ProtoCode ParseSummary(core::ByteReader& in, CPktParseContext& ctx, SummaryTexts& out) const override;

private:
    DnsRecordData m_recordData;
};

}  // namespace decode::app
