// Trace reader. Every chain offset is checked before it is followed: inside the file, and
// strictly forwards (lead records) or backwards (trail records), so no corrupt chain can
// make a move loop or read outside the file.
#include "capture/TraceReader.h"

#include <algorithm>
#include <array>
#include <mutex>

#include "capture/Inflate.h"
#include "capture/TraceFileMutex.h"
#include "core/Archive.h"
#include "core/ByteReader.h"

namespace capture {

namespace {
constexpr std::size_t kFrameFixedPart = 32;  // frame record words after its schema word

std::string BlockName(std::uint32_t number, std::uint64_t offset) {
    return "block " + std::to_string(number) + " at offset " + std::to_string(offset);
}

core::Error Corrupt(std::uint32_t number, std::uint64_t offset, const std::string& what) {
    return core::Fail(core::ErrorKind::Corrupt, BlockName(number, offset) + ": " + what);
}

// Walks the batch's frame headers without building anything, so a batch that would not
// load completely is refused before a single frame is made.
core::Status CheckBatch(std::span<const std::uint8_t> bytes) {
    core::ByteReader in(bytes);
    const std::uint32_t schema = in.Le32();
    in.Skip(8);  // counter frequency
    const auto count = static_cast<std::int32_t>(in.Le32());
    if (in.Failed()) return core::Fail(core::ErrorKind::Truncated, "frame batch is shorter than its 16-byte head");
    if (schema != core::kSchema)
        return core::Fail(core::ErrorKind::Unsupported, "frame batch has schema word " + std::to_string(schema));
    for (std::int32_t i = 0; i < count; ++i) {
        const std::uint32_t frameSchema = in.Le32();
        if (in.Failed())
            return core::Fail(core::ErrorKind::Truncated, "frame batch ends after " + std::to_string(i) + " of " +
                                                              std::to_string(count) + " frames");
        if (frameSchema != core::kSchema)
            return core::Fail(core::ErrorKind::Corrupt,
                              "frame " + std::to_string(i) + " has schema word " + std::to_string(frameSchema));
        in.Skip(kFrameFixedPart - 4);
        const std::uint32_t length = in.Le32();
        if (!in.Skip(length))
            return core::Fail(core::ErrorKind::Truncated,
                              "frame " + std::to_string(i) + " claims more data than the batch holds");
    }
    return core::Success();
}
}  // namespace

std::string RawBlock::Name() const { return BlockName(screen, offset); }

core::Result<TraceReader> TraceReader::Open(const std::string& path) {
    auto file = core::FileHandle::Open(path, core::FileHandle::Mode::Read);
    if (!file) return file.Err();
    return TraceReader(std::move(file).Value());
}

bool TraceReader::Validate(core::UserPrompt& prompt) {
    const auto size = m_file.Size();
    std::array<std::uint8_t, kTraceHeaderSize> bytes{};
    if (!size || size.Value() < kTraceHeaderSize || !m_file.ReadAt(0, bytes)) {
        prompt.Tell("Wrong file opened!", core::PromptIcon::Exclamation);
        return false;
    }
    core::ByteReader in(bytes);
    const TraceHeader header = TraceHeader::Read(in);
    if (header.signature != kReleaseSignature) {
        prompt.Tell("Wrong file opened!", core::PromptIcon::Exclamation);
        return false;
    }
    if (header.formatA != kFormatWordA || header.formatB != kFormatWordB) {
        prompt.Tell("File was created by different release", core::PromptIcon::Information);
        return false;
    }
    m_header = header;
    m_headerRead = true;
    SetKnownCounts(header.blockCount, header.frameCount, header.endOffset);
    if (size.Value() != header.endOffset) {
        prompt.Tell("File length is invalid", core::PromptIcon::Information);
        return false;
    }
    return true;
}

void TraceReader::SetKnownCounts(std::uint32_t blockCount, std::uint32_t frameCount, std::uint32_t endOffset) noexcept {
    m_blockCount = blockCount;
    m_frameCount = frameCount;
    m_endOffset = endOffset;
}

core::Result<TraceRecord> TraceReader::ReadRecordAt(std::uint64_t offset) const {
    std::array<std::uint8_t, kTraceRecordSize> bytes{};
    if (auto st = m_file.ReadAt(offset, bytes); !st) return st.Err();
    core::ByteReader in(bytes);
    return TraceRecord::Read(in);
}

core::Result<RawBlock> TraceReader::ReadBlockAt(std::uint32_t offset, std::uint32_t screen) const {
    const auto size = m_file.Size();
    if (!size) return size.Err();
    const std::uint64_t fileSize = size.Value();
    if (offset < kTraceHeaderSize || std::uint64_t{offset} + kBlockOverhead > fileSize)
        return Corrupt(screen, offset, "lies outside the file of " + std::to_string(fileSize) + " bytes");
    std::array<std::uint8_t, 8> sizes{};
    if (auto st = m_file.ReadAt(offset + std::uint64_t{kTraceRecordSize}, sizes); !st)
        return Corrupt(screen, offset, st.Err().text);
    core::ByteReader in(sizes);
    const std::uint32_t c = in.Le32();
    const std::uint32_t u = in.Le32();
    if (std::uint64_t{offset} + kBlockOverhead + c > fileSize)
        return Corrupt(screen, offset, "compressed size " + std::to_string(c) + " runs past the end of the file");
    if (!PlausibleInflatedSize(c, u))
        return Corrupt(
            screen, offset,
            "uncompressed size " + std::to_string(u) + " is implausible for " + std::to_string(c) + " bytes");

    RawBlock block;
    block.screen = screen;
    block.offset = offset;
    block.inflatedSize = u;
    block.compressedSize = c;
    // The zlib stream and the trail record in one read; the size is bounded by the file.
    SizeBlockBuffer(block.compressed, std::size_t{c} + kTraceRecordSize);
    if (auto st = m_file.ReadAt(offset + std::uint64_t{kBlockDataOffset}, block.compressed); !st)
        return Corrupt(screen, offset, st.Err().text);
    core::ByteReader trail(std::span<const std::uint8_t>(block.compressed).subspan(c));
    block.trail = TraceRecord::Read(trail);
    block.compressed.resize(c);
    if (block.trail.offset != offset)
        return Corrupt(screen, offset, "trail record points at offset " + std::to_string(block.trail.offset));
    return block;
}

core::Result<RawBlock> TraceReader::FetchPrevious() const {
    const std::uint32_t current = m_screenTrail.offset;
    const std::uint32_t number = m_screen - 1;
    auto trail = ReadRecordAt(std::uint64_t{current} - kTraceRecordSize);
    if (!trail) return Corrupt(number, current, trail.Err().text);
    const std::uint32_t previous = trail.Value().offset;
    if (previous < kTraceHeaderSize || std::uint64_t{previous} + kBlockOverhead > current)
        return Corrupt(
            number, previous,
            "trail record before offset " + std::to_string(current) + " does not point backwards into the file");
    auto block = ReadBlockAt(previous, number);
    if (block && std::uint64_t{previous} + kBlockOverhead + block.Value().compressed.size() != current)
        return Corrupt(number, previous, "does not end where the next block starts");
    return block;
}

core::Result<RawBlock> TraceReader::FetchLast() const {
    const auto size = m_file.Size();
    if (!size) return size.Err();
    const std::uint64_t fileSize = size.Value();
    if (fileSize < kTraceHeaderSize + kBlockOverhead) return Corrupt(m_blockCount, fileSize, "file holds no block");
    auto trail = ReadRecordAt(fileSize - kTraceRecordSize);
    if (!trail) return Corrupt(m_blockCount, fileSize, trail.Err().text);
    auto block = ReadBlockAt(trail.Value().offset, m_blockCount);
    if (block && block.Value().offset + kBlockOverhead + block.Value().compressed.size() != fileSize)
        return Corrupt(m_blockCount, block.Value().offset, "last block does not end the file");
    return block;
}

core::Result<std::optional<RawBlock>> TraceReader::Fetch(Move move) const {
    auto wrap = [](core::Result<RawBlock> r) -> core::Result<std::optional<RawBlock>> {
        if (!r) return r.Err();
        return std::optional<RawBlock>(std::move(r).Value());
    };
    switch (move) {
        case Move::First:
            return wrap(ReadBlockAt(kTraceHeaderSize, 1));
        case Move::Next: {
            std::scoped_lock lock(TraceFileMutex());
            if (m_screen >= m_blockCount) return std::optional<RawBlock>();
            if (m_position > 0xFFFFFFFFull) return wrap(Corrupt(m_screen + 1, m_position, "lies beyond 4 GiB"));
            return wrap(ReadBlockAt(static_cast<std::uint32_t>(m_position), m_screen + 1));
        }
        case Move::Previous: {
            std::scoped_lock lock(TraceFileMutex());
            if (m_screen <= 1) return std::optional<RawBlock>();
            return wrap(FetchPrevious());
        }
        case Move::Last: {
            std::scoped_lock lock(TraceFileMutex());
            if (m_blockCount == 0) return std::optional<RawBlock>();
            return wrap(FetchLast());
        }
    }
    return std::optional<RawBlock>();
}

core::Result<RawBlock> TraceReader::FetchFrame(std::uint32_t n, std::uint32_t currentFrame) const {
    return n <= currentFrame ? FetchFrameFromStart(n) : FetchFrameFromEnd(n);
}

core::Result<RawBlock> TraceReader::FetchFrameFromStart(std::uint32_t n) const {
    const auto size = m_file.Size();
    if (!size) return size.Err();
    const std::uint64_t fileSize = size.Value();
    std::uint64_t position = kTraceHeaderSize;
    std::uint32_t screen = 1;
    for (;;) {
        if (position + kBlockOverhead > fileSize)
            return core::Fail(core::ErrorKind::Corrupt, "frame " + std::to_string(n) + " is in no block");
        auto lead = ReadRecordAt(position);
        if (!lead) return Corrupt(screen, position, lead.Err().text);
        if (lead.Value().Holds(n)) break;
        const std::uint64_t next = lead.Value().offset;
        if (next < position + kBlockOverhead || next > fileSize)
            return Corrupt(screen, position,
                           "next-block offset " + std::to_string(next) + " does not point forwards into the file");
        position = next;
        ++screen;
    }
    std::scoped_lock lock(TraceFileMutex());
    return ReadBlockAt(static_cast<std::uint32_t>(position), screen);
}

core::Result<RawBlock> TraceReader::FetchFrameFromEnd(std::uint32_t n) const {
    std::uint64_t fileSize = 0;
    {
        std::scoped_lock lock(TraceFileMutex());
        const auto size = m_file.Size();
        if (!size) return size.Err();
        fileSize = size.Value();
    }
    std::uint64_t position = fileSize >= kTraceRecordSize ? fileSize - kTraceRecordSize : 0;
    std::uint32_t screen = m_blockCount;
    std::uint32_t found = 0;
    for (;;) {
        if (screen == 0 || position < kTraceHeaderSize + kBlockOverhead - kTraceRecordSize)
            return core::Fail(core::ErrorKind::Corrupt, "frame " + std::to_string(n) + " is in no block");
        auto trail = ReadRecordAt(position);
        if (!trail) return Corrupt(screen, position, trail.Err().text);
        const std::uint32_t offset = trail.Value().offset;
        if (offset < kTraceHeaderSize || offset + std::uint64_t{kBlockOverhead} > position + kTraceRecordSize)
            return Corrupt(
                screen, offset,
                "trail record at offset " + std::to_string(position) + " does not point backwards into the file");
        if (trail.Value().Holds(n)) {
            found = offset;
            break;
        }
        if (screen <= 1) return Corrupt(screen, offset, "the file holds more blocks than its block count");
        position = offset - std::uint64_t{kTraceRecordSize};
        --screen;
    }
    std::scoped_lock lock(TraceFileMutex());
    return ReadBlockAt(found, screen);
}

core::Status TraceReader::Inflate(const RawBlock& block, std::vector<std::uint8_t>& out) {
    if (auto st = InflateExact(block.compressed, block.inflatedSize, out); !st)
        return core::Fail(st.Err().kind, block.Name() + ": " + st.Err().text);
    return core::Success();
}

core::Status TraceReader::LoadBatch(const RawBlock& block, std::span<const std::uint8_t> inflated, CPktSnap& batch) {
    batch.RemoveAllFrames();
    if (auto st = CheckBatch(inflated); !st) return core::Fail(st.Err().kind, block.Name() + ": " + st.Err().text);
    try {
        core::Archive ar(inflated);
        batch.Serialize(ar);
    } catch (const core::ArchiveException& e) {
        batch.RemoveAllFrames();
        return core::Fail(core::ErrorKind::Truncated, block.Name() + ": " + e.what());
    }
    return core::Success();
}

core::Status TraceReader::LoadBatch(const RawBlock& block, std::vector<std::uint8_t>&& inflated, CPktSnap& batch) {
    batch.RemoveAllFrames();
    if (auto st = CheckBatch(inflated); !st) return core::Fail(st.Err().kind, block.Name() + ": " + st.Err().text);
    // Checked whole above, so the batch takes the bytes as they are.
    if (!batch.LoadAdopting(std::move(inflated)))
        return core::Fail(core::ErrorKind::Truncated, block.Name() + ": frame batch ends early");
    return core::Success();
}

void TraceReader::Accept(const RawBlock& block) noexcept {
    m_screen = block.screen;
    m_screenTrail = block.trail;
    m_position = std::uint64_t{block.offset} + kBlockOverhead + block.compressedSize;
}

core::Result<std::optional<std::pair<std::uint32_t, std::uint32_t>>> TraceReader::FirstBlockAfter(
    std::uint64_t offset) const {
    const auto size = m_file.Size();
    if (!size) return size.Err();
    std::optional<std::pair<std::uint32_t, std::uint32_t>> found;
    std::uint64_t trailAt = size.Value() >= kTraceRecordSize ? size.Value() - kTraceRecordSize : 0;
    std::uint32_t screen = m_blockCount;
    // Each step must point strictly backwards, so the walk ends however the records lie.
    while (screen > 0 && trailAt >= kTraceHeaderSize + kBlockOverhead - kTraceRecordSize) {
        auto trail = ReadRecordAt(trailAt);
        if (!trail) break;
        const std::uint32_t block = trail.Value().offset;
        if (block <= offset || block < kTraceHeaderSize ||
            block + std::uint64_t{kBlockOverhead} > trailAt + kTraceRecordSize)
            break;
        found = std::make_pair(block, screen);
        trailAt = block - std::uint64_t{kTraceRecordSize};
        --screen;
    }
    return found;
}

core::Result<bool> TraceReader::PassBrokenBlock() {
    std::scoped_lock lock(TraceFileMutex());
    const auto size = m_file.Size();
    if (!size) return size.Err();
    const std::uint64_t fileSize = size.Value();
    const std::uint64_t broken = m_position;
    const auto moveTo = [&](std::uint64_t next, std::uint32_t screen) {
        m_screen = screen;
        m_screenTrail = TraceRecord{0, 0xFFFFFFFF, static_cast<std::uint32_t>(broken)};
        m_position = next;
        return next + kBlockOverhead <= fileSize;
    };
    // A block that starts here and ends before the file does is worth a try.
    const auto plausible = [&](std::uint64_t next) { return next >= broken + kBlockOverhead && next <= fileSize; };
    std::array<std::uint8_t, kBlockDataOffset> head{};
    if (broken + kBlockDataOffset <= fileSize && m_file.ReadAt(broken, head)) {
        core::ByteReader in(head);
        const TraceRecord lead = TraceRecord::Read(in);
        const std::uint64_t byLength = broken + kBlockOverhead + in.Le32();
        if (plausible(lead.offset)) return moveTo(lead.offset, m_screen + 1);
        if (plausible(byLength)) return moveTo(byLength, m_screen + 1);
    }
    auto after = FirstBlockAfter(broken);
    if (!after) return after.Err();
    if (!after.Value()) return moveTo(fileSize, m_blockCount);
    return moveTo(after.Value()->first, after.Value()->second - 1);
}

core::Status TraceReader::Show(core::Result<RawBlock> fetched, CPktSnap& batch) {
    batch.RemoveAllFrames();
    if (!fetched) return fetched.Err();
    const RawBlock& block = fetched.Value();
    std::vector<std::uint8_t> inflated;
    if (auto st = Inflate(block, inflated); !st) return st;
    if (auto st = LoadBatch(block, std::move(inflated), batch); !st) return st;
    Accept(block);
    return core::Success();
}

core::Result<bool> TraceReader::Go(Move move, CPktSnap& batch) {
    auto fetched = Fetch(move);
    if (!fetched) {
        batch.RemoveAllFrames();
        return fetched.Err();
    }
    if (!fetched.Value()) return false;
    if (auto st = Show(std::move(*fetched.Value()), batch); !st) return st.Err();
    return true;
}

core::Status TraceReader::GoToFrame(std::uint32_t n, std::uint32_t currentFrame, CPktSnap& batch) {
    return Show(FetchFrame(n, currentFrame), batch);
}

core::Result<std::vector<BlockInfo>> TraceReader::ListBlocks() const {
    const auto size = m_file.Size();
    if (!size) return size.Err();
    const std::uint64_t fileSize = size.Value();
    std::vector<BlockInfo> blocks;
    std::uint64_t position = kTraceHeaderSize;
    while (position < fileSize) {
        const auto number = static_cast<std::uint32_t>(blocks.size() + 1);
        std::array<std::uint8_t, kBlockDataOffset> head{};
        if (position + kBlockOverhead > fileSize || !m_file.ReadAt(position, head))
            return Corrupt(number, position, "is cut short by the end of the file");
        core::ByteReader in(head);
        BlockInfo info;
        info.number = number;
        info.offset = static_cast<std::uint32_t>(position);
        info.lead = TraceRecord::Read(in);
        info.compressedSize = in.Le32();
        info.inflatedSize = in.Le32();
        const std::uint64_t end = position + kBlockOverhead + info.compressedSize;
        if (end > fileSize)
            return Corrupt(number, position,
                           "compressed size " + std::to_string(info.compressedSize) + " runs past the end of the file");
        if (info.lead.offset != end)
            return Corrupt(
                number, position,
                "next-block offset " + std::to_string(info.lead.offset) + " disagrees with the block's length");
        blocks.push_back(info);
        position = end;
    }
    return blocks;
}

}  // namespace capture
