// What the benchmarks share: captures of the office mix that scripts/gen-traffic.py writes,
// the 1,000,000-frame one as a trace in blocks of a given size (all made once under
// build/bench-data/, never committed), and the resident memory.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "capture/PcapImport.h"

namespace bench {

inline std::filesystem::path DataDir() {
    const auto dir = std::filesystem::path(PALOMET_SOURCE_DIR) / "build" / "bench-data";
    std::filesystem::create_directories(dir);
    return dir;
}

// The office mix of frames frames from seed, as bench/data-lib.sh names and makes it.
inline std::string OfficeCapture(int frames, int seed) {
    const auto pcap = DataDir() / ("office_" + std::to_string(frames) + "_s" + std::to_string(seed) + ".pcap");
    if (!std::filesystem::exists(pcap)) {
        const std::string cmd = "/usr/bin/python3 " + std::string(PALOMET_SOURCE_DIR) +
                                "/scripts/gen-traffic.py --count " + std::to_string(frames) + " --seed " +
                                std::to_string(seed) + " --out " + pcap.string() + ".part && mv " + pcap.string() +
                                ".part " + pcap.string();
        if (std::system(cmd.c_str()) != 0) {
            std::fprintf(stderr, "could not run: %s\n", cmd.c_str());
            std::abort();
        }
    }
    return pcap.string();
}

// The 1,000,000-frame office mix (seed 7), imported in blocks of blockFrames.
inline std::string LanTrace(std::uint32_t blockFrames) {
    const auto pcap = OfficeCapture(1'000'000, 7);
    const auto tns = DataDir() / ("office_1000000_s7_b" + std::to_string(blockFrames) + ".tns");
    if (std::filesystem::exists(tns)) return tns.string();
    capture::PcapImportOptions options;
    options.blockFrames = blockFrames;
    if (!capture::ImportPcap(pcap, tns.string(), options)) std::abort();
    return tns.string();
}

inline double ResidentMiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
    return 0;
}

}  // namespace bench
