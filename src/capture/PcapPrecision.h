// Finds whether a pcap or pcapng file keeps timestamps finer than microseconds. libpcap
// converts to whatever precision it is asked for, so the file's own is read from its head.
#pragma once

#include <cstdint>
#include <span>

#include "core/Result.h"

namespace capture {

// head: the first bytes of the file (64 KiB is plenty; interface blocks come first).
// true for a nanosecond pcap or a pcapng with an interface finer than 1 us; an error when
// the bytes are neither format.
core::Result<bool> HasSubMicrosecondStamps(std::span<const std::uint8_t> head);

}  // namespace capture
