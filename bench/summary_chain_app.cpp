// Summary chain with and without the application decoders: the office mix of
// scripts/gen-traffic.py, and its DNS/NBNS-only and HTTP-only frames, each at transport and at
// application level. The capture is made once under build/bench-data/ (never committed).
#include <benchmark/benchmark.h>
#include <pcap/pcap.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchData.h"
#include "capture/CPktSnapQue.h"
#include "decode/CPktDetailLine.h"
#include "decode/CPktParsers.h"
#include "decode/CPktParsersConf.h"
#include "decode/CPktSummary.h"
#include "decode/ProtoCode.h"

namespace {

constexpr int kFrameCount = 50000;
constexpr std::int64_t kTickRate = 1000000;

std::string CapturePath() {
    if (const char* path = std::getenv("PALOMET_BENCH_PCAP")) return path;
    return bench::OfficeCapture(kFrameCount, 5);
}

// The ports of an Ethernet/IPv4 TCP or UDP frame, and whether it carries a payload.
struct Ports {
    bool ip = false;
    unsigned source = 0;
    unsigned destination = 0;
    bool payload = false;
};

Ports PortsOf(const std::vector<std::uint8_t>& f) {
    Ports p;
    if (f.size() < 34 || f[12] != 0x08 || f[13] != 0x00) return p;
    const std::size_t ihl = (f[14] & 0x0FU) * 4U;
    const std::size_t l4 = 14 + ihl;
    if (f.size() < l4 + 8 || (f[23] != 6 && f[23] != 17)) return p;
    p.ip = true;
    p.source = (f[l4] << 8) | f[l4 + 1];
    p.destination = (f[l4 + 2] << 8) | f[l4 + 3];
    const std::size_t header = f[23] == 6 ? (f.size() > l4 + 12 ? (f[l4 + 12] >> 4) * 4U : 20U) : 8U;
    p.payload = f.size() > l4 + header;
    return p;
}

enum class Mix { Realistic, Dns, Http };

const std::vector<capture::CPktSnapQue>& Frames(Mix mix) {
    static std::vector<capture::CPktSnapQue> all[3];
    auto& out = all[static_cast<int>(mix)];
    if (!out.empty()) return out;
    char error[PCAP_ERRBUF_SIZE];
    pcap_t* pcap = pcap_open_offline(CapturePath().c_str(), error);
    if (pcap == nullptr) return out;
    pcap_pkthdr* header = nullptr;
    const u_char* data = nullptr;
    std::uint32_t number = 0;
    while (pcap_next_ex(pcap, &header, &data) == 1) {
        std::vector<std::uint8_t> bytes(data, data + header->caplen);
        const Ports p = PortsOf(bytes);
        const bool dns = p.ip && (p.source == 53 || p.destination == 53 || p.source == 137 || p.destination == 137);
        const bool http = p.ip && p.payload && (p.source == 80 || p.destination == 80);
        if ((mix == Mix::Dns && !dns) || (mix == Mix::Http && !http)) continue;
        capture::CPktSnapQue frame;
        frame.SetLinkProtocol(decode::PROTO_ETHERNET);
        frame.SetFrameNumber(number++);
        frame.SetStamp(static_cast<std::int64_t>(header->ts.tv_sec) * kTickRate + header->ts.tv_usec);
        frame.SetCaptureTime(static_cast<std::uint32_t>(header->ts.tv_sec));
        frame.SetTotalLength(header->len);
        frame.SetCapturedLength(header->caplen);
        frame.SetData(bytes);
        out.push_back(std::move(frame));
    }
    pcap_close(pcap);
    return out;
}

const decode::CPktParsers& Parsers() {
    static const auto conf = decode::CPktParsersConf::FromTableFiles();
    static const decode::CPktParsers parsers(conf);
    return parsers;
}

void RunSummary(benchmark::State& state, Mix mix, std::uint32_t level) {
    const auto& frames = Frames(mix);
    if (frames.empty()) {
        state.SkipWithError("no frames: is scripts/gen-traffic.py working?");
        return;
    }
    const auto& parsers = Parsers();
    decode::CPktSummary row;
    std::uint64_t bytes = 0;
    for (auto _ : state) {
        const capture::CPktSnapQue* previous = nullptr;
        for (const auto& frame : frames) {
            bytes += parsers.DecodeSummary(level, previous, &frame, row, kTickRate);
            benchmark::DoNotOptimize(row.summary.data());
            previous = &frame;
        }
    }
    benchmark::DoNotOptimize(bytes);
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * frames.size()));
    state.counters["frames"] = static_cast<double>(frames.size());
}

void RunDetail(benchmark::State& state, Mix mix) {
    const auto& frames = Frames(mix);
    if (frames.empty()) {
        state.SkipWithError("no frames: is scripts/gen-traffic.py working?");
        return;
    }
    const auto& parsers = Parsers();
    for (auto _ : state) {
        for (const auto& frame : frames) {
            decode::CPktDetailLine root;
            benchmark::DoNotOptimize(parsers.DecodeDetail(nullptr, &frame, root, kTickRate));
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * frames.size()));
}

void BM_RealisticTransport(benchmark::State& s) { RunSummary(s, Mix::Realistic, decode::LEVEL_TRANSPORT); }
void BM_RealisticApplication(benchmark::State& s) { RunSummary(s, Mix::Realistic, decode::LEVEL_APPLICATION); }
void BM_DnsHeavyTransport(benchmark::State& s) { RunSummary(s, Mix::Dns, decode::LEVEL_TRANSPORT); }
void BM_DnsHeavyApplication(benchmark::State& s) { RunSummary(s, Mix::Dns, decode::LEVEL_APPLICATION); }
void BM_HttpHeavyTransport(benchmark::State& s) { RunSummary(s, Mix::Http, decode::LEVEL_TRANSPORT); }
void BM_HttpHeavyApplication(benchmark::State& s) { RunSummary(s, Mix::Http, decode::LEVEL_APPLICATION); }
void BM_DnsHeavyDetail(benchmark::State& s) { RunDetail(s, Mix::Dns); }

BENCHMARK(BM_RealisticTransport)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RealisticApplication)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DnsHeavyTransport)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DnsHeavyApplication)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HttpHeavyTransport)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HttpHeavyApplication)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DnsHeavyDetail)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
