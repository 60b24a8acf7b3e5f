// The decoding of one frame of a batch, beside the decoder set, so that the capture layer
// never depends on the decoders.
#include "decode/BatchDecoding.h"

#include "decode/CPktParsers.h"

namespace decode {

void SummaryOf(const capture::CPktSnap& batch, std::uint32_t level, CPktSummary* row, std::uint32_t i) {
    const CPktParsers* parsers = batch.GetParsers();
    if (parsers == nullptr || row == nullptr || i >= batch.GetFrameCount()) return;
    const capture::CPktSnapQue frame = batch.GetFrame(i);
    if (i == 0) {
        parsers->DecodeSummary(level, nullptr, &frame, *row, batch.GetFrequency());
        return;
    }
    const capture::CPktSnapQue previous = batch.GetFrame(i - 1);
    parsers->DecodeSummary(level, &previous, &frame, *row, batch.GetFrequency());
}

void DetailOf(const capture::CPktSnap& batch, CPktDetailLine* root, std::uint32_t i) {
    const CPktParsers* parsers = batch.GetParsers();
    if (parsers == nullptr || root == nullptr || i >= batch.GetFrameCount()) return;
    const capture::CPktSnapQue frame = batch.GetFrame(i);
    if (i == 0) {
        parsers->DecodeDetail(nullptr, &frame, *root, batch.GetFrequency());
        return;
    }
    const capture::CPktSnapQue previous = batch.GetFrame(i - 1);
    parsers->DecodeDetail(&previous, &frame, *root, batch.GetFrequency());
}

}  // namespace decode
