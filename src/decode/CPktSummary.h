// The texts one layer writes for a packet-list row, and the row the summary chain fills.
#pragma once

#include <cstdint>
#include <string>

#include "core/CPktLockable.h"

namespace decode {

// What ParseSummary writes; an empty text leaves the lower layer's text in the row.
struct SummaryTexts {
    std::string source;
    std::string destination;
    std::string summary;
    void Clear() noexcept {
        source.clear();
        destination.clear();
        summary.clear();
    }
};

class CPktSummary : public core::CPktLockable {
public:
    CPktSummary() = default;
    std::string summary;
    std::string source;
    std::string destination;
    std::uint32_t frameNumber = 0;
    float timeDelta = 0.0F;  // milliseconds since the previous frame of the list
};

}  // namespace decode
