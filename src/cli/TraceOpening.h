// What every trace-file command does first: open the file and tell the user why not, in the
// workbench's words, when it cannot.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "capture/TraceReader.h"
#include "core/UserPrompt.h"

namespace cli {

// The reader, or nothing after "Trace file could not be opened!" and the reason.
std::optional<capture::TraceReader> OpenTrace(const std::string& file, core::UserPrompt& prompt);

// Frame numbers run from 0 to frameCount - 1; anything else gets the workbench's message.
bool CheckFrameNumber(std::uint32_t n, std::uint32_t frameCount, core::UserPrompt& prompt);

}  // namespace cli
