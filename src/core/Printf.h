// printf into a string, for the texts whose formats are kept as written (the decoders'
// detail and summary lines, a few messages); the compiler checks every format against its
// arguments.
#pragma once

#include <string>

namespace core {

// Appends the formatted text to out.
void AppendPrintf(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));
// The formatted text as a new string.
std::string Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace core
