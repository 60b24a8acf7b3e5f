// The decoder interface: each operation reads one layer from the reader (advancing it past
// what the layer consumed) and returns the code of the next layer, PROTO_NONE when there is
// none. A short or invalid header is never an exception: the decoder shows what it can and
// returns PROTO_NONE.
#pragma once

#include "core/ByteReader.h"
#include "decode/CPktDetailLine.h"
#include "decode/CPktParseContext.h"
#include "decode/CPktSummary.h"
#include "decode/ProtoCode.h"

namespace decode {

class CPktParser {
public:
    virtual ~CPktParser() = default;
    // Steps over the layer without producing text.
    virtual ProtoCode Parse(core::ByteReader& in, CPktParseContext& ctx) const;
    // Appends this layer's lines below the root.
    virtual ProtoCode ParseDetail(core::ByteReader& in, CPktParseContext& ctx, CPktDetailLine& root) const;
    // Reads the layer and produces nothing; only Telnet has one.
    virtual ProtoCode ParseInfo(core::ByteReader& in, CPktParseContext& ctx) const;
    // Writes up to three texts; the caller hands in cleared texts.
    virtual ProtoCode ParseSummary(core::ByteReader& in, CPktParseContext& ctx, SummaryTexts& out) const;
};

}  // namespace decode
