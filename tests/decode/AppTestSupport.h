// Helpers for the application decoder tests: running one decoder over a message, and the
// detail tree as indented text (two spaces per level, prefix then text).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "DecodeFixtures.h"
#include "core/ByteReader.h"
#include "decode/CPktParser.h"

namespace apptest {

inline std::vector<std::uint8_t> Hex(std::string_view hex) { return decode::test::FromHex(std::string(hex)); }

inline std::vector<std::uint8_t> Text(std::string_view text) { return {text.begin(), text.end()}; }

inline void RenderInto(const decode::CPktDetailLine& line, int depth, std::string& out) {
    out.append(static_cast<std::size_t>(depth) * 2, ' ');
    out += line.Prefix();
    out += line.Text();
    out += '\n';
    for (const auto& child : line.Children()) RenderInto(*child, depth + 1, out);
}

struct Outcome {
    std::string text;      // the detail lines, or the summary text
    std::size_t consumed;  // how far the decoder moved the reader
    decode::ProtoCode next;
};

inline Outcome Detail(const decode::CPktParser& parser, const std::vector<std::uint8_t>& bytes,
                      decode::ProtoCode previous = decode::PROTO_UDP) {
    core::ByteReader in(bytes);
    decode::CPktParseContext ctx;
    ctx.previousCode = previous;
    decode::CPktDetailLine root;
    const auto next = parser.ParseDetail(in, ctx, root);
    std::string text;
    for (const auto& child : root.Children()) RenderInto(*child, 0, text);
    return {text, in.Offset(), next};
}

inline Outcome Summary(const decode::CPktParser& parser, const std::vector<std::uint8_t>& bytes,
                       decode::ProtoCode previous = decode::PROTO_UDP) {
    core::ByteReader in(bytes);
    decode::CPktParseContext ctx;
    ctx.previousCode = previous;
    decode::SummaryTexts out;
    const auto next = parser.ParseSummary(in, ctx, out);
    EXPECT_TRUE(out.source.empty());
    EXPECT_TRUE(out.destination.empty());
    return {out.summary, in.Offset(), next};
}

inline std::size_t ParseOnly(const decode::CPktParser& parser, const std::vector<std::uint8_t>& bytes,
                             decode::ProtoCode previous = decode::PROTO_UDP) {
    core::ByteReader in(bytes);
    decode::CPktParseContext ctx;
    ctx.previousCode = previous;
    EXPECT_EQ(parser.Parse(in, ctx), decode::PROTO_NONE);
    return in.Offset();
}

}  // namespace apptest
