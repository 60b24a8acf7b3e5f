// Neighbour discovery options. A length of 0 is invalid (RFC 4861 4.6: such a message is
// discarded), so it ends the reading rather than looping on the same option.
#include "decode/NeighbourDiscovery.h"

#include "core/Printf.h"
#include "decode/StationText.h"
#include "decode/TextAppend.h"

namespace decode {

namespace {

constexpr std::uint8_t kSourceLink = 1;
constexpr std::uint8_t kTargetLink = 2;
constexpr std::uint8_t kPrefixInformation = 3;
constexpr std::uint8_t kRedirected = 4;
constexpr std::uint8_t kMtu = 5;
constexpr std::uint8_t kNonce = 14;
constexpr std::uint8_t kRouteInformation = 24;
constexpr std::uint8_t kDnsServers = 25;
constexpr std::uint8_t kDnsSearchList = 31;

const char* OptionName(std::uint8_t type) {
    switch (type) {
        case kSourceLink:
            return "Source link-layer address";
        case kTargetLink:
            return "Target link-layer address";
        case kPrefixInformation:
            return "Prefix information";
        case kRedirected:
            return "Redirected header";
        case kMtu:
            return "MTU";
        case kNonce:
            return "Nonce";
        case kRouteInformation:
            return "Route information";
        case kDnsServers:
            return "Recursive DNS server";
        case kDnsSearchList:
            return "DNS search list";
        default:
            return "Unknown";
    }
}

void AddPrefixLines(CPktDetailLine& line, std::string_view prefix, core::ByteReader v) {
    const auto lengthByte = v.Bytes(1);
    const auto flagsByte = v.Bytes(1);
    const auto validBytes = v.Bytes(4);
    const auto preferredBytes = v.Bytes(4);
    v.Skip(4);
    const auto address = v.Bytes(16);
    if (v.Failed()) return;
    const unsigned length = lengthByte[0];
    const unsigned flags = flagsByte[0];
    std::string text = " Prefix = ";
    AppendIPv6(text, address.first<16>());
    text += core::Printf("/%u", length);
    line.Add(prefix, std::move(text), address);
    CPktDetailLine& flagLine = line.Add(prefix, core::Printf(" Flags = 0x%.2X", flags), flagsByte);
    flagLine.Add(prefix, (flags & 0x80U) != 0 ? " 1....... = On-link" : " 0....... = Not on-link", flagsByte);
    flagLine.Add(prefix,
                 (flags & 0x40U) != 0 ? " .1...... = Autonomous address configuration"
                                      : " .0...... = No autonomous address configuration",
                 flagsByte);
    line.Add(prefix, core::Printf(" Valid lifetime = %u seconds", core::ByteReader(validBytes).Be32()), validBytes);
    line.Add(prefix, core::Printf(" Preferred lifetime = %u seconds", core::ByteReader(preferredBytes).Be32()),
             preferredBytes);
}

void AddValueLines(CPktDetailLine& line, std::string_view prefix, std::uint8_t type, core::ByteReader v,
                   const tables::CPktEtherNums& names) {
    switch (type) {
        case kSourceLink:
        case kTargetLink:
            AddHardwareAddress(line, prefix, "Link-layer address", names, v.Rest());
            return;
        case kPrefixInformation:
            AddPrefixLines(line, prefix, v);
            return;
        case kMtu: {
            v.Skip(2);
            const auto mtu = v.Bytes(4);
            if (!v.Failed()) line.Add(prefix, core::Printf(" MTU = %u", core::ByteReader(mtu).Be32()), mtu);
            return;
        }
        case kDnsServers: {
            v.Skip(2);
            const auto lifetime = v.Bytes(4);
            if (v.Failed()) return;
            line.Add(prefix, core::Printf(" Lifetime = %u seconds", core::ByteReader(lifetime).Be32()), lifetime);
            while (v.Remaining() >= 16) {
                const auto server = v.Bytes(16);
                std::string text = " Server = ";
                AppendIPv6(text, server.first<16>());
                line.Add(prefix, std::move(text), server);
            }
            return;
        }
        default:
            return;
    }
}

}  // namespace

NdOptions ReadNdOptions(core::ByteReader options, CPktDetailLine* parent, std::string_view prefix,
                        const tables::CPktEtherNums& names) {
    NdOptions found;
    while (!options.AtEnd()) {
        const std::size_t start = options.Offset();
        const std::uint8_t type = options.U8();
        const std::uint8_t units = options.U8();
        const std::size_t length = std::size_t{units} * 8;
        if (options.Failed() || units == 0 || length - 2 > options.Remaining()) {
            found.fault = true;
            if (parent != nullptr) {
                parent->Add(prefix,
                            units == 0 && !options.Failed()
                                ? core::Printf(" ERROR ! Option %u has length 0", unsigned{type})
                                : core::Printf(" ERROR ! Option %u of %u bytes runs past the end of the message",
                                               unsigned{type}, static_cast<unsigned>(length)));
            }
            return found;
        }
        const auto value = options.Bytes(length - 2);
        if (type == kSourceLink) found.sourceLinkAddress = value;
        if (type == kTargetLink) found.targetLinkAddress = value;
        if (parent == nullptr) continue;
        CPktDetailLine& line = parent->Add(prefix,
                                           core::Printf(" Option %u (%s), length %u bytes", unsigned{type},
                                                        OptionName(type), static_cast<unsigned>(length)),
                                           options.Since(start));
        AddValueLines(line, prefix, type, core::ByteReader(value), names);
    }
    return found;
}

}  // namespace decode
