// What a statistics window shows at one moment: the tables made from the engine's counts.
// The worker makes them, so that the window only swaps them in; the tables are shared and
// never change once made, so a window may keep showing one while the next is being made.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "stats/StatsTables.h"
#include "stats/TrafficStats.h"

namespace stats {

struct StatsSnapshot {
    std::uint64_t frames = 0;
    std::uint64_t bytes = 0;
    std::int64_t span = 0;  // ns from the first frame to the latest
    // nullptr for what the request did not ask for.
    std::shared_ptr<const ProtocolTable> protocols;
    std::array<std::shared_ptr<const ConversationStatsTable>, kTableKinds> conversations;
    std::array<std::shared_ptr<const EndpointStatsTable>, kTableKinds> endpoints;
    std::shared_ptr<const IoSeries> io;
    // Blocks passed over so far, in file order.
    std::vector<std::string> errors;
};

// The tables of everything the engine keeps; Ethernet endpoints are named from vendors
// when given.
StatsSnapshot TakeSnapshot(const TrafficStats& engine, const tables::CPktEtherNums* vendors);

}  // namespace stats
