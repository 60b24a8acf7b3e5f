// HTTP response decoder (segments sent from port 80): the status line and its header lines.
#pragma once

#include "decode/CPktParser.h"

namespace decode::app {

class CPktHTTPResponseParser : public CPktParser {
public:
    ProtoCode Parse(core::ByteReader& in, CPktParseContext& ctx) const override;
    ProtoCode ParseDetail(core::ByteReader& in, CPktParseContext& ctx, CPktDetailLine& root) const override;
    ProtoCode ParseSummary(core::ByteReader& in, CPktParseContext& ctx, SummaryTexts& out) const override;
};

}  // namespace decode::app
