// One lock shared by every writer and reader in the process, as a named mutex would be.
#include "capture/TraceFileMutex.h"

namespace capture {

std::timed_mutex& TraceFileMutex() {
    static std::timed_mutex mutex;
    return mutex;
}

}  // namespace capture
