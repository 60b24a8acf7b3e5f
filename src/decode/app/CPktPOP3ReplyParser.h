// POP3 reply decoder (segments sent from port 110): the first line, as a status reply or mail data.
#pragma once

#include "decode/CPktParser.h"

namespace decode::app {

class CPktPOP3ReplyParser : public CPktParser {
public:
    ProtoCode Parse(core::ByteReader& in, CPktParseContext& ctx) const override;
    ProtoCode ParseDetail(core::ByteReader& in, CPktParseContext& ctx, CPktDetailLine& root) const override;
    ProtoCode ParseSummary(core::ByteReader& in, CPktParseContext& ctx, SummaryTexts& out) const override;
};

}  // namespace decode::app
