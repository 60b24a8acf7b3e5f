// Trace recovery: a verifying walk along the lead records that steps over bad blocks, then
// a header with the counts of what was kept.
#include "capture/TraceRecovery.h"

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

#include "capture/CPktSnap.h"
#include "capture/Inflate.h"
#include "capture/TraceReader.h"
#include "core/ByteReader.h"
#include "core/PendingFile.h"

namespace capture {

namespace {

constexpr std::size_t kCopyChunk = 1u << 20;
constexpr std::size_t kSearchChunk = 1u << 20;

// What a block must be to be kept where the walk stands.
struct Expectation {
    std::uint32_t number = 0;      // its number among the kept blocks, for messages
    std::uint32_t firstFrame = 0;  // the frame number the kept blocks have reached; a later one is a gap
};

class Walk {
public:
    Walk(const core::FileHandle& file, std::uint64_t walkable, const RecoveryProgress& progress)
        : m_file(file),
          m_walkable(walkable),
          m_progress(progress) {}

    // Verifies the block at pos and returns its lead record, or the reason it cannot be kept.
    core::Result<TraceRecord> Verify(std::uint64_t pos, const Expectation& want) {
        const std::string name = "block " + std::to_string(want.number) + " at offset " + std::to_string(pos);
        auto fail = [&](const std::string& why) { return core::Fail(core::ErrorKind::Corrupt, name + ": " + why); };
        if (pos + kBlockOverhead > m_walkable)
            return fail("only " + std::to_string(m_walkable - pos) + " bytes are left of it");
        std::array<std::uint8_t, kBlockDataOffset> head{};
        if (auto st = m_file.ReadAt(pos, head); !st) return fail(st.Err().text);
        core::ByteReader in(head);
        const TraceRecord lead = TraceRecord::Read(in);
        const std::uint32_t c = in.Le32();
        const std::uint32_t u = in.Le32();
        const std::uint64_t end = pos + kBlockOverhead + c;
        if (end > m_walkable)
            return fail("its " + std::to_string(c) + " compressed bytes run past the end of the file");
        if (lead.offset != end)
            return fail("its next-block offset " + std::to_string(lead.offset) + " disagrees with its length");
        if (lead.first < want.firstFrame)
            return fail("starts at frame " + std::to_string(lead.first) + " instead of " +
                        std::to_string(want.firstFrame));
        if (lead.last + std::uint64_t{1} < lead.first) return fail("ends before it starts");

        RawBlock block;
        block.screen = want.number;
        block.offset = static_cast<std::uint32_t>(pos);
        block.inflatedSize = u;
        block.compressed.resize(std::size_t{c} + kTraceRecordSize);
        if (auto st = m_file.ReadAt(pos + kBlockDataOffset, block.compressed); !st) return fail(st.Err().text);
        core::ByteReader trailBytes(std::span<const std::uint8_t>(block.compressed).subspan(c));
        block.trail = TraceRecord::Read(trailBytes);
        block.compressed.resize(c);
        if (!(block.trail == TraceRecord{lead.first, lead.last, static_cast<std::uint32_t>(pos)}))
            return fail("its trail record does not match its lead record");
        if (auto st = TraceReader::Inflate(block, m_inflated); !st) return st.Err();
        if (auto st = TraceReader::LoadBatch(block, m_inflated, m_batch); !st) return st.Err();
        const std::uint32_t held = m_batch.GetFrameCount();
        m_batch.RemoveAllFrames();
        if (held != lead.FrameCount())
            return fail("holds " + std::to_string(held) + " frames, its records say " +
                        std::to_string(lead.FrameCount()));
        return lead;
    }

