// The real clock: std::chrono::steady_clock and a poll on both events.
#include "session/CaptureClock.h"

namespace session {

Wake SteadyCaptureClock::Wait(const platform::ManualResetEvent& stop, const platform::ManualResetEvent& toggle,
                              std::optional<std::chrono::milliseconds> timeout) {
    const auto woken = platform::WaitAny({&stop, &toggle}, timeout);
    if (!woken) return Wake::TimeOut;
    return *woken == 0 ? Wake::Stop : Wake::Toggle;
}

}  // namespace session
