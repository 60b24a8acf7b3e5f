// Block inflate with libdeflate; one decompressor per thread, reused across blocks.
#include "capture/Inflate.h"

#include <libdeflate.h>
#include <sys/mman.h>

#include <memory>
#include <string>

namespace capture {

namespace {
struct DecompressorFree {
    void operator()(libdeflate_decompressor* d) const noexcept { libdeflate_free_decompressor(d); }
};

libdeflate_decompressor* ThreadDecompressor() {
    thread_local std::unique_ptr<libdeflate_decompressor, DecompressorFree> d(libdeflate_alloc_decompressor());
    return d.get();
}

constexpr std::size_t kHugePage = std::size_t{2} << 20;
}  // namespace

void SizeBlockBuffer(std::vector<std::uint8_t>& out, std::size_t size) {
    if (size >= 4 * kHugePage && out.capacity() < size) {
        out = {};
        out.reserve(size);
        void* first = out.data();
        std::size_t space = size;
        if (std::align(kHugePage, kHugePage, first, space) != nullptr)
            ::madvise(first, space / kHugePage * kHugePage, MADV_HUGEPAGE);
    }
    out.resize(size);
}

bool PlausibleInflatedSize(std::uint64_t compressed, std::uint64_t inflated) noexcept {
    return inflated <= kMaxInflatedBlock && inflated <= compressed * kMaxDeflateRatio + 64;
}

core::Status InflateExact(std::span<const std::uint8_t> zlib, std::uint32_t expected, std::vector<std::uint8_t>& out) {
    if (!PlausibleInflatedSize(zlib.size(), expected))
        return core::Fail(core::ErrorKind::Corrupt, "claims " + std::to_string(expected) + " inflated bytes from " +
                                                        std::to_string(zlib.size()) + " compressed bytes");
    SizeBlockBuffer(out, expected);
    auto* d = ThreadDecompressor();
    if (d == nullptr) return core::Fail(core::ErrorKind::Io, "no memory for a decompressor");
    std::size_t actual = 0;
    const auto rc = libdeflate_zlib_decompress(d, zlib.data(), zlib.size(), out.data(), out.size(), &actual);
    if (rc == LIBDEFLATE_INSUFFICIENT_SPACE) {
        out.clear();
        return core::Fail(core::ErrorKind::Corrupt, "inflates to more than " + std::to_string(expected) + " bytes");
    }
    if (rc != LIBDEFLATE_SUCCESS) {
        out.clear();
        return core::Fail(core::ErrorKind::Corrupt, "zlib stream is corrupt");
    }
    if (actual != expected) {
        out.clear();
        return core::Fail(core::ErrorKind::Corrupt,
                          "inflates to " + std::to_string(actual) + " bytes instead of " + std::to_string(expected));
    }
    return core::Success();
}

}  // namespace capture
