// Which pcap link types a trace file can hold, and under which link code a frame of each is
// stored. A frame keeps the bytes the capture had: a Linux cooked header stays in front of
// the packet, with a link code of its own whose decoder shows it, so export can write it
// back unchanged; a raw IP packet is stored under the IPv4 or IPv6 code, where the decoders
// start directly.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "capture/LinkCodes.h"

namespace capture {

// True for the pcap link types (libpcap's DLT_ values) an import takes: Ethernet, Linux
// cooked captures (v1 and v2), and raw IP (DLT_RAW, DLT_IPV4, DLT_IPV6).
bool CanImportLinkType(int dlt) noexcept;
// The link code of a frame of a capture with that link type: for raw IP, the IPv6 code
// when the version nibble says 6, the IPv4 code for anything else (so a damaged packet is
// kept and shown by the IPv4 decoder rather than dropped).
std::uint32_t LinkCodeOf(int dlt, std::span<const std::uint8_t> frame) noexcept;
// The pcap link type that writes a frame of the link code back; nullopt for a code no pcap
// link type holds. Raw IPv4 and IPv6 both go back as DLT_RAW.
std::optional<int> PcapLinkTypeOf(std::uint32_t linkCode) noexcept;

}  // namespace capture
