// What a packet list sees of the capture that writes its trace file: the counts and flags
// the capture thread publishes, read on the user-interface thread without waiting, and the
// pause/continue request going the other way.
#pragma once

#include <cstdint>

#include "capture/TraceFormat.h"

namespace packetlist {

struct CaptureCounts {
    std::uint32_t blockCount = 0;
    std::uint32_t frameCount = 0;
    std::uint32_t endOffset = capture::kTraceHeaderSize;
    std::uint64_t framesLost = 0;  // numbered by the agent, never delivered
    bool paused = false;
    bool timeLimitReached = false;
    bool sizeLimitReached = false;
};

class CaptureLink {
public:
    virtual ~CaptureLink() = default;
    virtual CaptureCounts Counts() const = 0;
    // Asks the capture thread to pause when it runs, or to continue when it is paused.
    virtual void RequestPauseToggle() = 0;
};

}  // namespace packetlist
