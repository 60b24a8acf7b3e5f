// FTP reply decoder (segments sent from port 21): the first line, classified by its reply code.
#pragma once

#include "decode/CPktParser.h"

namespace decode::app {

class CPktFTPReplyParser : public CPktParser {
public:
    ProtoCode Parse(core::ByteReader& in, CPktParseContext& ctx) const override;
    ProtoCode ParseDetail(core::ByteReader& in, CPktParseContext& ctx, CPktDetailLine& root) const override;
    ProtoCode ParseSummary(core::ByteReader& in, CPktParseContext& ctx, SummaryTexts& out) const override;
};

}  // namespace decode::app
