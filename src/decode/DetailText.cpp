// Depth-first text rendering of a detail tree.
#include "decode/DetailText.h"

#include <utility>
#include <vector>

#include "core/DisplayText.h"

namespace decode {

void AppendDetailText(std::string& out, const CPktDetailLine& root, std::string_view lineEnd) {
    // An explicit stack of (line, depth): a deep tree costs memory, never the call stack.
    std::vector<std::pair<const CPktDetailLine*, std::size_t>> pending;
    const auto pushChildren = [&pending](const CPktDetailLine& line, std::size_t depth) {
        const auto& children = line.Children();
        for (auto it = children.rbegin(); it != children.rend(); ++it) pending.emplace_back(it->get(), depth);
    };
    pushChildren(root, 0);
    while (!pending.empty()) {
        const auto [line, depth] = pending.back();
        pending.pop_back();
        out.append(depth * 4, ' ');
        out.append(line->Prefix());
        core::AppendDisplayText(out, line->Text());
        out.append(lineEnd);
        pushChildren(*line, depth + 1);
    }
}

std::string RenderDetailText(const CPktDetailLine& root, std::string_view lineEnd) {
    std::string out;
    AppendDetailText(out, root, lineEnd);
    return out;
}

}  // namespace decode
