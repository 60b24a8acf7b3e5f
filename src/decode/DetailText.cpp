// Depth-first text rendering of a detail tree.
#include "decode/DetailText.h"

#include "core/DisplayText.h"

namespace decode {

void AppendDetailText(std::string& out, const CPktDetailLine& root, std::string_view lineEnd) {
    ForEachDetailLine(root, [&out, lineEnd](const CPktDetailLine& line, std::size_t depth) {
        out.append(depth * 4, ' ');
        out.append(line.Prefix());
        core::AppendDisplayText(out, line.Text());
        out.append(lineEnd);
    });
}

std::string RenderDetailText(const CPktDetailLine& root, std::string_view lineEnd) {
    std::string out;
    AppendDetailText(out, root, lineEnd);
    return out;
}

}  // namespace decode
