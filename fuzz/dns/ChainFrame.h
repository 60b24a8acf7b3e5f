// Shared by the fuzz targets that go through the decoder chain: RunFrame runs both chains of
// the full decoder set over one frame of a link code (and checks the detail lines' byte ranges); RunThroughChain wraps the fuzz bytes in
// an Ethernet, IPv4 and UDP or TCP frame with the chosen ports first, so the transport
// layer's dispatch is exercised with every application input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "capture/CPktSnapQue.h"
#include "decode/CPktDetailLine.h"
#include "decode/CPktParsers.h"
#include "decode/CPktParsersConf.h"
#include "decode/CPktSummary.h"
#include "decode/DetailRanges.h"
#include "decode/ProtoCode.h"

namespace appfuzz {

inline constexpr std::size_t kMaxPayload = 65000;  // what one IPv4 length field can carry

inline void PushBe16(std::vector<std::uint8_t>& out, unsigned value) {
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value));
}

// Both chains, the summary at every level, over the bytes as a frame of the link code.
inline void RunFrame(std::uint32_t linkCode, std::span<const std::uint8_t> bytes) {
    static const decode::CPktParsersConf conf(core::Locking::Unlocked, tables::TableSource::Empty);
    static const decode::CPktParsers parsers(conf);
    capture::CPktSnapQue frame;
    frame.SetLinkProtocol(linkCode);
    frame.SetFrameNumber(1);
    frame.SetTotalLength(static_cast<std::uint32_t>(bytes.size()));
    frame.SetCapturedLength(static_cast<std::uint32_t>(bytes.size()));
    frame.SetData(bytes);
    decode::CPktSummary row;
    for (const std::uint32_t level :
         {decode::LEVEL_DATALINK, decode::LEVEL_NETWORK, decode::LEVEL_TRANSPORT, decode::LEVEL_APPLICATION}) {
        if (parsers.DecodeSummary(level, nullptr, &frame, row, 1000000) > bytes.size()) __builtin_trap();
    }
    decode::CPktDetailLine root;
    if (parsers.DecodeDetail(nullptr, &frame, root, 1000000) > bytes.size()) __builtin_trap();
    // Every line's bytes lie in the frame and in the bytes of the line it explains.
    if (decode::FindStrayRange(root, bytes.size()) != nullptr) __builtin_trap();
}

// A raw IPv4 (192.168.1.20 to .1) or IPv6 (2001:db8:1::20 to ::53) packet of the protocol
// around the payload, its length fields right.
inline std::vector<std::uint8_t> RawIpPacket(bool v6, std::uint8_t protocol, std::span<const std::uint8_t> payload) {
    std::vector<std::uint8_t> packet;
    if (v6) {
        packet = {0x60, 0, 0, 0};
        PushBe16(packet, static_cast<unsigned>(payload.size()));
        packet.insert(packet.end(), {protocol, 64});
        for (const std::uint8_t last : {0x20, 0x53}) {
            packet.insert(packet.end(), {0x20, 0x01, 0x0d, 0xb8, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, last});
        }
    } else {
        packet = {0x45, 0};
        PushBe16(packet, static_cast<unsigned>(20 + payload.size()));
        packet.insert(packet.end(), {0, 1, 0x40, 0, 64, protocol, 0, 0, 192, 168, 1, 20, 192, 168, 1, 1});
    }
    packet.insert(packet.end(), payload.begin(), payload.end());
    return packet;
}

inline void RunThroughChain(std::span<const std::uint8_t> payload, bool tcp, std::uint16_t sourcePort,
                            std::uint16_t destinationPort) {
    if (payload.size() > kMaxPayload) payload = payload.first(kMaxPayload);

    const unsigned transportLength = tcp ? 20U : 8U;
    const auto ipLength = static_cast<unsigned>(20 + transportLength + payload.size());
    std::vector<std::uint8_t> bytes = {0x00, 0x00, 0x0c, 0x12, 0x34, 0x56, 0x00,
                                       0xa0, 0xc9, 0xab, 0xcd, 0xef, 0x08, 0x00};
    bytes.insert(bytes.end(), {0x45, 0x00});
    PushBe16(bytes, ipLength);
    bytes.insert(bytes.end(), {0x00, 0x01, 0x00, 0x00, 0x40, static_cast<std::uint8_t>(tcp ? 6 : 17), 0x00, 0x00, 192,
                               168, 1, 20, 192, 168, 1, 2});
    PushBe16(bytes, sourcePort);
    PushBe16(bytes, destinationPort);
    if (tcp) {
        bytes.insert(bytes.end(), {0, 0, 0x03, 0xe8, 0, 0, 0x13, 0x88, 0x50, 0x18, 0x22, 0x38, 0, 0, 0, 0});
    } else {
        PushBe16(bytes, 8U + static_cast<unsigned>(payload.size()));
        bytes.insert(bytes.end(), {0, 0});
    }
    bytes.insert(bytes.end(), payload.begin(), payload.end());
    RunFrame(decode::PROTO_ETHERNET, bytes);
}

}  // namespace appfuzz
