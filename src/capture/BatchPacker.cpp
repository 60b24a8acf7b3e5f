// Batch packing with libdeflate's zlib compressor; one compressor per thread and level.
#include "capture/BatchPacker.h"

#include <libdeflate.h>

#include <map>
#include <memory>
#include <new>
#include <string>

#include "capture/Inflate.h"
#include "core/Archive.h"

namespace capture {

namespace {
struct CompressorFree {
    void operator()(libdeflate_compressor* c) const noexcept { libdeflate_free_compressor(c); }
};

libdeflate_compressor* ThreadCompressor(int level) {
    thread_local std::map<int, std::unique_ptr<libdeflate_compressor, CompressorFree>> compressors;
    auto& slot = compressors[level];
    if (!slot) slot.reset(libdeflate_alloc_compressor(level));
    if (!slot) throw std::bad_alloc();
    return slot.get();
}

}  // namespace

std::vector<std::uint8_t> SerializeBatch(CPktSnap& batch) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(batch.SerializedSize());  // one allocation, no copies as it grows
    core::Archive ar(bytes);
    batch.Serialize(ar);
    return bytes;
}

std::size_t PackBound(std::size_t serializedSize, int level) {
    return 8 + libdeflate_zlib_compress_bound(ThreadCompressor(level), serializedSize);
}

core::Result<std::size_t> PackInto(std::span<const std::uint8_t> serialized, std::uint32_t frameCount,
                                   std::span<std::uint8_t> out, int level) {
    if (serialized.size() > kMaxInflatedBlock)
        return core::Fail(core::ErrorKind::Unsupported,
                          "frame batch of " + std::to_string(serialized.size()) + " bytes is too large for one block");
    if (out.size() < 8) return core::Fail(core::ErrorKind::Io, "no room for the packed batch");
    const auto stream = out.subspan(8);
    const std::size_t c = libdeflate_zlib_compress(ThreadCompressor(level), serialized.data(), serialized.size(),
                                                   stream.data(), stream.size());
    if (c == 0) return core::Fail(core::ErrorKind::Io, "zlib compression failed");
    for (std::size_t b = 0; b < 4; ++b) {
        out[b] = static_cast<std::uint8_t>(frameCount >> (8 * b));
        out[4 + b] = static_cast<std::uint8_t>(serialized.size() >> (8 * b));
    }
    return 8 + c;
}

core::Result<std::vector<std::uint8_t>> PackSerialized(std::span<const std::uint8_t> serialized,
                                                       std::uint32_t frameCount, int level) {
    std::vector<std::uint8_t> out(PackBound(serialized.size(), level));
    auto packed = PackInto(serialized, frameCount, out, level);
    if (!packed) return packed.Err();
    out.resize(packed.Value());
    return out;
}

core::Result<std::vector<std::uint8_t>> PackBatch(CPktSnap& batch, int level) {
    const auto serialized = SerializeBatch(batch);
    return PackSerialized(serialized, batch.GetFrameCount(), level);
}

}  // namespace capture
