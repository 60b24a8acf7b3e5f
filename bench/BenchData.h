// What the packet-list and workbench benchmarks share: the 1,000,000-frame LAN trace in
// blocks of a given size (made once under build/bench-data/), and the resident memory.
#pragma once

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

// lan_mix_1000000.pcap as bench/cmd-list.sh makes it, imported in blocks of blockFrames.
inline std::string LanTrace(std::uint32_t blockFrames) {
    const auto pcap = DataDir() / "lan_mix_1000000.pcap";
    const auto tns = DataDir() / ("lan_mix_1000000_b" + std::to_string(blockFrames) + ".tns");
    if (std::filesystem::exists(tns)) return tns.string();
    if (!std::filesystem::exists(pcap)) {
        const std::string cmd = "/usr/bin/python3 " + std::string(PALOMET_SOURCE_DIR) +
                                "/../shared/tools/gen_traffic.py --count 1000000 --seed 7 --out " + pcap.string();
        if (std::system(cmd.c_str()) != 0) std::abort();
    }
    capture::PcapImportOptions options;
    options.blockFrames = blockFrames;
    if (!capture::ImportPcap(pcap.string(), tns.string(), options)) std::abort();
    return tns.string();
}

inline double ResidentMiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
    return 0;
}

}  // namespace bench
