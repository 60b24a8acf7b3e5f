// Conversations of one kind (Ethernet, IPv4, IPv6, TCP or UDP): the two stations of every
// pair, both directions merged, with the frames and bytes each way, when the first frame
// came and how long the conversation lasted. Station A is the source of its first frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "stats/Address.h"
#include "stats/CappedMap.h"
#include "stats/FrameSample.h"

namespace stats {

struct ConversationRow {
    Address a, b;
    std::uint64_t framesAtoB = 0, bytesAtoB = 0;
    std::uint64_t framesBtoA = 0, bytesBtoA = 0;
    std::int64_t start = 0;  // ns after the capture's first frame: the earliest frame's time
    std::int64_t end = 0;    // the latest frame's time
    std::uint32_t firstFrame = 0;
    bool other = false;  // every conversation beyond the table's cap: no stations, no times

    std::uint64_t Frames() const noexcept { return framesAtoB + framesBtoA; }
    std::uint64_t Bytes() const noexcept { return bytesAtoB + bytesBtoA; }
    std::int64_t Duration() const noexcept { return end - start; }
};

class ConversationTable {
public:
    static constexpr std::size_t kDefaultCap = 100'000;
    explicit ConversationTable(std::size_t cap = kDefaultCap) : m_map(cap) {}

    void Add(const Address& source, const Address& destination, const FrameSample& frame);

    // Every conversation (unordered), and the "other" row last when any frame went there.
    std::vector<ConversationRow> Rows() const;
    std::size_t Size() const noexcept { return m_map.Size(); }
    std::size_t Cap() const noexcept { return m_map.Cap(); }
    // Frames of conversations that found the table full.
    std::uint64_t OtherFrames() const noexcept { return m_other.Frames(); }

private:
    // The pair in a fixed order, so that both directions find one entry.
    struct Key {
        Address low, high;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        std::size_t operator()(const Key& k) const noexcept;
    };
    struct Counts {
        std::uint64_t frames[2] = {0, 0};  // [0]: sent by low
        std::uint64_t bytes[2] = {0, 0};
        std::int64_t start = 0, end = 0;
        std::uint32_t firstFrame = 0;
        bool highFirst = false;  // the first frame came from high: it is station A
    };

    CappedMap<Key, Counts, KeyHash> m_map;
    ConversationRow m_other;
};

}  // namespace stats
