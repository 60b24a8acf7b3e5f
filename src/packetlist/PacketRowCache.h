// The texts of the packet-list rows the screen asked for lately. A screen may hold 100,000
// frames, so rows are decoded only when drawn and kept in a small direct-mapped cache
// stamped with the version of what they were made from (block on display, summary level).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "capture/CPktSnap.h"
#include "decode/CPktSummary.h"
#include "packetlist/PacketRow.h"

namespace packetlist {

class PacketRowCache {
public:
    explicit PacketRowCache(std::size_t slots = 2048);

    // Everything cached so far was made from something that is no longer on display.
    void Invalidate() noexcept { ++m_version; }
    // Row i of batch at the summary level; the reference stays valid until the next call.
    const RowTexts& Row(const capture::CPktSnap& batch, std::uint32_t level, std::uint32_t i);

private:
    struct Slot {
        std::uint64_t version = 0;
        std::uint32_t row = 0;
        RowTexts texts;
    };
    std::vector<Slot> m_slots;
    std::uint64_t m_version = 1;
    decode::CPktSummary m_summary;
    RowTexts m_none;
};

}  // namespace packetlist
