// Formats into a stack buffer first, so a short line costs one copy; a longer one (a WKS
// service list, a long HTTP header) takes a second pass straight into the string.
#include "core/Printf.h"

#include <cstdarg>
#include <cstdio>

namespace core {

namespace {

// The format is the caller's, already checked where AppendPrintf or Printf was called.
__attribute__((format(printf, 2, 0))) void AppendV(std::string& out, const char* format, va_list args) {
    char buffer[256];
    va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    if (n < 0) {
        va_end(again);
        return;
    }
    const auto length = static_cast<std::size_t>(n);
    if (length < sizeof buffer) {
        out.append(buffer, length);
    } else {
        const std::size_t at = out.size();
        out.resize(at + length + 1);
        std::vsnprintf(&out[at], length + 1, format, again);
        out.resize(at + length);
    }
    va_end(again);
}

}  // namespace

void AppendPrintf(std::string& out, const char* format, ...) {
    va_list args;
    va_start(args, format);
    AppendV(out, format, args);
    va_end(args);
}

std::string Printf(const char* format, ...) {
    std::string out;
    va_list args;
    va_start(args, format);
    AppendV(out, format, args);
    va_end(args);
    return out;
}

}  // namespace core
