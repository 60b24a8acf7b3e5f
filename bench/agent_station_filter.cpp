// The agent's capture filter on a frame between two stations, with station lists of growing
// length (the manager sends up to about 16,000 addresses): the cost per frame must not grow
// with the list. The frame's stations are in no list, so every list is looked through in vain;
// a second list makes the filter ask about both ends. Items are frames.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <vector>

#include "agentd/CaptureFilter.h"
#include "capture/CPktSnapConf.h"

namespace {

// Ethernet, then IPv4 from 10.0.0.1 to 10.0.0.2 carrying UDP 1000 -> 9.
std::vector<std::uint8_t> Frame() {
    std::vector<std::uint8_t> f = {0, 1,  2,  3, 4, 5,  6, 7, 8, 9,  10, 11, 0x08, 0x00, 0x45, 0, 0, 44, 0,  1, 0,
                                   0, 64, 17, 0, 0, 10, 0, 0, 1, 10, 0,  0,  2,    0x03, 0xE8, 0, 9, 0,  24, 0, 0};
    f.resize(60, 0xAB);
    return f;
}

capture::CPktSnapConf WithStations(std::size_t count, bool ipv4) {
    capture::CPktSnapConf conf;
    for (std::size_t i = 0; i < count; ++i) {
        const auto n = static_cast<std::uint32_t>(i);
        if (ipv4) {
            conf.firstList.push_back(0xC0A80000 + n);
            conf.secondList.push_back(0xAC100000 + n);
        } else {
            conf.firstAddresses.emplace_back(std::array<std::uint8_t, 6>{0x02, 0, 0, static_cast<std::uint8_t>(n >> 16),
                                                                         static_cast<std::uint8_t>(n >> 8),
                                                                         static_cast<std::uint8_t>(n)});
        }
    }
    return conf;
}

void Stations(benchmark::State& state, bool ipv4) {
    const agentd::CaptureFilter filter(WithStations(static_cast<std::size_t>(state.range(0)), ipv4));
    const auto frame = Frame();
    for (auto _ : state) benchmark::DoNotOptimize(filter.Passes(frame));
    state.SetItemsProcessed(state.iterations());
}

void BM_Ipv4Stations(benchmark::State& state) { Stations(state, true); }
void BM_EthernetStations(benchmark::State& state) { Stations(state, false); }

}  // namespace

BENCHMARK(BM_Ipv4Stations)->Arg(1)->Arg(64)->Arg(1024)->Arg(8192);
BENCHMARK(BM_EthernetStations)->Arg(1)->Arg(64)->Arg(1024)->Arg(16384);

BENCHMARK_MAIN();
