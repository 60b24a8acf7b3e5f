// palomet-cli capture: the capture window's document and capture thread without a window.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace cli {

struct CaptureRequest {
    std::string profile;   // a stored session profile supplies every setting; options override it
    std::string registry;  // the settings store file; empty: the default one
    std::string server;
    std::uint16_t epmPort = 0;  // 0: PALOMET_EPM_PORT or 135
    double timeoutSeconds = 30;
    std::string out;
    std::uint32_t seconds = 0;        // 0: no time limit
    std::uint32_t frames = 0;         // 0: no frame target
    std::string sizeLimit;            // N, NKB or NMB; empty: none
    std::vector<std::string> layers;  // empty: every protocol
    bool include = false;             // the default; named for scripts that say it
    bool exclude = false;
    bool json = false;  // the summary as one JSON object
};

// Exit statuses of a capture, so that a script can tell a clean capture from a lossy one.
inline constexpr int kCaptureClean = 0;
inline constexpr int kCaptureFailed = 1;      // a call failed, a batch was refused, the file could not be written
inline constexpr int kCaptureLostFrames = 3;  // otherwise complete, but the agent could not deliver every frame

// Opens the session, captures until Ctrl-C, the time or size limit or the frame target,
// and finishes the trace file. Returns one of the exit statuses above.
int RunCapture(const CaptureRequest& request);

}  // namespace cli
