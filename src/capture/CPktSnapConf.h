// Capture filter: which protocols the agent passes and whether the selection includes or
// excludes them. Kept in every session profile and sent to the agent, serialised, when
// capture starts.
#pragma once

#include <cstdint>
#include <vector>

#include "core/Archive.h"
#include "tables/CPktEtherAddr.h"

namespace capture {

class CPktSnapConf {
public:
    enum FilterType : std::uint32_t { kIncluded = 0, kExcluded = 1 };

    CPktSnapConf() { SetDefaults(); }
    // Flags and option words to 1, the filter type to 0; the lists are left as they are.
    void SetDefaults();
    void Serialize(core::Archive& ar);

    // A flag is set when it is non-zero.
    std::uint32_t ethernet = 1;
    std::uint32_t ipv4 = 1;
    std::uint32_t tcp = 1;
    std::uint32_t udp = 1;
    std::uint32_t telnet = 1;
    std::uint32_t ftp = 1;
    std::uint32_t smtp = 1;
    std::uint32_t pop3 = 1;
    std::uint32_t dns = 1;
    std::uint32_t nbns = 1;
    std::uint32_t http = 1;
    std::vector<std::uint32_t> firstList;
    std::vector<std::uint32_t> secondList;
    std::vector<tables::CPktEtherAddr> firstAddresses;
    std::vector<tables::CPktEtherAddr> secondAddresses;
    std::uint32_t optionWord1 = 1;
    std::uint32_t optionWord2 = 1;
    std::uint32_t filterType = kIncluded;
};

}  // namespace capture
