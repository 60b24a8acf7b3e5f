// The protocols a capture filter names, in the order of the "Filters" page, each with its
// check box text, its group box, the word the command line uses for it and its flag in the
// capture configuration.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "capture/CPktSnapConf.h"

namespace profiles {

struct CaptureLayer {
    std::string_view label;
    std::string_view group;
    std::string_view keyword;
    std::uint32_t capture::CPktSnapConf::*flag;
};

inline constexpr std::array<CaptureLayer, 11> kCaptureLayers = {{
    {"Ethernet", "Physical layer", "ethernet", &capture::CPktSnapConf::ethernet},
    {"IP ver. 4", "Network layer", "ipv4", &capture::CPktSnapConf::ipv4},
    {"TCP", "Transport layer", "tcp", &capture::CPktSnapConf::tcp},
    {"UDP", "Transport layer", "udp", &capture::CPktSnapConf::udp},
    {"Telnet", "Application layer", "telnet", &capture::CPktSnapConf::telnet},
    {"FTP", "Application layer", "ftp", &capture::CPktSnapConf::ftp},
    {"DNS", "Application layer", "dns", &capture::CPktSnapConf::dns},
    {"HTTP", "Application layer", "http", &capture::CPktSnapConf::http},
    {"POP3", "Application layer", "pop3", &capture::CPktSnapConf::pop3},
    {"SMTP", "Application layer", "smtp", &capture::CPktSnapConf::smtp},
    {"NetBios Name Service", "Application layer", "nbns", &capture::CPktSnapConf::nbns},
}};

using LayerChecks = std::array<bool, kCaptureLayers.size()>;

}  // namespace profiles
