// Trace recovery: a verifying walk along the lead records, then a header with the counts.
#include "capture/TraceRecovery.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <vector>

#include "capture/CPktSnap.h"
#include "capture/Inflate.h"
#include "capture/TraceReader.h"
#include "core/ByteReader.h"

namespace capture {

namespace {

constexpr std::size_t kCopyChunk = 1u << 20;

// Verifies the block at pos and returns its lead record, or the reason it cannot be kept.
core::Result<TraceRecord> VerifyBlock(const core::FileHandle& file, std::uint64_t pos, std::uint64_t fileSize,
                                      std::uint32_t number, std::uint32_t firstFrame,
                                      std::vector<std::uint8_t>& inflated, CPktSnap& batch) {
    const std::string name = "block " + std::to_string(number) + " at offset " + std::to_string(pos);
    auto fail = [&](const std::string& why) { return core::Fail(core::ErrorKind::Corrupt, name + ": " + why); };
    if (pos + kBlockOverhead > fileSize)
        return fail("only " + std::to_string(fileSize - pos) + " bytes are left of it");
    std::array<std::uint8_t, kBlockDataOffset> head{};
    if (auto st = file.ReadAt(pos, head); !st) return fail(st.Err().text);
    core::ByteReader in(head);
    const TraceRecord lead = TraceRecord::Read(in);
    const std::uint32_t c = in.Le32();
    const std::uint32_t u = in.Le32();
    const std::uint64_t end = pos + kBlockOverhead + c;
    if (end > fileSize) return fail("its " + std::to_string(c) + " compressed bytes run past the end of the file");
    if (lead.offset != end)
        return fail("its next-block offset " + std::to_string(lead.offset) + " disagrees with its length");
    if (lead.first != firstFrame)
        return fail("starts at frame " + std::to_string(lead.first) + " instead of " + std::to_string(firstFrame));
    if (lead.last + std::uint64_t{1} < lead.first) return fail("ends before it starts");

    RawBlock block;
    block.screen = number;
    block.offset = static_cast<std::uint32_t>(pos);
    block.inflatedSize = u;
    block.compressed.resize(std::size_t{c} + kTraceRecordSize);
    if (auto st = file.ReadAt(pos + kBlockDataOffset, block.compressed); !st) return fail(st.Err().text);
    core::ByteReader trailBytes(std::span<const std::uint8_t>(block.compressed).subspan(c));
    block.trail = TraceRecord::Read(trailBytes);
    block.compressed.resize(c);
    if (!(block.trail == TraceRecord{lead.first, lead.last, static_cast<std::uint32_t>(pos)}))
        return fail("its trail record does not match its lead record");
    if (auto st = TraceReader::Inflate(block, inflated); !st) return st.Err();
    if (auto st = TraceReader::LoadBatch(block, inflated, batch); !st) return st.Err();
    if (batch.GetFrameCount() != lead.FrameCount())
        return fail("holds " + std::to_string(batch.GetFrameCount()) + " frames, its records say " +
                    std::to_string(lead.FrameCount()));
    batch.RemoveAllFrames();
    return lead;
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat sa {};
    struct stat sb {};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

core::Status WriteHeader(const core::FileHandle& file, const RecoveryScan& scan) {
    TraceHeader header;
    header.blockCount = scan.blocks;
    header.endOffset = static_cast<std::uint32_t>(scan.keptEnd);
    header.frameCount = scan.frames;
    if (auto st = file.WriteAt(0, header.Encode()); !st) return st;
    return file.Sync();
}

core::Status CopyKept(const core::FileHandle& from, const core::FileHandle& to, std::uint64_t end) {
    if (auto st = to.Truncate(0); !st) return st;
    std::vector<std::uint8_t> chunk;
    for (std::uint64_t pos = kTraceHeaderSize; pos < end; pos += chunk.size()) {
        chunk.resize(static_cast<std::size_t>(std::min<std::uint64_t>(kCopyChunk, end - pos)));
        if (auto st = from.ReadAt(pos, chunk); !st) return st;
        if (auto st = to.WriteAt(pos, chunk); !st) return st;
    }
    return core::Success();
}

}  // namespace

bool RecoveryScan::Complete() const noexcept {
    return keptEnd == fileSize && header.blockCount == blocks && header.frameCount == frames &&
           header.endOffset == keptEnd;
}

core::Result<RecoveryScan> ScanTrace(const core::FileHandle& file, const RecoveryProgress& progress) {
    RecoveryScan scan;
    const auto size = file.Size();
    if (!size) return size.Err();
    scan.fileSize = size.Value();
    std::array<std::uint8_t, kTraceHeaderSize> head{};
    if (scan.fileSize < kTraceHeaderSize || !file.ReadAt(0, head))
        return core::Fail(core::ErrorKind::Truncated, "shorter than a trace header");
    core::ByteReader in(head);
    scan.header = TraceHeader::Read(in);
    if (scan.header.signature != kReleaseSignature || scan.header.formatA != kFormatWordA ||
        scan.header.formatB != kFormatWordB)
        return core::Fail(core::ErrorKind::Unsupported, "not a trace file of this release");
    // Offsets in the file are 32-bit: nothing past 4 GiB can belong to a block.
    const std::uint64_t walkable = std::min<std::uint64_t>(scan.fileSize, 0xFFFFFFFFull);
    std::vector<std::uint8_t> inflated;
    CPktSnap batch;
    std::uint64_t pos = kTraceHeaderSize;
    while (pos < scan.fileSize) {
        auto lead = VerifyBlock(file, pos, walkable, scan.blocks + 1, scan.frames, inflated, batch);
        if (!lead) {
            scan.dropReason = lead.Err().text;
            break;
        }
        scan.frames += lead.Value().FrameCount();
        ++scan.blocks;
        pos = lead.Value().offset;
        if (progress) progress(pos, scan.fileSize);
    }
    scan.keptEnd = pos;
    return scan;
}

core::Result<RecoveryScan> RecoverTrace(const std::string& in, const std::string& out,
                                        const RecoveryProgress& progress) {
    const bool inPlace = out.empty() || out == in || SameFile(in, out);
    auto opened =
        core::FileHandle::Open(in, inPlace ? core::FileHandle::Mode::ReadWrite : core::FileHandle::Mode::Read);
    if (!opened) return opened.Err();
    const core::FileHandle file = std::move(opened).Value();
    if (inPlace) {
        if (auto locked = file.TryLockExclusive(); !locked)
            return core::Fail(core::ErrorKind::Io, in + ": " + locked.Err().text + " (a capture still running?)");
    }
    auto scanned = ScanTrace(file, progress);
    if (!scanned) return core::Fail(scanned.Err().kind, in + ": " + scanned.Err().text);
    const RecoveryScan& scan = scanned.Value();
    if (inPlace) {
        if (scan.Complete()) return scanned;
        if (auto st = file.Truncate(scan.keptEnd); !st) return st.Err();
        if (auto st = WriteHeader(file, scan); !st) return st.Err();
        return scanned;
    }
    auto target = core::FileHandle::Open(out, core::FileHandle::Mode::OpenOrCreate);
    if (!target) return target.Err();
    if (auto locked = target.Value().TryLockExclusive(); !locked)
        return core::Fail(core::ErrorKind::Io, out + ": " + locked.Err().text);
    if (auto st = CopyKept(file, target.Value(), scan.keptEnd); !st) return st.Err();
    if (auto st = WriteHeader(target.Value(), scan); !st) return st.Err();
    return scanned;
}

}  // namespace capture
