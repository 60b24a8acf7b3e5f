// The frame batch's two decoding operations, which live with the decoder set so that the
// capture layer never depends on the decoders.
#include "capture/CPktSnap.h"
#include "decode/CPktParsers.h"

namespace capture {

void CPktSnap::SummaryOf(std::uint32_t level, decode::CPktSummary* row, std::uint32_t i) const {
    // A row the batch does not hold is described by nothing.
    if (m_parsers == nullptr || row == nullptr || i >= GetFrameCount()) return;
    const CPktSnapQue frame = GetFrame(i);
    if (i == 0) {
        m_parsers->DecodeSummary(level, nullptr, &frame, *row, m_frequency);
        return;
    }
    const CPktSnapQue previous = GetFrame(i - 1);
    m_parsers->DecodeSummary(level, &previous, &frame, *row, m_frequency);
}

void CPktSnap::DetailOf(decode::CPktDetailLine* root, std::uint32_t i) const {
    if (m_parsers == nullptr || root == nullptr || i >= GetFrameCount()) return;
    const CPktSnapQue frame = GetFrame(i);
    if (i == 0) {
        m_parsers->DecodeDetail(nullptr, &frame, *root, m_frequency);
        return;
    }
    const CPktSnapQue previous = GetFrame(i - 1);
    m_parsers->DecodeDetail(&previous, &frame, *root, m_frequency);
}

}  // namespace capture
