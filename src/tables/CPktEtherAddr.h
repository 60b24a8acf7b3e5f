// A 6-byte MAC address in wire order; all zeros when new.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "core/Archive.h"

namespace tables {

class CPktEtherAddr {
public:
    CPktEtherAddr() = default;
    explicit CPktEtherAddr(std::span<const std::uint8_t, 6> bytes) {
        std::copy(bytes.begin(), bytes.end(), m_addr.begin());
    }

    const std::array<std::uint8_t, 6>& Bytes() const noexcept { return m_addr; }
    bool operator==(const CPktEtherAddr&) const = default;

    // Schema word 1, then the six bytes.
    void Serialize(core::Archive& ar);

private:
    std::array<std::uint8_t, 6> m_addr{};
};

}  // namespace tables
