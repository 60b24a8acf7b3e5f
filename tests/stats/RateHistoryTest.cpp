// The live window's rate history: per-second counts from a total read at uneven moments.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "stats/RateHistory.h"

namespace stats::test {
namespace {

TEST(RateHistory, SpreadsEachGrowthOverTheSecondsItTookAndStartsOverWhenTheTotalFalls) {
    struct Case {
        const char* name;
        std::vector<std::pair<std::int64_t, std::uint64_t>> samples;  // ms, total
        std::vector<double> perSecond;
    };
    const Case cases[] = {
        {"nothing yet", {{0, 0}, {900, 50}}, {}},
        {"twice a second", {{0, 0}, {500, 100}, {1000, 200}, {1500, 250}, {2000, 300}}, {200, 100}},
        {"a late poll spread over three seconds", {{0, 0}, {1000, 300}, {4000, 600}, {4100, 600}}, {100, 100, 100}},
        {"a new capture", {{0, 500}, {1000, 900}, {1500, 10}, {2500, 60}}, {25}},
        {"kept to the last three seconds", {{0, 0}, {1000, 1}, {2000, 3}, {3000, 6}, {4000, 10}, {5000, 15}}, {3, 4, 5}},
        {"longer apart than the history", {{0, 0}, {1000, 10}, {9000, 90}, {10000, 100}}, {10}},
    };
    for (const Case& c : cases) {
        RateHistory history(3);
        for (const auto& [millis, total] : c.samples) history.Sample(millis, total);
        const auto got = history.PerSecond();
        ASSERT_EQ(got.size(), c.perSecond.size()) << c.name;
        for (std::size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], c.perSecond[i], 1e-9) << c.name << " " << i;
        if (!got.empty()) {
            EXPECT_EQ(history.Latest(), got.back()) << c.name;
        }
    }
}

}  // namespace
}  // namespace stats::test
