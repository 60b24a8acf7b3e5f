// The base decoder consumes nothing and knows no next layer.
#include "decode/CPktParser.h"

namespace decode {

ProtoCode CPktParser::Parse(core::ByteReader& /*in*/, CPktParseContext& /*ctx*/) const { return PROTO_NONE; }

ProtoCode CPktParser::ParseDetail(core::ByteReader& /*in*/, CPktParseContext& /*ctx*/, CPktDetailLine& /*root*/) const {
    return PROTO_NONE;
}

ProtoCode CPktParser::ParseInfo(core::ByteReader& /*in*/, CPktParseContext& /*ctx*/) const { return PROTO_NONE; }

ProtoCode CPktParser::ParseSummary(core::ByteReader& /*in*/, CPktParseContext& /*ctx*/, SummaryTexts& /*out*/) const {
    return PROTO_NONE;
}

}  // namespace decode
