// NetBIOS Name Service decoder (UDP or TCP port 137): DNS-shaped messages with half-ASCII
// names, NetBIOS operation codes and flags, and node status records. Always the last layer.
#pragma once

#include "decode/CPktParser.h"
#include "decode/app/NbnsRecordData.h"
#include "tables/LookupTables.h"

namespace decode::app {

class CPktNBNSParser : public CPktParser {
public:
    // The tables are accepted like the DNS decoder's but not consulted.
    CPktNBNSParser(const tables::CPktIProtNums& /*protocols*/, const tables::CPktWPortNums& /*ports*/) {}

    ProtoCode Parse(core::ByteReader& in, CPktParseContext& ctx) const override;
    ProtoCode ParseDetail(core::ByteReader& in, CPktParseContext& ctx, CPktDetailLine& root) const override;
    ProtoCode ParseSummary(core::ByteReader& in, CPktParseContext& ctx, SummaryTexts& out) const override;

private:
    NbnsRecordData m_recordData;
};

}  // namespace decode::app
