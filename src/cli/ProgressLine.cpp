// Progress line on a terminal.
#include "cli/ProgressLine.h"

#include <unistd.h>

#include <cstdio>

namespace cli {

namespace {
// Below this a progress line would only flicker.
constexpr std::uint64_t kProgressFrom = 16u << 20;
}  // namespace

std::function<void(std::uint64_t, std::uint64_t)> ProgressLine::Callback() {
    if (::isatty(STDERR_FILENO) != 1) return {};
    return [this](std::uint64_t done, std::uint64_t total) {
        if (total < kProgressFrom) return;
        std::fprintf(stderr, "\r%s: %3u%% (%llu of %llu MiB)", m_label.c_str(),
                     static_cast<unsigned>(done * 100 / total), static_cast<unsigned long long>(done >> 20),
                     static_cast<unsigned long long>(total >> 20));
        m_shown = true;
    };
}

void ProgressLine::End() {
    if (m_shown) std::fputc('\n', stderr);
    m_shown = false;
}

}  // namespace cli
