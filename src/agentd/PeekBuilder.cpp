// Peek result: two little-endian words and a zlib stream, compressed with libdeflate at a
// fast level (the agent pays this for every frame it hands over).
#include "PeekBuilder.h"

#include <libdeflate.h>

#include <memory>
#include <new>
#include <span>

#include "core/Archive.h"

namespace agentd {

namespace {

constexpr int kLevel = 1;

struct CompressorDeleter {
    void operator()(libdeflate_compressor* c) const noexcept { libdeflate_free_compressor(c); }
};

libdeflate_compressor* Compressor() {
    thread_local std::unique_ptr<libdeflate_compressor, CompressorDeleter> compressor(
        libdeflate_alloc_compressor(kLevel));
    if (!compressor) throw std::bad_alloc();
    return compressor.get();
}

}  // namespace

std::vector<std::uint8_t> BuildPeekResult(capture::CPktSnap& batch) {
    std::vector<std::uint8_t> serialised;
    core::Archive ar(serialised);
    batch.Serialize(ar);

    std::vector<std::uint8_t> out;
    core::Archive head(out);
    head.WriteU32(batch.GetFrameCount());
    head.WriteU32(static_cast<std::uint32_t>(serialised.size()));
    const std::size_t prefix = out.size();
    libdeflate_compressor* compressor = Compressor();
    out.resize(prefix + libdeflate_zlib_compress_bound(compressor, serialised.size()));
    const auto room = std::span<std::uint8_t>(out).subspan(prefix);
    const std::size_t written =
        libdeflate_zlib_compress(compressor, serialised.data(), serialised.size(), room.data(), room.size());
    out.resize(prefix + written);  // the bound always suffices, so written is never 0
    return out;
}

}  // namespace agentd
