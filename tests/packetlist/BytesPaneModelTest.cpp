// The bytes pane's model: which columns it marks for a line's bytes, which line a clicked
// byte selects (the deepest that names it), and the text view's line order.
#include <gtest/gtest.h>

#include <vector>

#include "packetlist/BytesPaneModel.h"

namespace {

using packetlist::BytesPaneModel;
using Columns = std::vector<BytesPaneModel::ColumnRun>;

// A 40-byte frame: a header (0-19) with a field (2-3) and a bit of it (2), a payload
// (20-39) and a count that names no bytes.
struct Frame {
    std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(40, 0x41);
    decode::CPktDetailLine root;
    decode::CPktDetailLine* header = nullptr;
    decode::CPktDetailLine* field = nullptr;
    decode::CPktDetailLine* bit = nullptr;
    decode::CPktDetailLine* payload = nullptr;
    decode::CPktDetailLine* count = nullptr;
    Frame() {
        const std::span<const std::uint8_t> all(bytes);
        root.SetFrame(all);
        header = &root.Add("H: ", "header", all.first(20));
        field = &header->Add("H: ", "field", all.subspan(2, 2));
        bit = &field->Add("H: ", "bit", all.subspan(2, 1));
        payload = &root.Add("P: ", "payload", all.subspan(20));
        count = &root.Add("P: ", "count");
    }
};

TEST(BytesPaneModel, ClickedByteSelectsTheDeepestLineNamingIt) {
    Frame f;
    BytesPaneModel m;
    m.SetFrame(f.bytes, &f.root);
    const core::HexDump& d = m.Layout();
    ASSERT_EQ(m.LineCount(), 3U);
    struct Case {
        std::size_t line, column;
        const decode::CPktDetailLine* expected;
    };
    const Case cases[] = {
        {0, d.HexColumn(2), f.bit},
        {0, d.HexColumn(2) + 1, f.bit},
        {0, d.TextColumn(3), f.field},
        {0, d.HexColumn(0), f.header},
        {1, d.HexColumn(3), f.header},
        {1, d.TextColumn(4), f.payload},
        {2, d.HexColumn(7), f.payload},
        {2, d.HexColumn(8), nullptr},  // past the frame's end
        {0, 0, nullptr},
        {0, d.HexColumn(2) + 2, nullptr},  // the offset, a blank
    };
    for (const auto& c : cases) EXPECT_EQ(m.LineAt(c.line, c.column), c.expected) << c.line << ":" << c.column;

    BytesPaneModel bare;
    bare.SetFrame(f.bytes, nullptr);
    EXPECT_EQ(bare.LineAt(0, d.HexColumn(2)), nullptr) << "bytes without lines select nothing";
}

TEST(BytesPaneModel, MarksTheSelectedLinesBytesInHexAndCharacters) {
    Frame f;
    BytesPaneModel m;
    m.SetFrame(f.bytes, &f.root);
    const core::HexDump& d = m.Layout();

    m.Select(f.field);
    EXPECT_EQ(m.MarkedOn(0), (Columns{{d.HexColumn(2), d.HexColumn(3) + 2}, {d.TextColumn(2), d.TextColumn(4)}}));
    EXPECT_TRUE(m.MarkedOn(1).empty());
    EXPECT_EQ(m.FirstMarkedLine(), 0U);

    // The payload runs over two dump lines, across the middle gap of the first.
    m.Select(f.payload);
    EXPECT_TRUE(m.MarkedOn(0).empty());
    EXPECT_EQ(m.MarkedOn(1), (Columns{{d.HexColumn(4), d.HexColumn(15) + 2}, {d.TextColumn(4), d.TextColumn(16)}}));
    EXPECT_EQ(m.MarkedOn(2), (Columns{{d.HexColumn(0), d.HexColumn(7) + 2}, {d.TextColumn(0), d.TextColumn(8)}}));
    EXPECT_EQ(m.FirstMarkedLine(), 1U);

    m.Select(f.count);
    EXPECT_EQ(m.Selected(), f.count);
    EXPECT_FALSE(m.Marked()) << "a line about no bytes marks none";
    EXPECT_FALSE(m.FirstMarkedLine());

    // A range longer than the bytes shown (a frame cut short) marks what there is.
    f.payload->SetBytes(decode::ByteRange{36, 10});
    m.Select(f.payload);
    EXPECT_EQ(m.Marked(), (decode::ByteRange{36, 4}));

    m.SetFrame(std::vector<std::uint8_t>(4, 0), &f.root);
    EXPECT_EQ(m.Selected(), nullptr) << "a new frame starts unmarked";
    EXPECT_FALSE(m.Marked());
}

TEST(BytesPaneModel, LinesInTheTextViewsOrder) {
    Frame f;
    BytesPaneModel m;
    m.SetFrame(f.bytes, &f.root);
    const decode::CPktDetailLine* order[] = {f.header, f.field, f.bit, f.payload, f.count};
    for (std::size_t i = 0; i < std::size(order); ++i) {
        EXPECT_EQ(m.LineByIndex(i), order[i]);
        EXPECT_EQ(m.IndexOf(order[i]), i);
    }
    EXPECT_EQ(m.LineByIndex(5), nullptr);
    EXPECT_FALSE(m.IndexOf(&f.root)) << "the root is no line of the text";
    EXPECT_FALSE(m.IndexOf(nullptr));
}

}  // namespace
