// Status-bar texts, progress and the packet-number field.
#include "packetlist/StatusTexts.h"

#include <cctype>
#include <limits>

namespace packetlist {

std::string PacketsPaneText(std::uint64_t frameCount, std::uint64_t endOffset, std::uint64_t framesLost) {
    // endOffset is at most 2^32 - 1 in a trace file; the sum cannot wrap in 64 bits. A file
    // without frames holds only its header, which is no data to speak of.
    const std::uint64_t kb = frameCount == 0 ? 0 : endOffset / 1024 + (endOffset % 1024 != 0 ? 1 : 0);
    std::string text = std::to_string(frameCount) + " Packets, " + std::to_string(kb) + " Kb";
    if (framesLost > 0) text += ", " + std::to_string(framesLost) + " lost";
    return text;
}

std::string CurrentPaneText(std::uint64_t currentFrame) { return "Current packet: " + std::to_string(currentFrame); }

int ProgressPercent(std::int64_t current, std::int64_t total) {
    if (total <= 0) return 100;
    if (current <= 0) return 0;
    if (current >= total) return 100;
    // Both below 2^63 / 100 for any trace file (frame numbers are 32-bit).
    return static_cast<int>(current * 100 / total);
}

std::int64_t ParsePacketNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])) != 0) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    constexpr std::uint64_t kMax = std::numeric_limits<std::int64_t>::max();
    std::uint64_t value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) != 0; ++i) {
        const auto digit = static_cast<std::uint64_t>(text[i] - '0');
        value = value > (kMax - digit) / 10 ? kMax : value * 10 + digit;
    }
    const auto magnitude = static_cast<std::int64_t>(value);
    return negative ? -magnitude : magnitude;
}

std::string InvalidLineNumberText(std::uint64_t frameCount) {
    const std::string last = frameCount == 0 ? std::string("-1") : std::to_string(frameCount - 1);
    return "Invalid line number: enter number in range 0.." + last;
}

std::string NoMatchFromText(std::uint64_t frame) {
    return "No packet matches the filter from packet " + std::to_string(frame) + " on";
}

}  // namespace packetlist
