// The nesting check of a detail tree's byte ranges.
#include "decode/DetailRanges.h"

#include <utility>
#include <vector>

#include "decode/DetailText.h"

namespace decode {

const CPktDetailLine* FindStrayRange(const CPktDetailLine& root, std::size_t frameLength) {
    const ByteRange frame{0, static_cast<std::uint32_t>(frameLength)};
    // (line, the bytes it must stay inside): an explicit stack, as deep trees come from
    // hostile frames.
    std::vector<std::pair<const CPktDetailLine*, ByteRange>> pending;
    for (const auto& child : root.Children()) pending.emplace_back(child.get(), frame);
    while (!pending.empty()) {
        const auto [line, outer] = pending.back();
        pending.pop_back();
        const auto& bytes = line->Bytes();
        if (bytes && (bytes->length == 0 || bytes->offset > frameLength || !outer.Contains(*bytes))) return line;
        const ByteRange inner = bytes ? *bytes : outer;
        for (const auto& child : line->Children()) pending.emplace_back(child.get(), inner);
    }
    return nullptr;
}

const CPktDetailLine* DeepestLineAt(const CPktDetailLine& root, std::size_t offset) {
    const CPktDetailLine* deepest = nullptr;
    std::size_t deepestDepth = 0;
    ForEachDetailLine(root, [&](const CPktDetailLine& line, std::size_t depth) {
        const auto& bytes = line.Bytes();
        if (!bytes || offset < bytes->offset || offset >= bytes->End()) return;
        if (deepest == nullptr || depth > deepestDepth) {
            deepest = &line;
            deepestDepth = depth;
        }
    });
    return deepest;
}

}  // namespace decode
