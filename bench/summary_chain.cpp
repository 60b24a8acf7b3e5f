// The summary chain over the office mix (scripts/gen-traffic.py, made once under
// build/bench-data/, never committed) at every level, the detail chain with its text, and
// the whole list row as palomet-cli list writes it; then the summary chain over the mix's
// IPv6-heavy twin (make_ipv6_mix.py: the same conversations over IPv6, a quarter of them in
// VLAN tags), whose frames per second should stay within a fifth of the IPv4 mix's. Items
// are frames.
#include <benchmark/benchmark.h>
#include <pcap/pcap.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchData.h"
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

constexpr int kFrameCount = 20000;

// Runs command, saying so when it fails (the benchmark then has no frames).
void Run(const std::string& command) {
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "could not run: %s\n", command.c_str());
}

std::string CapturePath() {
    if (const char* path = std::getenv("PALOMET_BENCH_PCAP")) return path;
    return bench::OfficeCapture(kFrameCount, 11);
}

std::string Ipv6CapturePath() {
    const auto file = bench::DataDir() / ("office_ipv6_" + std::to_string(kFrameCount) + ".pcap");
    if (!std::filesystem::exists(file)) {
        Run("/usr/bin/python3 " + std::string(PALOMET_SOURCE_DIR) + "/bench/make_ipv6_mix.py " + CapturePath() + " " +
            file.string());
    }
    return file.string();
}

// The capture's frames as one batch on the decoder set, stamped in microseconds.
struct Mix {
    decode::CPktParsersConf conf = decode::CPktParsersConf::FromTableFiles();
    decode::CPktParsers parsers{conf};
    capture::CPktSnap batch{&parsers};
    explicit Mix(const std::string& path) {
        char error[PCAP_ERRBUF_SIZE];
        pcap_t* pcap = pcap_open_offline(path.c_str(), error);
        if (pcap == nullptr) {
            std::fprintf(stderr, "%s\n", error);
            return;
        }
        batch.SetFrequency(1'000'000);
        pcap_pkthdr* header = nullptr;
        const u_char* data = nullptr;
        std::uint32_t number = 0;
        while (pcap_next_ex(pcap, &header, &data) == 1) {
            capture::CPktSnapQue frame;
            frame.SetCaptureTime(static_cast<std::uint32_t>(header->ts.tv_sec));
            frame.SetStamp(static_cast<std::int64_t>(header->ts.tv_sec) * 1'000'000 + header->ts.tv_usec);
            frame.SetFrameNumber(number++);
            frame.SetLinkProtocol(decode::PROTO_ETHERNET);
            frame.SetTotalLength(header->len);
            frame.SetCapturedLength(header->caplen);
            frame.SetData(std::span<const std::uint8_t>(data, header->caplen));
            batch.AddFrame(std::move(frame));
        }
        pcap_close(pcap);
    }
};

const Mix& TheMix() {
    static const Mix mix(CapturePath());
    return mix;
}

const Mix& TheIpv6Mix() {
    static const Mix mix(Ipv6CapturePath());
    return mix;
}

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
