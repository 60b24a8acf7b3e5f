// A detail tree as plain text, as the text view shows it: depth first, each line indented
// by four spaces per level below the top lines, then its prefix and its text in display form
// (core::DisplayText), so captured bytes can neither split a line nor act on a terminal.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "decode/CPktDetailLine.h"

namespace decode {

// The lines below root (the root itself carries no text), each ended by lineEnd: CR LF in
// the workbench's text view, LF on a terminal.
std::string RenderDetailText(const CPktDetailLine& root, std::string_view lineEnd = "\r\n");
void AppendDetailText(std::string& out, const CPktDetailLine& root, std::string_view lineEnd = "\r\n");

// Calls visit(line, depth) for every line below root, depth first in display order; the top
// lines have depth 0. An explicit stack: a deep tree costs memory, never the call stack.
template <class Visit>
void ForEachDetailLine(const CPktDetailLine& root, Visit&& visit) {
    std::vector<std::pair<const CPktDetailLine*, std::size_t>> pending;
    const auto pushChildren = [&pending](const CPktDetailLine& line, std::size_t depth) {
        const auto& children = line.Children();
        for (auto it = children.rbegin(); it != children.rend(); ++it) pending.emplace_back(it->get(), depth);
    };
    pushChildren(root, 0);
    while (!pending.empty()) {
        const auto [line, depth] = pending.back();
        pending.pop_back();
        visit(*line, depth);
        pushChildren(*line, depth + 1);
    }
}

}  // namespace decode