    // The first block after the bad one at bad that verifies: where the bad block's own records
    // point when they agree with its length, else the first offset at which a whole block
    // verifies. Offsets are only tried when the records there could be a block's.
    std::optional<std::pair<std::uint64_t, TraceRecord>> FindNext(std::uint64_t bad, const Expectation& want) {
        std::array<std::uint8_t, kBlockDataOffset> head{};
        if (bad + kBlockDataOffset <= m_walkable && m_file.ReadAt(bad, head)) {
            core::ByteReader in(head);
            const TraceRecord lead = TraceRecord::Read(in);
            const std::uint64_t byLength = bad + kBlockOverhead + in.Le32();
            auto found = lead.offset == byLength ? Try(lead.offset, want) : std::nullopt;
            if (found) return found;
        }
        std::vector<std::uint8_t> window;
        for (std::uint64_t from = bad + 1; from + kBlockOverhead <= m_walkable; from += kSearchChunk) {
            if (m_progress) m_progress(from, m_walkable);  // a long stretch of junk takes a while
            const auto span =
                static_cast<std::size_t>(std::min<std::uint64_t>(kSearchChunk + kBlockDataOffset, m_walkable - from));
            window.resize(span);
            if (!m_file.ReadAt(from, window)) return std::nullopt;
            const core::ByteReader bytes(window);
            for (std::size_t at = 0; at < kSearchChunk && at + kBlockDataOffset <= span; ++at) {
                core::ByteReader in = bytes.At(at + 8);
                const std::uint64_t next = in.Le32();
                const std::uint64_t pos = from + at;
                if (next != pos + kBlockOverhead + in.Le32()) continue;
                if (auto found = Try(pos, want)) return found;
            }
        }
        return std::nullopt;
    }

private:
    std::optional<std::pair<std::uint64_t, TraceRecord>> Try(std::uint64_t pos, const Expectation& want) {
        if (pos + kBlockOverhead > m_walkable) return std::nullopt;
        // The trail record first: one small read turns away almost every offset that is no block.
        std::array<std::uint8_t, 4> head{};
        std::array<std::uint8_t, kTraceRecordSize> tail{};
        if (!m_file.ReadAt(pos + 12, head)) return std::nullopt;
        const std::uint64_t end = pos + kBlockOverhead + core::ByteReader(head).Le32();
        if (end > m_walkable || !m_file.ReadAt(end - kTraceRecordSize, tail)) return std::nullopt;
        core::ByteReader trail(tail);
        if (TraceRecord::Read(trail).offset != pos) return std::nullopt;
        auto lead = Verify(pos, want);
        if (!lead) return std::nullopt;
        return std::make_pair(pos, lead.Value());
    }

