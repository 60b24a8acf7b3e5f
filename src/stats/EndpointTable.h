// Endpoints of one kind: every station seen, with the frames and bytes it sent and received.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "stats/Address.h"
#include "stats/CappedMap.h"
#include "stats/FrameSample.h"

namespace stats {

struct EndpointRow {
    Address address;
    std::string vendor;  // Ethernet: the vendor of the first three bytes, when the table knows it
    std::uint64_t txFrames = 0, txBytes = 0;
    std::uint64_t rxFrames = 0, rxBytes = 0;
    std::uint32_t firstFrame = 0;
    bool other = false;  // every endpoint beyond the table's cap

    std::uint64_t Frames() const noexcept { return txFrames + rxFrames; }
    std::uint64_t Bytes() const noexcept { return txBytes + rxBytes; }
};

class EndpointTable {
public:
    static constexpr std::size_t kDefaultCap = 100'000;
    explicit EndpointTable(std::size_t cap = kDefaultCap) : m_map(cap) {}

    // One frame: sent by source, received by destination (both, when they are the same).
    void Add(const Address& source, const Address& destination, const FrameSample& frame);

    // Every endpoint (unordered) without vendor names, and the "other" row last when any
    // frame went there.
    std::vector<EndpointRow> Rows() const;
    std::size_t Size() const noexcept { return m_map.Size(); }
    std::size_t Cap() const noexcept { return m_map.Cap(); }
    std::uint64_t OtherFrames() const noexcept { return m_other.Frames(); }

private:
    struct Counts {
        std::uint64_t txFrames = 0, txBytes = 0, rxFrames = 0, rxBytes = 0;
        std::uint32_t firstFrame = 0;
    };
    Counts* Find(const Address& address, const FrameSample& frame);

    CappedMap<Address, Counts, AddressHash> m_map;
    EndpointRow m_other;
};

}  // namespace stats
