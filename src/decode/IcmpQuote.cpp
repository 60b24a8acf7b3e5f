// Quoted datagrams: an IPv4 header (at least 20 bytes) or an IPv6 header (40) and its
// extension headers, then the first bytes of the transport header: ports for TCP and UDP,
// the sequence number for TCP, type and code for ICMP.
#include "decode/IcmpQuote.h"

#include <array>

#include "core/ByteReader.h"
#include "core/Printf.h"
#include "decode/Ipv6Extensions.h"
#include "decode/TextAppend.h"

namespace decode {

namespace {

constexpr std::uint8_t kTcp = 6;
constexpr std::uint8_t kUdp = 17;
constexpr std::uint8_t kIcmp = 1;
constexpr std::uint8_t kIcmpv6 = 58;

void AddTransport(CPktDetailLine& line, std::string_view prefix, std::uint8_t protocol, core::ByteReader in) {
    const std::size_t start = in.Offset();
    if (protocol == kTcp || protocol == kUdp) {
        const unsigned source = in.Be16();
        const unsigned destination = in.Be16();
        if (in.Failed()) return;
        std::string text = core::Printf(" Quoted %s ports: source = %u, destination = %u",
                                        protocol == kTcp ? "TCP" : "UDP", source, destination);
        if (protocol == kTcp) {
            const std::uint32_t sequence = in.Be32();
            if (!in.Failed()) text += core::Printf(", sequence = %u", sequence);
        }
        line.Add(prefix, std::move(text), in.Since(start));
    } else if (protocol == kIcmp || protocol == kIcmpv6) {
        const unsigned type = in.U8();
        const unsigned code = in.U8();
        if (!in.Failed())
            line.Add(prefix,
                     core::Printf(" Quoted %s: type = %u, code = %u", protocol == kIcmp ? "ICMP" : "ICMPv6", type,
                                  code),
                     in.Since(start));
    }
}

void AddIpv4(CPktDetailLine& line, std::string_view prefix, core::ByteReader in,
             const tables::CPktIProtNums& protocols) {
    const std::size_t start = in.Offset();
    const std::uint8_t versionAndLength = in.U8();
    in.Skip(1);
    const unsigned total = in.Be16();
    const unsigned id = in.Be16();
    in.Skip(3);
    const std::uint8_t protocol = in.U8();
    in.Skip(2);
    const std::uint32_t source = in.Be32();
    const std::uint32_t destination = in.Be32();
    const std::size_t headerLength = (versionAndLength & 0x0FU) * 4U;
    if (in.Failed()) {
        line.Add(prefix, " ERROR ! The quoted IPv4 header is cut short");
        return;
    }
    if ((versionAndLength >> 4U) != 4) {
        line.Add(prefix, core::Printf(" ERROR ! The quoted datagram is not IPv4 (version %u)",
                                      static_cast<unsigned>(versionAndLength >> 4U)));
        return;
    }
    std::string text = " Quoted IPv4 header: ";
    AppendDotted(text, source);
    text += " -> ";
    AppendDotted(text, destination);
    text += core::Printf(", protocol = %u (%s), ID = 0x%X, total length = %u", unsigned{protocol},
                         protocols.Keyword(protocol).c_str(), id, total);
    line.Add(prefix, std::move(text), in.Since(start));
    if (headerLength < 20) {
        line.Add(prefix, core::Printf(" ERROR ! The quoted header length of %u bytes is below 20",
                                      static_cast<unsigned>(headerLength)));
        return;
    }
    if (!in.Skip(headerLength - 20)) return;  // options cut short: no transport to show
    AddTransport(line, prefix, protocol, in);
}

void AddIpv6(CPktDetailLine& line, std::string_view prefix, core::ByteReader in,
             const tables::CPktIProtNums& protocols) {
    const std::size_t start = in.Offset();
    const std::uint32_t versionClassFlow = in.Be32();
    const unsigned payload = in.Be16();
    const std::uint8_t next = in.U8();
    in.Skip(1);
    const auto source = in.Bytes(16);
    const auto destination = in.Bytes(16);
    if (in.Failed()) {
        line.Add(prefix, " ERROR ! The quoted IPv6 header is cut short");
        return;
    }
    if ((versionClassFlow >> 28U) != 6) {
        line.Add(prefix,
                 core::Printf(" ERROR ! The quoted datagram is not IPv6 (version %u)", versionClassFlow >> 28U));
        return;
    }
    const Ipv6Chain chain = ReadIpv6Extensions(in, next, nullptr, protocols);
    std::string text = " Quoted IPv6 header: ";
    AppendIPv6(text, source.first<16>());
    text += " -> ";
    AppendIPv6(text, destination.first<16>());
    text += core::Printf(", protocol = %u (%s), payload length = %u", unsigned{chain.protocol},
                         protocols.Keyword(chain.protocol).c_str(), payload);
    line.Add(prefix, std::move(text), in.Since(start));  // with its extension headers
    if (chain.fault == Ipv6Chain::Fault::None && !(chain.fragment && chain.fragmentOffset != 0)) {
        AddTransport(line, prefix, chain.protocol, in);
    }
}

}  // namespace

void AddQuotedDatagram(CPktDetailLine& parent, std::string_view prefix, bool v6, std::span<const std::uint8_t> quoted,
                       const tables::CPktIProtNums& protocols) {
    CPktDetailLine& line =
        parent.Add(prefix, core::Printf(" Quoted datagram = %u bytes", static_cast<unsigned>(quoted.size())), quoted);
    if (quoted.empty()) return;
    if (v6) {
        AddIpv6(line, prefix, core::ByteReader(quoted), protocols);
    } else {
        AddIpv4(line, prefix, core::ByteReader(quoted), protocols);
    }
}

}  // namespace decode
