// The percentage line of long work on a large file ("import:  42% (120 of 285 MiB)"), on
// stderr, only on a terminal and only for files large enough to need it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace cli {

class ProgressLine {
public:
    explicit ProgressLine(std::string label) : m_label(std::move(label)) {}
    ~ProgressLine() { End(); }
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // What the work calls with bytes done and bytes in all; empty when stderr is no terminal.
    std::function<void(std::uint64_t done, std::uint64_t total)> Callback();
    // Ends the line, if one was shown, before anything else is written.
    void End();

private:
    std::string m_label;
    bool m_shown = false;
};

}  // namespace cli
