// Fuzz target: bytes as a trace file whose capture died, walked by recovery (through an
// in-memory file, the path of a file on disk) and written out again; what recovery writes
// must validate.
#include <sys/mman.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "capture/TraceReader.h"
#include "capture/TraceRecovery.h"
#include "core/FileHandle.h"
#include "core/UserPrompt.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int fd = ::memfd_create("trace", MFD_CLOEXEC);
    if (fd < 0) return 0;
    core::FileHandle file(fd);
    if (size > 0 && !file.WriteAt(0, std::span<const std::uint8_t>(data, size))) return 0;
    const auto scan = capture::ScanTrace(file);
    if (!scan) return 0;
    // What recovery keeps, behind a header with its counts, is a valid trace.
    const int outFd = ::memfd_create("recovered", MFD_CLOEXEC);
    if (outFd < 0) return 0;
    core::FileHandle recovered(outFd);
    if (!capture::WriteRecovered(file, recovered, scan.Value())) return 0;
    capture::TraceReader reader(std::move(recovered));
    core::RecordingPrompt prompt;
    if (!reader.Validate(prompt)) std::abort();
    return 0;
}
