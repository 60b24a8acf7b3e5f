// The benchmarks' LAN mix (gen_traffic.py, made once under build/bench-data/, never
// committed) and its IPv6-heavy twin (make_ipv6_mix.py: the same conversations over IPv6, a
// quarter of them in VLAN tags), each loaded as one batch on the decoder set.
#pragma once

#include <pcap/pcap.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "capture/CPktSnap.h"
#include "decode/CPktParsers.h"
#include "decode/CPktParsersConf.h"
#include "decode/ProtoCode.h"

namespace bench {

inline constexpr int kFrameCount = 20000;

// Runs command, saying so when it fails (the benchmark then has no frames).
inline void Run(const std::string& command) {
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "could not run: %s\n", command.c_str());
}

inline std::filesystem::path DataDir() {
    const std::filesystem::path dir = std::filesystem::path(PALOMET_SOURCE_DIR) / "build" / "bench-data";
    std::filesystem::create_directories(dir);
    return dir;
}

inline std::string CapturePath() {
    if (const char* path = std::getenv("PALOMET_BENCH_PCAP")) return path;
    const auto file = DataDir() / ("lan_mix_" + std::to_string(kFrameCount) + ".pcap");
    if (!std::filesystem::exists(file)) {
        Run("/usr/bin/python3 /work/shared/tools/gen_traffic.py --count " + std::to_string(kFrameCount) +
            " --seed 11 --out " + file.string());
    }
    return file.string();
}

inline std::string Ipv6CapturePath() {
    const auto file = DataDir() / ("lan_mix_ipv6_" + std::to_string(kFrameCount) + ".pcap");
    if (!std::filesystem::exists(file)) {
        Run("/usr/bin/python3 " + std::string(PALOMET_SOURCE_DIR) + "/bench/make_ipv6_mix.py " + CapturePath() + " " +
            file.string());
    }
    return file.string();
}

// The capture's frames as one batch on the decoder set, stamped in microseconds.
struct Mix {
    decode::CPktParsersConf conf{false, true};
    decode::CPktParsers parsers{conf, false};
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

inline const Mix& TheMix() {
    static const Mix mix(CapturePath());
    return mix;
}

inline const Mix& TheIpv6Mix() {
    static const Mix mix(Ipv6CapturePath());
    return mix;
}

}  // namespace bench
