// SMTP command decoder (segments sent to port 25): the first line, named from the command table.
#pragma once

#include "decode/CPktParser.h"

namespace decode::app {

class CPktSMTPCommandParser : public CPktParser {
public:
    ProtoCode Parse(core::ByteReader& in, CPktParseContext& ctx) const override;
    ProtoCode ParseDetail(core::ByteReader& in, CPktParseContext& ctx, CPktDetailLine& root) const override;
    ProtoCode ParseSummary(core::ByteReader& in, CPktParseContext& ctx, SummaryTexts& out) const override;
};

}  // namespace decode::app
