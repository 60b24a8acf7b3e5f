// The capture thread's sense of time: a steady clock (changing the system time neither fires
// nor suppresses a time limit) and the wait of each round for the stop event, the
// pause/continue event or the round's time-out. Tests put a clock in its place that jumps
// forward instead of sleeping, so no test waits for a time limit.
#pragma once

#include <chrono>
#include <optional>

#include "platform/ManualResetEvent.h"

namespace session {

enum class Wake { Stop, Toggle, TimeOut };

class CaptureClock {
public:
    using TimePoint = std::chrono::steady_clock::time_point;
    virtual ~CaptureClock() = default;
    virtual TimePoint Now() = 0;
    // The stop event wins over the pause/continue event; nullopt waits without time-out.
    virtual Wake Wait(const platform::ManualResetEvent& stop, const platform::ManualResetEvent& toggle,
                      std::optional<std::chrono::milliseconds> timeout) = 0;
};

class SteadyCaptureClock final : public CaptureClock {
public:
    TimePoint Now() override { return std::chrono::steady_clock::now(); }
    Wake Wait(const platform::ManualResetEvent& stop, const platform::ManualResetEvent& toggle,
              std::optional<std::chrono::milliseconds> timeout) override;
};

}  // namespace session
