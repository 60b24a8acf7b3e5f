// Link type and link code mapping for pcap import and export.
#include "capture/PcapLinkTypes.h"

#include <pcap/pcap.h>

namespace capture {

bool CanImportLinkType(int dlt) noexcept {
    switch (dlt) {
        case DLT_EN10MB:
        case DLT_LINUX_SLL:
        case DLT_LINUX_SLL2:
        case DLT_RAW:
        case DLT_IPV4:
        case DLT_IPV6:
            return true;
        default:
            return false;
    }
}

std::uint32_t LinkCodeOf(int dlt, std::span<const std::uint8_t> frame) noexcept {
    switch (dlt) {
        case DLT_LINUX_SLL:
            return kLinkLinuxSll;
        case DLT_LINUX_SLL2:
            return kLinkLinuxSll2;
        case DLT_IPV4:
            return kLinkIpv4;
        case DLT_IPV6:
            return kLinkIpv6;
        case DLT_RAW:
            return !frame.empty() && (frame.front() >> 4U) == 6 ? kLinkIpv6 : kLinkIpv4;
        default:
            return kLinkEthernet;
    }
}

std::optional<int> PcapLinkTypeOf(std::uint32_t linkCode) noexcept {
    switch (linkCode) {
        case kLinkEthernet:
            return DLT_EN10MB;
        case kLinkLinuxSll:
            return DLT_LINUX_SLL;
        case kLinkLinuxSll2:
            return DLT_LINUX_SLL2;
        case kLinkIpv4:
        case kLinkIpv6:
            return DLT_RAW;
        default:
            return std::nullopt;
    }
}

}  // namespace capture
