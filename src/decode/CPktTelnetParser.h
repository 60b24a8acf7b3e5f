// Telnet decoder: the first line of a segment, shown in the summary.
#pragma once

#include <cstdint>
#include <span>

#include "decode/CPktParser.h"

namespace decode {

class CPktTelnetParser final : public CPktParser {
public:
    ProtoCode Parse(core::ByteReader& in, CPktParseContext& ctx) const override;
    ProtoCode ParseInfo(core::ByteReader& in, CPktParseContext& ctx) const override;
    ProtoCode ParseSummary(core::ByteReader& in, CPktParseContext& ctx, SummaryTexts& out) const override;

    // Bytes up to the end or the first CR, LF or NUL; the terminator is consumed, not kept.
    static std::span<const std::uint8_t> ReadLine(core::ByteReader& in) noexcept;
};

}  // namespace decode
