// The statistics engine over the LAN mix and its IPv6-heavy twin, one table at a time as
// palomet-cli stats keeps it: the protocol hierarchy (every layer decoded), TCP
// conversations and IPv4 endpoints (layers up to the transport), and I/O per 100 ms (no
// decoding at all). Items are frames.
#include <benchmark/benchmark.h>

#include "LanMix.h"
#include "stats/StatsTables.h"
#include "stats/TrafficStats.h"

namespace {

enum View { kProtocols, kTcpConversations, kIpEndpoints, kIo };

stats::StatsRequest RequestFor(View view) {
    stats::StatsRequest request;
    switch (view) {
        case kProtocols:
            request.protocols = true;
            break;
        case kTcpConversations:
            request.conversations[static_cast<std::size_t>(stats::TableKind::TCP)] = true;
            break;
        case kIpEndpoints:
            request.endpoints[static_cast<std::size_t>(stats::TableKind::IPv4)] = true;
            break;
        case kIo:
            request.ioInterval = 100'000'000;
            break;
    }
    return request;
}

void StatsOverMix(benchmark::State& state, const bench::Mix& mix) {
    const auto view = static_cast<View>(state.range(0));
    for (auto _ : state) {
        stats::TrafficStats engine(mix.parsers, RequestFor(view));
        engine.AddBatch(mix.batch);
        benchmark::DoNotOptimize(engine.Frames());
    }
    state.SetItemsProcessed(state.iterations() * mix.batch.GetFrameCount());
}

void StatsView(benchmark::State& state) { StatsOverMix(state, bench::TheMix()); }
void Ipv6StatsView(benchmark::State& state) { StatsOverMix(state, bench::TheIpv6Mix()); }
// What a live statistics window does with each new count of a busy capture: the TCP
// conversations table of 100,000 conversations made and sorted by bytes, as a user who
// clicked that column sees it. Items are rows.
void LiveConversationsRefresh(benchmark::State& state) {
    const auto conversations = static_cast<std::uint32_t>(state.range(0));
    stats::ConversationTable table;
    for (std::uint32_t i = 0; i < conversations; ++i) {
        const auto a = stats::Address::V4(0x0A000000U + i, static_cast<std::uint16_t>(1024 + i % 50000));
        table.Add(a, stats::Address::V4(0xC0A80001U, 443), {static_cast<std::int64_t>(i) * 1000, 60 + i % 1400, i});
    }
    const std::size_t bytesColumn = 5;  // Address A, Port A, Address B, Port B, Frames, Bytes
    for (auto _ : state) {
        const auto shown = stats::MakeConversationTable(stats::TableKind::TCP, table);
        benchmark::DoNotOptimize(shown->SortedBy(bytesColumn, true));
    }
    state.SetItemsProcessed(state.iterations() * conversations);
}

BENCHMARK(StatsView)->DenseRange(kProtocols, kIo)->Unit(benchmark::kMillisecond);
BENCHMARK(LiveConversationsRefresh)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK(Ipv6StatsView)->DenseRange(kProtocols, kIo)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
