// The benchmarks' office mix (scripts/gen-traffic.py, made once under build/bench-data/, never
// committed) and its IPv6-heavy twin (make_ipv6_mix.py: the same conversations over IPv6, a
// quarter of them in VLAN tags), each loaded as one batch on the decoder set.
#pragma once

#include <pcap/pcap.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "BenchData.h"
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

inline std::string CapturePath() {
    if (const char* path = std::getenv("PALOMET_BENCH_PCAP")) return path;
    return OfficeCapture(kFrameCount, 11);
}

inline std::string Ipv6CapturePath() {
    const auto file = DataDir() / ("office_ipv6_" + std::to_string(kFrameCount) + ".pcap");
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

inline const Mix& TheMix() {
    static const Mix mix(CapturePath());
    return mix;
}

inline const Mix& TheIpv6Mix() {
    static const Mix mix(Ipv6CapturePath());
    return mix;
}

}  // namespace bench
