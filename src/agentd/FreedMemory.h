// Memory the agent frees goes back to the system: after a snapper or a connection ends, the
// free pages of every malloc arena are returned, so that resident memory falls back near
// what an idle agent needs instead of staying at its highest.
#pragma once

#include <malloc.h>

namespace agentd {

inline void GiveBackFreedMemory() noexcept { ::malloc_trim(0); }

}  // namespace agentd
