// A detail tree as plain text, as the text view shows it: depth first, each line indented
// by four spaces per level below the top lines, then its prefix and its text in display form
// (core::DisplayText), so captured bytes can neither split a line nor act on a terminal.
#pragma once

#include <string>
#include <string_view>

#include "decode/CPktDetailLine.h"

namespace decode {

// The lines below root (the root itself carries no text), each ended by lineEnd: CR LF in
// the workbench's text view, LF on a terminal.
std::string RenderDetailText(const CPktDetailLine& root, std::string_view lineEnd = "\r\n");
void AppendDetailText(std::string& out, const CPktDetailLine& root, std::string_view lineEnd = "\r\n");

}  // namespace decode
