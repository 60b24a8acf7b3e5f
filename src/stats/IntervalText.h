// An I/O interval as a person writes it: "1ms", "250ms", "1s", "2.5s", "5m", "1h"; a bare
// number is seconds.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace stats {

// Nanoseconds, or nothing for a text that is no interval or one outside 1 ms to 1 h (and for
// a fraction of a millisecond: "1.5ms").
std::optional<std::int64_t> ParseInterval(std::string_view text);

// In the largest unit that divides it: "1h", "90s", "2500ms".
std::string IntervalText(std::int64_t nanoseconds);

}  // namespace stats
