// Which frames a listing, count or export takes: those a filter expression matches (libpcap's
// capture-filter syntax) and whose summary, or detail text, holds a piece of text. The
// expression is compiled before the file is even opened, so a bad one costs nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include <CLI/CLI.hpp>

#include "capture/CPktSnap.h"
#include "filter/FrameFilter.h"
#include "packetlist/TextFind.h"

namespace cli {

struct SelectionOptions {
    std::optional<std::string> filter;
    std::optional<std::string> contains;
    bool inDetail = false;
};

// --filter EXPR, and with withFind --contains TEXT [--in-detail].
void AddSelectionOptions(CLI::App* command, SelectionOptions& options, bool withFind);

class FrameSelection {
public:
    // Compiles the expression; nullopt after libpcap's message was written to err.
    static std::optional<FrameSelection> Make(const SelectionOptions& options, std::ostream& err);

    // Whether any frame may be left out.
    bool Narrows() const noexcept { return m_filter.has_value() || m_find != nullptr; }
    // The filter first: it looks at bytes alone, far cheaper than decoding for the text.
    bool Selects(const capture::CPktSnap& batch, std::uint32_t i, std::uint32_t level);
    // The filter alone (export writes bytes, it decodes nothing).
    bool Passes(const capture::CPktSnapQue& frame) const noexcept { return !m_filter || m_filter->Matches(frame); }
    // The text search alone, for a frame whose summary at that level is decoded already.
    bool Finds(const capture::CPktSnap& batch, std::uint32_t i, std::uint32_t level, const decode::CPktSummary& row);

private:
    std::optional<filter::FrameFilter> m_filter;
    std::unique_ptr<packetlist::TextFind> m_find;  // holds decoding scratch that stays put
};

}  // namespace cli
