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

void PutLe32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
    for (std::size_t b = 0; b < 4; ++b) out[at + b] = static_cast<std::uint8_t>(v >> (8 * b));
}
}  // namespace

std::vector<std::uint8_t> SerializeBatch(CPktSnap& batch) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(batch.SerializedSize());  // one allocation, no copies as it grows
    core::Archive ar(bytes);
    batch.Serialize(ar);
    return bytes;
}

core::Result<std::vector<std::uint8_t>> PackSerialized(std::span<const std::uint8_t> serialized, std::uint32_t frameCount, int level) {
    if (serialized.size() > kMaxInflatedBlock)
        return core::Fail(core::ErrorKind::Unsupported, "frame batch of " + std::to_string(serialized.size()) + " bytes is too large for one block");
    auto* compressor = ThreadCompressor(level);
    const std::size_t bound = libdeflate_zlib_compress_bound(compressor, serialized.size());
    std::vector<std::uint8_t> out(8 + bound);
    const std::size_t c = libdeflate_zlib_compress(compressor, serialized.data(), serialized.size(), &out[8], bound);
    if (c == 0) return core::Fail(core::ErrorKind::Io, "zlib compression failed");
    out.resize(8 + c);
    PutLe32(out, 0, frameCount);
    PutLe32(out, 4, static_cast<std::uint32_t>(serialized.size()));
    return out;
}

core::Result<std::vector<std::uint8_t>> PackBatch(CPktSnap& batch, int level) {
    const auto serialized = SerializeBatch(batch);
    return PackSerialized(serialized, batch.GetFrameCount(), level);
}

}  // namespace capture
