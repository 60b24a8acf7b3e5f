// The link code of a frame record names the layer its bytes start with. The codes are the
// decoder set's protocol codes of those first layers, so a frame goes straight to its decoder;
// the agent and the importers write them without knowing the decoders.
#pragma once

#include <cstdint>

namespace capture {

inline constexpr std::uint32_t kLinkEthernet = 4;
inline constexpr std::uint32_t kLinkLinuxSll = 6;
inline constexpr std::uint32_t kLinkLinuxSll2 = 7;
inline constexpr std::uint32_t kLinkIpv4 = 11;
inline constexpr std::uint32_t kLinkIpv6 = 12;

}  // namespace capture
