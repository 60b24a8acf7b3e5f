// What every trace-file command does first: open the file and tell the user why not, in the
// workbench's words, when it cannot.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "capture/TraceReader.h"
#include "core/UserPrompt.h"
#include "decode/CPktParsers.h"
#include "decode/CPktParsersConf.h"

namespace cli {

// The reader, or nothing after "Trace file could not be opened!" and the reason.
std::optional<capture::TraceReader> OpenTrace(const std::string& file, core::UserPrompt& prompt);

// Validates the file as the workbench does. When the capture that wrote it did not end in
// order, the user also learns how to bring it back.
bool ValidateTrace(capture::TraceReader& reader, const std::string& file, core::UserPrompt& prompt);
// "palomet-cli recover FILE can bring it back", for a file whose capture did not end in order.
std::string RecoverHint(const std::string& file);

// A trace file that passed validation, with the decoder objects a packet list builds for it
// (the tables read from their files): what the commands that decode frames start from.
struct DecodableTrace {
    explicit DecodableTrace(capture::TraceReader opened) : reader(std::move(opened)) {}
    capture::TraceReader reader;
    decode::CPktParsersConf conf = decode::CPktParsersConf::FromTableFiles();
    decode::CPktParsers parsers{conf};
};
// Opens and validates file; nullptr after the user was told why not.
std::unique_ptr<DecodableTrace> OpenForDecoding(const std::string& file, core::UserPrompt& prompt);

// Frame numbers run from 0 to frameCount - 1; anything else gets the workbench's message.
bool CheckFrameNumber(std::uint32_t n, std::uint32_t frameCount, core::UserPrompt& prompt);

}  // namespace cli
