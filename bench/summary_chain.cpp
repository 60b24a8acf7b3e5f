// The summary chain over the office mix (scripts/gen-traffic.py, made once under
// build/bench-data/, never committed) at every level, the detail chain with its text, and
// the whole list row as palomet-cli list writes it; then the summary chain over the mix's
// IPv6-heavy twin (make_ipv6_mix.py: the same conversations over IPv6, a quarter of them in
// VLAN tags), whose frames per second should stay within a fifth of the IPv4 mix's. Items
// are frames.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "LanMix.h"
#include "capture/CPktSnap.h"
#include "core/DisplayText.h"
#include "decode/BatchDecoding.h"
#include "decode/CPktDetailLine.h"
#include "decode/CPktParsers.h"
#include "decode/CPktParsersConf.h"
#include "decode/CPktSummary.h"
#include "decode/DetailText.h"
#include "decode/ProtoCode.h"
#include "decode/TextAppend.h"

namespace {

using bench::Mix;
using bench::TheIpv6Mix;
using bench::TheMix;

void SummaryOverMix(benchmark::State& state, const Mix& mix) {
    const auto level = static_cast<std::uint32_t>(state.range(0));
    decode::CPktSummary row;
    const std::uint32_t n = mix.batch.GetFrameCount();
    for (auto _ : state) {
        for (std::uint32_t i = 0; i < n; ++i) {
            decode::SummaryOf(mix.batch, level, &row, i);
            benchmark::DoNotOptimize(row.summary.data());
        }
    }
    state.SetItemsProcessed(state.iterations() * n);
}

void SummaryAtLevel(benchmark::State& state) { SummaryOverMix(state, TheMix()); }
void Ipv6SummaryAtLevel(benchmark::State& state) { SummaryOverMix(state, TheIpv6Mix()); }
BENCHMARK(SummaryAtLevel)
    ->Arg(decode::LEVEL_DATALINK)
    ->Arg(decode::LEVEL_NETWORK)
    ->Arg(decode::LEVEL_TRANSPORT)
    ->Arg(decode::LEVEL_APPLICATION)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(Ipv6SummaryAtLevel)
    ->Arg(decode::LEVEL_DATALINK)
    ->Arg(decode::LEVEL_NETWORK)
    ->Arg(decode::LEVEL_TRANSPORT)
    ->Arg(decode::LEVEL_APPLICATION)
    ->Unit(benchmark::kMillisecond);

// The row text palomet-cli list --tsv writes: counter, delta, the three texts.
void ListRowAtApplicationLevel(benchmark::State& state) {
    const Mix& mix = TheMix();
    decode::CPktSummary row;
    std::string line;
    const std::uint32_t n = mix.batch.GetFrameCount();
    for (auto _ : state) {
        for (std::uint32_t i = 0; i < n; ++i) {
            decode::SummaryOf(mix.batch, decode::LEVEL_APPLICATION, &row, i);
            line.clear();
            decode::AppendDec(line, row.frameNumber);
            line.push_back('\t');
            decode::AppendDeltaMs(line, row.timeDelta);
            line.push_back('\t');
            core::AppendDisplayText(line, row.source);  // every text in its display form, as list writes it
            line.push_back('\t');
            core::AppendDisplayText(line, row.destination);
            line.push_back('\t');
            core::AppendDisplayText(line, row.summary);
            benchmark::DoNotOptimize(line.data());
        }
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(ListRowAtApplicationLevel)->Unit(benchmark::kMillisecond);

// The detail pane's work for one selected frame: the tree and its text.
void DetailWithText(benchmark::State& state) {
    const Mix& mix = TheMix();
    const std::uint32_t n = mix.batch.GetFrameCount();
    std::uint32_t i = 0;
    for (auto _ : state) {
        decode::CPktDetailLine root;
        decode::DetailOf(mix.batch, &root, i);
        benchmark::DoNotOptimize(decode::RenderDetailText(root));
        i = (i + 1) % n;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(DetailWithText);

}  // namespace

BENCHMARK_MAIN();
