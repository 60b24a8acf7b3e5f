// POP3 command decoder (segments sent to port 110): the first line, described from the command table.
#pragma once

#include "decode/CPktParser.h"

namespace decode::app {

class CPktPOP3CommandParser : public CPktParser {
public:
    ProtoCode Parse(core::ByteReader& in, CPktParseContext& ctx) const override;
    ProtoCode ParseDetail(core::ByteReader& in, CPktParseContext& ctx, CPktDetailLine& root) const override;
    ProtoCode ParseSummary(core::ByteReader& in, CPktParseContext& ctx, SummaryTexts& out) const override;
};

}  // namespace decode::app
