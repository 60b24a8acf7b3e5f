// Fuzz target: bytes opened as a trace file (through an in-memory file descriptor, the same
// path as a file on disk), validated, listed, walked as list walks it (passing over blocks
// that will not load), first to last, last to first, and to a few frame numbers from both
// ends, whether or not the header validated.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <vector>

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

// As list goes: next after next, passing over a block that will not load or cannot even be
// fetched. Passing over moves strictly forwards, so this ends too.
void WalkPassingBrokenBlocks(TraceReader& reader) {
    for (int i = 0; i < kMaxMoves; ++i) {
        auto fetched = reader.Fetch(TraceReader::Move::Next);
        if (!fetched) {
            auto passed = reader.PassBrokenBlock();
            if (!passed || !passed.Value()) return;
            continue;
        }
        if (!fetched.Value()) return;
        capture::CPktSnap batch;
        std::vector<std::uint8_t> inflated;
        if (TraceReader::Inflate(*fetched.Value(), inflated))
            (void)TraceReader::LoadBatch(*fetched.Value(), std::move(inflated), batch);
        reader.Accept(*fetched.Value());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int fd = ::memfd_create("trace", MFD_CLOEXEC);
    if (fd < 0) return 0;
    core::FileHandle file(fd);
    if (size > 0 && !file.WriteAt(0, std::span<const std::uint8_t>(data, size))) return 0;
    auto second = file.Duplicate();
    if (!second) return 0;
    TraceReader reader(std::move(file));
    core::RecordingPrompt prompt;
    const bool valid = reader.Validate(prompt);
    TraceReader passing(std::move(second).Value());
    (void)passing.Validate(prompt);
    if (!valid) passing.SetKnownCounts(0xFFFFFFFF, 0xFFFFFFFF, static_cast<std::uint32_t>(size));
    WalkPassingBrokenBlocks(passing);
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
