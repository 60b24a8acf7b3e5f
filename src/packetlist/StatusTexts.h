// The words and numbers a capture window shows about its packet list: the status-bar panes,
// the progress bar, and the go-to-packet field. All counts are 64-bit here, so nothing wraps
// above 2^31 frames or 4 GiB.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace packetlist {

// "%d Packets, %d Kb": kilobytes rounded up, so a 2047-byte file is 2 Kb, and a file of no
// frames (its header alone) 0 Kb; then ", %d lost" once a live capture has lost frames.
std::string PacketsPaneText(std::uint64_t frameCount, std::uint64_t endOffset, std::uint64_t framesLost = 0);
// "Current packet: %d".
std::string CurrentPaneText(std::uint64_t currentFrame);
// 0 to 100: current / total, truncated; a total of 0 or less stands full.
int ProgressPercent(std::int64_t current, std::int64_t total);

// The packet-number field read as a decimal integer: leading blanks, a sign, the leading
// digits; 0 when there are none. Numbers beyond 64 bits stay at the largest value of their
// sign, so they are out of range rather than wrapped into it.
std::int64_t ParsePacketNumber(std::string_view text);
// "Invalid line number: enter number in range 0..%ld" with frameCount - 1 ("0..-1" when empty).
std::string InvalidLineNumberText(std::uint64_t frameCount);
// Go to packet found no frame the filter selects at or after the one asked for.
std::string NoMatchFromText(std::uint64_t frame);

}  // namespace packetlist