    const core::FileHandle& m_file;
    std::uint64_t m_walkable;
    const RecoveryProgress& m_progress;
    std::vector<std::uint8_t> m_inflated;
    CPktSnap m_batch;
};

core::Status CopyBytes(const core::FileHandle& from, std::uint64_t at, std::uint64_t length, const core::FileHandle& to,
                       std::uint64_t toAt) {
    std::vector<std::uint8_t> chunk;
    for (std::uint64_t done = 0; done < length; done += chunk.size()) {
        chunk.resize(static_cast<std::size_t>(std::min<std::uint64_t>(kCopyChunk, length - done)));
        if (auto st = from.ReadAt(at + done, chunk); !st) return st;
        if (auto st = to.WriteAt(toAt + done, chunk); !st) return st;
    }
    return core::Success();
}

TraceHeader HeaderOf(const RecoveryScan& scan) {
    TraceHeader header;
    header.blockCount = scan.Blocks();
    header.endOffset = static_cast<std::uint32_t>(scan.RecoveredSize());
    header.frameCount = scan.frameEnd;
    return header;
}

// A file a running capture writes holds its lock.
core::Status NotBeingWritten(const core::FileHandle& file, const std::string& path) {
    if (auto locked = file.TryLockExclusive(); !locked)
        return core::Fail(core::ErrorKind::Io, path + ": " + locked.Err().text + " (a capture still running?)");
    return core::Success();
}

core::Status WriteInto(const core::FileHandle& from, const std::string& path, const RecoveryScan& scan) {
    auto pending = core::PendingFile::Create(path);
    if (!pending) return pending.Err();
    if (auto st = WriteRecovered(from, pending.Value().File(), scan); !st)
        return core::Fail(st.Err().kind, path + ": " + st.Err().text);
    return pending.Value().Commit();
}

}  // namespace

std::uint64_t RecoveryScan::FramesLost() const noexcept {
    std::uint64_t lost = 0;
    for (const auto& s : steppedOver) lost += s.framesLost;
    return lost;
}

std::uint64_t RecoveryScan::RecoveredSize() const noexcept {
    std::uint64_t size = kTraceHeaderSize;
    for (const auto& block : kept) size += block.length;
    return size;
}

bool RecoveryScan::HeaderHasCounts() const noexcept {
    return header.blockCount != 0 || header.endOffset != 0 || header.frameCount != 0;
}

bool RecoveryScan::Complete() const noexcept {
    const bool whole = std::none_of(steppedOver.begin(), steppedOver.end(), [](const auto& s) { return s.bytes > 0; });
    return whole && keptEnd == fileSize && header.blockCount == Blocks() && header.frameCount == frameEnd &&
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
    Walk walk(file, std::min<std::uint64_t>(scan.fileSize, 0xFFFFFFFFull), progress);
    std::uint64_t pos = kTraceHeaderSize;
    auto keep = [&](std::uint64_t at, const TraceRecord& lead) {
        if (lead.first > scan.frameEnd && at == pos)
            scan.steppedOver.push_back(
                {at, 0, scan.frameEnd, lead.first - scan.frameEnd,
                 "the frame numbers jump from " + std::to_string(scan.frameEnd) + " to " + std::to_string(lead.first)});
        scan.kept.push_back({at, lead.offset - at, lead});
        scan.frames += lead.FrameCount();
        scan.frameEnd = lead.last + 1;
        pos = lead.offset;
        if (progress) progress(pos, scan.fileSize);
    };
    while (pos < scan.fileSize) {
        const Expectation want{scan.Blocks() + 1, scan.frameEnd};
        auto lead = walk.Verify(pos, want);
        if (lead) {
            keep(pos, lead.Value());
            continue;
        }
        const auto next = walk.FindNext(pos, want);
        if (!next) {
            scan.dropReason = lead.Err().text;
            break;
        }
        const std::uint32_t first = next->second.first;
        scan.steppedOver.push_back({pos, next->first - pos, want.firstFrame, first - want.firstFrame, lead.Err().text});
        keep(next->first, next->second);
    }
    scan.keptEnd = pos;
    return scan;
}

core::Status WriteRecovered(const core::FileHandle& from, const core::FileHandle& to, const RecoveryScan& scan) {
    if (auto st = to.WriteAt(0, HeaderOf(scan).Encode()); !st) return st;
    std::uint64_t at = kTraceHeaderSize;
    for (const KeptBlock& block : scan.kept) {
        const auto here = static_cast<std::uint32_t>(at);
        const auto next = static_cast<std::uint32_t>(at + block.length);
        const TraceRecord lead{block.lead.first, block.lead.last, next};
        const TraceRecord trail{block.lead.first, block.lead.last, here};
        if (auto st = to.WriteAt(at, lead.Encode()); !st) return st;
        const std::uint64_t inner = block.length - 2 * std::uint64_t{kTraceRecordSize};
        if (auto st = CopyBytes(from, block.offset + kTraceRecordSize, inner, to, at + kTraceRecordSize); !st)
            return st;
        if (auto st = to.WriteAt(next - kTraceRecordSize, trail.Encode()); !st) return st;
        at = next;
    }
    return to.Sync();
}

core::Result<Recovery> RecoverTrace(const std::string& in, const std::string& out, const RecoveryProgress& progress) {
    const bool inPlace = out.empty() || out == in || core::SameFile(in, out);
    auto opened =
        core::FileHandle::Open(in, inPlace ? core::FileHandle::Mode::ReadWrite : core::FileHandle::Mode::Read);
    if (!opened) return opened.Err();
    const core::FileHandle file = std::move(opened).Value();
    if (inPlace) {
        if (auto st = NotBeingWritten(file, in); !st) return st.Err();
    }
    auto scanned = ScanTrace(file, progress);
    if (!scanned) return core::Fail(scanned.Err().kind, in + ": " + scanned.Err().text);
    Recovery recovery{std::move(scanned).Value(), false};
    const RecoveryScan& scan = recovery.scan;
    if (!inPlace) {
        if (auto existing = core::FileHandle::Open(out, core::FileHandle::Mode::Read)) {
            if (auto st = NotBeingWritten(existing.Value(), out); !st) return st.Err();
        }
        if (auto st = WriteInto(file, out, scan); !st) return st.Err();
        recovery.written = true;
        return recovery;
    }
    if (scan.HeaderHasCounts()) return recovery;
    if (scan.steppedOver.empty()) {
        // Every kept block stays where it is: cut the torn tail off and write the counts.
        if (auto st = file.Truncate(scan.keptEnd); !st) return st.Err();
        if (auto st = file.WriteAt(0, HeaderOf(scan).Encode()); !st) return st.Err();
        if (auto st = file.Sync(); !st) return st.Err();
    } else if (auto st = WriteInto(file, in, scan); !st) {
        return st.Err();
    }
    recovery.written = true;
    return recovery;
}

}  // namespace capture
