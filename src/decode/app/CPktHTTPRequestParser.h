// HTTP request decoder (segments sent to port 80): the request line and its header lines.
#pragma once

#include "decode/CPktParser.h"

namespace decode::app {

class CPktHTTPRequestParser : public CPktParser {
public:
    ProtoCode Parse(core::ByteReader& in, CPktParseContext& ctx) const override;
    ProtoCode ParseDetail(core::ByteReader& in, CPktParseContext& ctx, CPktDetailLine& root) const override;
    ProtoCode ParseSummary(core::ByteReader& in, CPktParseContext& ctx, SummaryTexts& out) const override;
};

}  // namespace decode::app
