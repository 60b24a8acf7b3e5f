// printf-style text building: formats into a stack buffer first, so short lines cost one copy.
#include "decode/app/AppText.h"

#include <cstdarg>
#include <cstdio>

namespace decode::app {

namespace {

void AppendV(std::string& out, const char* format, va_list args) {
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
        // Long lines (a WKS service list, a long HTTP header) take a second pass.
        const std::size_t at = out.size();
        out.resize(at + length + 1);
        std::vsnprintf(&out[at], length + 1, format, again);
        out.resize(at + length);
    }
    va_end(again);
}

}  // namespace

void AppendF(std::string& out, const char* format, ...) {
    va_list args;
    va_start(args, format);
    AppendV(out, format, args);
    va_end(args);
}

std::string Fmt(const char* format, ...) {
    std::string out;
    va_list args;
    va_start(args, format);
    AppendV(out, format, args);
    va_end(args);
    return out;
}

std::string DottedQuad(std::uint32_t address) {
    return Fmt("%u.%u.%u.%u", address >> 24, (address >> 16) & 0xFFU, (address >> 8) & 0xFFU, address & 0xFFU);
}

}  // namespace decode::app
