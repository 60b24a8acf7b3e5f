// printf-style text building for the application decoders, whose line formats are
// printf formats; the compiler checks every format against its arguments.
#pragma once

#include <cstdint>
#include <string>

namespace decode::app {

// Appends the formatted text to out.
void AppendF(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));
// The formatted text as a new string.
std::string Fmt(const char* format, ...) __attribute__((format(printf, 1, 2)));
// "a.b.c.d" of four octets in wire order.
std::string DottedQuad(std::uint32_t address);

}  // namespace decode::app
