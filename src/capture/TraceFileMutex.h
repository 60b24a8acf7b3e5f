// The process-wide lock around every block append and every block load of a trace file.
#pragma once

#include <mutex>

namespace capture {

std::timed_mutex& TraceFileMutex();

}  // namespace capture
