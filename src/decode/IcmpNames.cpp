// ICMP and ICMPv6 type and code names, from the IANA registries.
#include "decode/IcmpNames.h"

#include <array>
#include <span>

namespace decode {

namespace {

template <std::size_t N>
const char* Pick(const std::array<const char*, N>& names, std::uint8_t index) noexcept {
    return index < N ? names[index] : nullptr;
}

constexpr std::array<const char*, 16> kUnreachable = {
    "Network unreachable",
    "Host unreachable",
    "Protocol unreachable",
    "Port unreachable",
    "Fragmentation needed and DF set",
    "Source route failed",
    "Destination network unknown",
    "Destination host unknown",
    "Source host isolated",
    "Network administratively prohibited",
    "Host administratively prohibited",
    "Network unreachable for type of service",
    "Host unreachable for type of service",
    "Communication administratively prohibited",
    "Host precedence violation",
    "Precedence cutoff in effect",
};
constexpr std::array<const char*, 4> kRedirect = {"Redirect for network", "Redirect for host",
                                                  "Redirect for type of service and network",
                                                  "Redirect for type of service and host"};
constexpr std::array<const char*, 2> kTimeExceeded = {"Time to live exceeded in transit",
                                                      "Fragment reassembly time exceeded"};
constexpr std::array<const char*, 3> kParameter = {"Pointer indicates the error", "Missing a required option",
                                                   "Bad length"};

constexpr std::array<const char*, 9> kUnreachable6 = {
    "No route to destination",
    "Communication administratively prohibited",
    "Beyond scope of source address",
    "Address unreachable",
    "Port unreachable",
    "Source address failed ingress/egress policy",
    "Reject route to destination",
    "Error in source routing header",
    "Headers too long",
};
constexpr std::array<const char*, 2> kTimeExceeded6 = {"Hop limit exceeded in transit",
                                                       "Fragment reassembly time exceeded"};
constexpr std::array<const char*, 4> kParameter6 = {"Erroneous header field", "Unrecognized next header type",
                                                    "Unrecognized IPv6 option",
                                                    "First fragment has incomplete header chain"};

const char* TypeName4(std::uint8_t type) noexcept {
    switch (type) {
        case 0:
            return "Echo reply";
        case 3:
            return "Destination unreachable";
        case 4:
            return "Source quench";
        case 5:
            return "Redirect";
        case 8:
            return "Echo request";
        case 9:
            return "Router advertisement";
        case 10:
            return "Router solicitation";
        case 11:
            return "Time exceeded";
        case 12:
            return "Parameter problem";
        case 13:
            return "Timestamp request";
        case 14:
            return "Timestamp reply";
        case 15:
            return "Information request";
        case 16:
            return "Information reply";
        case 17:
            return "Address mask request";
        case 18:
            return "Address mask reply";
        case 42:
            return "Extended echo request";
        case 43:
            return "Extended echo reply";
        default:
            return nullptr;
    }
}

const char* TypeName6(std::uint8_t type) noexcept {
    switch (type) {
        case 1:
            return "Destination unreachable";
        case 2:
            return "Packet too big";
        case 3:
            return "Time exceeded";
        case 4:
            return "Parameter problem";
        case 128:
            return "Echo request";
        case 129:
            return "Echo reply";
        case 130:
            return "Multicast listener query";
        case 131:
            return "Multicast listener report";
        case 132:
            return "Multicast listener done";
        case 133:
            return "Router solicitation";
        case 134:
            return "Router advertisement";
        case 135:
            return "Neighbor solicitation";
        case 136:
            return "Neighbor advertisement";
        case 137:
            return "Redirect";
        case 138:
            return "Router renumbering";
        case 141:
            return "Inverse neighbor discovery solicitation";
        case 142:
            return "Inverse neighbor discovery advertisement";
        case 143:
            return "Multicast listener report version 2";
        default:
            return nullptr;
    }
}

}  // namespace

const char* IcmpTypeName(bool v6, std::uint8_t type) noexcept { return v6 ? TypeName6(type) : TypeName4(type); }

const char* IcmpCodeName(bool v6, std::uint8_t type, std::uint8_t code) noexcept {
    if (v6) {
        switch (type) {
            case 1:
                return Pick(kUnreachable6, code);
            case 3:
                return Pick(kTimeExceeded6, code);
            case 4:
                return Pick(kParameter6, code);
            default:
                return nullptr;
        }
    }
    switch (type) {
        case 3:
            return Pick(kUnreachable, code);
        case 5:
            return Pick(kRedirect, code);
        case 11:
            return Pick(kTimeExceeded, code);
        case 12:
            return Pick(kParameter, code);
        default:
            return nullptr;
    }
}

}  // namespace decode
