// Fuzz target: bytes opened as a trace file (through an in-memory file descriptor, the same
// path as a file on disk), validated, listed, and walked first to last, last to first, and
// to a few frame numbers from both ends, whether or not the header validated.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>

#include "capture/CPktSnap.h"
#include "capture/TraceReader.h"
#include "core/FileHandle.h"
#include "core/UserPrompt.h"

namespace {

using capture::TraceReader;

// Every move advances along the chain or stops, so this bounds a buggy loop, not a good one.
constexpr int kMaxMoves = 100000;

void Walk(TraceReader& reader, TraceReader::Move start, TraceReader::Move step) {
    capture::CPktSnap batch;
    auto moved = reader.Go(start, batch);
    for (int i = 0; moved && moved.Value() && i < kMaxMoves; ++i) moved = reader.Go(step, batch);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int fd = ::memfd_create("trace", MFD_CLOEXEC);
    if (fd < 0) return 0;
    core::FileHandle file(fd);
    if (size > 0 && !file.WriteAt(0, std::span<const std::uint8_t>(data, size))) return 0;
    TraceReader reader(std::move(file));
    core::RecordingPrompt prompt;
    const bool valid = reader.Validate(prompt);
    (void)reader.ListBlocks();
    if (!valid) reader.SetKnownCounts(0xFFFFFFFF, 0xFFFFFFFF, static_cast<std::uint32_t>(size));
    Walk(reader, TraceReader::Move::Next, TraceReader::Move::Next);
    Walk(reader, TraceReader::Move::Last, TraceReader::Move::Previous);
    Walk(reader, TraceReader::Move::First, TraceReader::Move::Next);
    capture::CPktSnap batch;
    for (const std::uint32_t n : {0u, 1u, 7u, 100u, 0xFFFFFFFEu}) {
        (void)reader.GoToFrame(n, 0, batch);
        (void)reader.GoToFrame(n, n, batch);
    }
    return 0;
}
