// What the stepping chain finds in one frame for the statistics: the codes of the layers it
// read, lowest first, and what those layers told each other (addresses, ports).
#pragma once

#include <array>
#include <cstddef>
#include <span>

#include "decode/CPktParseContext.h"
#include "decode/ProtoCode.h"

namespace decode {

struct FrameLayers {
    // Far above the deepest chain the decoders allow (eight VLAN tags, four IP headers).
    static constexpr std::size_t kMaxLayers = 24;

    std::array<ProtoCode, kMaxLayers> codes{};
    std::size_t count = 0;
    CPktParseContext context;

    std::span<const ProtoCode> Codes() const noexcept { return {codes.data(), count}; }
    bool Has(ProtoCode code) const noexcept {
        for (std::size_t i = 0; i < count; ++i)
            if (codes[i] == code) return true;
        return false;
    }
};

}  // namespace decode
