// One row formatter for the window and the command line: each column from its own field,
// captured texts escaped only where the output cannot escape them itself.
#include <gtest/gtest.h>

#include <cmath>

#include "packetlist/PacketRow.h"

namespace {

using packetlist::CapturedText;
using packetlist::RowColumn;

TEST(PacketRow, EachColumnFromItsOwnFieldInEitherForm) {
    decode::CPktSummary summary;
    summary.frameNumber = 4294967295U;
    summary.source = "src\x1b[2J";
    summary.destination = "dst\\x41";
    summary.summary = "sum\xff\n";
    const struct {
        float delta;
        CapturedText form;
        const char* texts[packetlist::kRowColumnCount];
    } cases[] = {
        {1.999F, CapturedText::Display, {"4294967295", "1", "src\\x1B[2J", "dst\\\\x41", "sum\\xFF\\x0A"}},
        {-2.5F, CapturedText::AsDecoded, {"4294967295", "-2", "src\x1b[2J", "dst\\x41", "sum\xff\n"}},
        {NAN, CapturedText::Display, {"4294967295", "0", "src\\x1B[2J", "dst\\\\x41", "sum\\xFF\\x0A"}},
    };
    packetlist::RowTexts row;
    row.summary = "left over from the row before";
    for (const auto& c : cases) {
        summary.timeDelta = c.delta;
        packetlist::FormatRow(summary, row, c.form);
        for (std::size_t i = 0; i < packetlist::kRowColumnCount; ++i)
            EXPECT_EQ(row.Text(static_cast<RowColumn>(i)), c.texts[i])
                << packetlist::kRowColumnNames[i] << " at delta " << c.delta;
    }
}

}  // namespace
