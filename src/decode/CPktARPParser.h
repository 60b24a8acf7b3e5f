// ARP and RARP decoder (Ethernet types 0x0806 and 0x8035): operation, sender and target
// hardware and protocol addresses with their vendors; the last layer of a frame.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "decode/CPktLinkParser.h"

namespace decode {

class CPktARPParser final : public CPktLinkParser {
public:
    using CPktLinkParser::CPktLinkParser;

    ProtoCode Parse(core::ByteReader& in, CPktParseContext& ctx) const override;
    ProtoCode ParseDetail(core::ByteReader& in, CPktParseContext& ctx, CPktDetailLine& root) const override;
    ProtoCode ParseSummary(core::ByteReader& in, CPktParseContext& ctx, SummaryTexts& out) const override;

private:
    struct Message {
        std::uint16_t hardwareType = 0;
        std::uint16_t protocolType = 0;
        std::uint8_t hardwareLength = 0;
        std::uint8_t protocolLength = 0;
        std::uint16_t operation = 0;
        bool addressesRead = false;  // false: the frame ends inside the four addresses
        std::span<const std::uint8_t> senderHardware, senderProtocol, targetHardware, targetProtocol;
    };
    // The fixed eight bytes and, when the frame holds them, the four addresses; nullopt
    // (nothing consumed) when not even the fixed part is there.
    static std::optional<Message> Read(core::ByteReader& in) noexcept;
    // A protocol address: dotted decimal for IPv4, hex otherwise.
    static void AppendProtocolAddress(std::string& out, const Message& m, std::span<const std::uint8_t> address);
    // "Who has 10.0.0.1? Tell 10.0.0.2", "10.0.0.1 is at Intel ABCDEF", ...
    void AppendDescription(std::string& out, const Message& m) const;
};

}  // namespace decode
