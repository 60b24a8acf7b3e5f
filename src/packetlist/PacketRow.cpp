// Row texts from the summary chain's row.
#include "packetlist/PacketRow.h"

#include "core/DisplayText.h"
#include "decode/TextAppend.h"

namespace packetlist {

const std::string& RowTexts::Text(RowColumn column) const noexcept {
    switch (column) {
        case RowColumn::Counter:
            return counter;
        case RowColumn::Delta:
            return delta;
        case RowColumn::Source:
            return source;
        case RowColumn::Destination:
            return destination;
        case RowColumn::Summary:
            break;
    }
    return summary;
}

void FormatRow(const decode::CPktSummary& row, RowTexts& out, CapturedText form) {
    out.counter.clear();
    decode::AppendDec(out.counter, row.frameNumber);
    out.delta.clear();
    decode::AppendDeltaMs(out.delta, row.timeDelta);
    for (auto [text, raw] : {std::pair{&out.source, &row.source}, std::pair{&out.destination, &row.destination},
                             std::pair{&out.summary, &row.summary}}) {
        if (form == CapturedText::AsDecoded) {
            text->assign(*raw);
        } else {
            text->clear();
            core::AppendDisplayText(*text, *raw);
        }
    }
}

}  // namespace packetlist
