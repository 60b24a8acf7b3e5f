// Opening a trace file for a command, and the frame-number check of "go to packet".
#include "cli/TraceOpening.h"

#include <iostream>

#include "core/DisplayText.h"
#include "packetlist/StatusTexts.h"

namespace cli {

std::optional<capture::TraceReader> OpenTrace(const std::string& file, core::UserPrompt& prompt) {
    auto opened = capture::TraceReader::Open(file);
    if (!opened) {
        prompt.Tell("Trace file could not be opened!", core::PromptIcon::Exclamation);
        std::cerr << opened.Err().text << '\n';
        return std::nullopt;
    }
    return std::move(opened).Value();
}

std::string RecoverHint(const std::string& file) {
    return "The capture that wrote this file did not end in order; `palomet-cli recover " + core::DisplayText(file) +
           "` can bring it back.";
}

bool ValidateTrace(capture::TraceReader& reader, const std::string& file, core::UserPrompt& prompt) {
    if (reader.Validate(prompt)) return true;
    if (reader.Unfinished()) std::cerr << RecoverHint(file) << '\n';
    return false;
}

std::unique_ptr<DecodableTrace> OpenForDecoding(const std::string& file, core::UserPrompt& prompt) {
    auto opened = OpenTrace(file, prompt);
    if (!opened || !ValidateTrace(*opened, file, prompt)) return nullptr;
    return std::make_unique<DecodableTrace>(std::move(*opened));
}

bool CheckFrameNumber(std::uint32_t n, std::uint32_t frameCount, core::UserPrompt& prompt) {
    if (n < frameCount) return true;
    prompt.Tell(packetlist::InvalidLineNumberText(frameCount), core::PromptIcon::Exclamation);
    return false;
}

}  // namespace cli
