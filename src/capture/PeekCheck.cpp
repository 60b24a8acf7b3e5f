// Peek result check: count, sizes, then the batch head inflated with zlib's streaming API.
#include "capture/PeekCheck.h"

#define ZLIB_CONST
#include <zlib.h>

#include <array>
#include <string>

#include "capture/Inflate.h"
#include "core/Archive.h"
#include "core/ByteReader.h"

namespace capture {

namespace {

constexpr std::uint32_t kBatchHead = 16;                    // schema, frequency (two words), frame count
constexpr std::uint32_t kFrameRecord = 36;                  // the smallest frame record: its words and no data
constexpr std::uint32_t kFirstNumberEnd = kBatchHead + 16;  // the first record's schema, time, stamp, number

core::Error Refused(const std::string& why) { return core::Fail(core::ErrorKind::Protocol, why); }

// The first out.size() bytes the stream inflates to.
bool InflateHead(std::span<const std::uint8_t> zlib, std::span<std::uint8_t> out) {
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return false;
    z.next_in = zlib.data();
    z.avail_in = static_cast<uInt>(zlib.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    int rc = Z_OK;
    while (z.avail_out > 0 && rc == Z_OK) rc = inflate(&z, Z_SYNC_FLUSH);
    const bool full = z.avail_out == 0;
    inflateEnd(&z);
    return full && (rc == Z_OK || rc == Z_STREAM_END || rc == Z_BUF_ERROR);
}

}  // namespace

core::Result<PeekFacts> CheckPeekResult(std::span<const std::uint8_t> result, std::uint32_t framesInFile) {
    core::ByteReader in(result);
    PeekFacts facts;
    facts.frames = in.Le32();
    facts.inflatedSize = in.Le32();
    if (in.Failed()) return Refused("peek result of " + std::to_string(result.size()) + " bytes has no head");
    const std::span<const std::uint8_t> zlib = in.Rest();
    const std::string k = std::to_string(facts.frames);
    if (facts.frames == 0) return Refused("peek result announces no frame");
    if (std::uint64_t{facts.inflatedSize} < kBatchHead + std::uint64_t{kFrameRecord} * facts.frames)
        return Refused(k + " frames cannot fit in a batch of " + std::to_string(facts.inflatedSize) + " bytes");
    if (std::uint64_t{framesInFile} + facts.frames > 0xFFFFFFFFull)
        return Refused(k + " more frames would overflow the frame count of " + std::to_string(framesInFile));
    if (!PlausibleInflatedSize(zlib.size(), facts.inflatedSize))
        return Refused(std::to_string(zlib.size()) + " compressed bytes cannot inflate to " +
                       std::to_string(facts.inflatedSize));
    std::array<std::uint8_t, kFirstNumberEnd> head{};
    if (!InflateHead(zlib, head)) return Refused("zlib stream does not inflate to a batch head");
    core::ByteReader batch(head);
    const std::uint32_t schema = batch.Le32();
    batch.Skip(8);
    const std::uint32_t count = batch.Le32();
    if (schema != core::kSchema) return Refused("batch has schema word " + std::to_string(schema));
    if (count != facts.frames)
        return Refused("batch holds " + std::to_string(count) + " frames, the peek announces " + k);
    batch.Skip(12);
    facts.firstFrame = batch.Le32();
    return facts;
}

}  // namespace capture
