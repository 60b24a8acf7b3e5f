// Interval texts.
#include "stats/IntervalText.h"

#include <charconv>
#include <cstdio>

#include "stats/IoSeries.h"

namespace stats {

namespace {

struct Unit {
    std::string_view suffix;
    std::int64_t nanoseconds;
};
// Longest suffix first, so that "ms" is not read as "s".
constexpr Unit kUnits[] = {
    {"ms", 1'000'000}, {"s", kNanosPerSecond}, {"m", 60 * kNanosPerSecond}, {"h", 3600 * kNanosPerSecond}};

}  // namespace

std::optional<std::int64_t> ParseInterval(std::string_view text) {
    std::int64_t unit = kNanosPerSecond;
    for (const Unit& u : kUnits) {
        if (text.size() > u.suffix.size() && text.ends_with(u.suffix)) {
            text.remove_suffix(u.suffix.size());
            unit = u.nanoseconds;
            break;
        }
    }
    // Whole units, then at most six decimals, read exactly: no floating point to round
    // 0.001 s to a hair under a millisecond.
    const std::size_t dot = text.find('.');
    const std::string_view whole = text.substr(0, dot);
    const std::string_view fraction = dot == std::string_view::npos ? std::string_view{} : text.substr(dot + 1);
    if (whole.empty() || fraction.size() > 6 || (dot != std::string_view::npos && fraction.empty()))
        return std::nullopt;
    std::int64_t units = 0;
    if (auto [end, ec] = std::from_chars(whole.data(), whole.data() + whole.size(), units);
        ec != std::errc{} || end != whole.data() + whole.size() || units > 3600 * 1000)
        return std::nullopt;
    std::int64_t micro = 0;  // millionths of the unit
    for (std::size_t i = 0; i < 6; ++i) {
        const char c = i < fraction.size() ? fraction[i] : '0';
        if (c < '0' || c > '9') return std::nullopt;
        micro = micro * 10 + (c - '0');
    }
    const std::int64_t ns = units * unit + micro * (unit / 1'000'000);
    if (ns < IoSeries::kMinInterval || ns > IoSeries::kMaxInterval || ns % IoSeries::kMinInterval != 0)
        return std::nullopt;
    return ns;
}

std::string IntervalText(std::int64_t nanoseconds) {
    char text[32];
    for (auto it = std::rbegin(kUnits); it != std::rend(kUnits); ++it) {
        if (nanoseconds % it->nanoseconds == 0) {
            std::snprintf(text, sizeof text, "%lld%.*s", static_cast<long long>(nanoseconds / it->nanoseconds),
                          static_cast<int>(it->suffix.size()), it->suffix.data());
            return text;
        }
    }
    // Not a whole number of milliseconds: seconds with decimals.
    std::snprintf(text, sizeof text, "%gs", static_cast<double>(nanoseconds) / kNanosPerSecond);
    return text;
}

}  // namespace stats
