// Intervals as the command line takes them.
#include <gtest/gtest.h>

#include "stats/IntervalText.h"

namespace stats::test {
namespace {

TEST(IntervalText, ReadsOneMillisecondToOneHour) {
    constexpr std::int64_t kMs = 1'000'000;
    struct Case {
        const char* text;
        std::optional<std::int64_t> ns;
    };
    const Case cases[] = {
        {"1ms", kMs},
        {"1", 1000 * kMs},
        {"1s", 1000 * kMs},
        {"0.001", kMs},  // exactly, not a hair under
        {"2.5s", 2500 * kMs},
        {"0.1", 100 * kMs},
        {"5m", 300'000 * kMs},
        {"1h", 3'600'000 * kMs},
        {"3600", 3'600'000 * kMs},
        {"60m", 3'600'000 * kMs},
        // Outside the range, or not an interval.
        {"0", std::nullopt},
        {"0.5ms", std::nullopt},
        {"1.5ms", std::nullopt},
        {"0.0001", std::nullopt},
        {"2h", std::nullopt},
        {"3601", std::nullopt},
        {"99999999999999999999", std::nullopt},
        {"-1", std::nullopt},
        {"1.", std::nullopt},
        {".5", std::nullopt},
        {"1x", std::nullopt},
        {"ms", std::nullopt},
        {"", std::nullopt},
        {"1 s", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(ParseInterval(c.text), c.ns) << '"' << c.text << '"';
}

TEST(IntervalText, WritesTheLargestWholeUnit) {
    const std::pair<std::int64_t, const char*> cases[] = {
        {1'000'000, "1ms"}, {2'500'000'000, "2500ms"}, {90'000'000'000, "90s"}, {3'600'000'000'000, "1h"}};
    for (const auto& [ns, text] : cases) EXPECT_EQ(IntervalText(ns), text);
}

}  // namespace
}  // namespace stats::test
