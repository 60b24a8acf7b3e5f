// ICMP and ICMPv6 decoder (code 13, after IPv4 protocol 1 or IPv6 next header 58): type,
// code, checksum verdict, echo identifier and sequence, the datagram an error quotes, and
// neighbour discovery's targets and options. The last layer of a frame.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "decode/CPktParser.h"
#include "tables/LookupTables.h"

namespace decode {

class CPktICMPParser final : public CPktParser {
public:
    CPktICMPParser(const tables::CPktEtherNums& etherNums, const tables::CPktIProtNums& protocols)
        : m_etherNums(&etherNums),
          m_protocols(&protocols) {}

    ProtoCode Parse(core::ByteReader& in, CPktParseContext& ctx) const override;
    ProtoCode ParseDetail(core::ByteReader& in, CPktParseContext& ctx, CPktDetailLine& root) const override;
    ProtoCode ParseSummary(core::ByteReader& in, CPktParseContext& ctx, SummaryTexts& out) const override;

private:
    struct Message {
        bool v6 = false;
        std::uint8_t type = 0;
        std::uint8_t code = 0;
        std::uint16_t checksum = 0;
        std::uint32_t word = 0;               // bytes 4 to 7: identifier and sequence, MTU, pointer, ...
        std::span<const std::uint8_t> whole;  // the message as the frame holds it
        std::span<const std::uint8_t> body;   // after the first 8 bytes
    };
    // The message at the reader, bounded by the IP payload length; nullopt (nothing
    // consumed) when not even type, code and checksum are there.
    static std::optional<Message> Read(core::ByteReader& in, const CPktParseContext& ctx) noexcept;
    // "Echo request ID=1 SEQ=5", "Destination unreachable (Port unreachable)", ...
    void AppendDescription(std::string& out, const Message& m) const;
    void AddBodyLines(CPktDetailLine& top, const Message& m) const;
    void AddNeighbourDiscoveryLines(CPktDetailLine& top, const Message& m) const;

    const tables::CPktEtherNums* m_etherNums;
    const tables::CPktIProtNums* m_protocols;
};

}  // namespace decode
