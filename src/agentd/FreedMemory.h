// Memory the agent frees goes back to the system: after a snapper or a connection ends, the
// free pages of every malloc arena are returned, so that resident memory falls back near
// what an idle agent needs instead of staying at its highest.
#pragma once

#include <malloc.h>

// A sanitizer's allocator stands in for glibc's: glibc's arenas are then never set up, and
// trimming them reads through a null arena.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define PALOMET_SANITIZER_ALLOCATOR 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define PALOMET_SANITIZER_ALLOCATOR 1
#endif
#endif

namespace agentd {

inline void GiveBackFreedMemory() noexcept {
#ifndef PALOMET_SANITIZER_ALLOCATOR
    ::malloc_trim(0);
#endif
}

}  // namespace agentd
