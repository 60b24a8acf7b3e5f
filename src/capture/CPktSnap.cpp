// Frame batch: four words, then the frame records back to back.
#include "capture/CPktSnap.h"

#include <algorithm>
#include <chrono>

namespace capture {

namespace {
constexpr std::size_t kFrameRecordHeader = 36;  // a frame record is at least this long
}

CPktSnap::CPktSnap(const decode::CPktParsers* parsers) : m_parsers(parsers), m_frequency(LocalCounterFrequency()) {}

void CPktSnap::Serialize(core::Archive& ar) {
    if (ar.IsStoring()) {
        ar.WriteU32(core::kSchema);
        ar.WriteU32(static_cast<std::uint32_t>(m_frequency));
        ar.WriteU32(static_cast<std::uint32_t>(static_cast<std::uint64_t>(m_frequency) >> 32));
        ar.WriteU32(GetFrameCount());
        for (auto& frame : m_frames) frame.Serialize(ar);
        return;
    }
    if (ar.ReadU32() != core::kSchema) return;
    const std::uint64_t low = ar.ReadU32();
    const std::uint64_t high = ar.ReadU32();
    m_frequency = static_cast<std::int64_t>(low | (high << 32));
    const auto count = ar.ReadI32();
    if (count <= 0) return;
    // Reserve only what the bytes can back, never what the count claims.
    m_frames.reserve(m_frames.size() + std::min<std::size_t>(static_cast<std::size_t>(count), ar.Remaining() / kFrameRecordHeader));
    // Each frame joins the list only once it has loaded whole.
    for (std::int32_t i = 0; i < count; ++i) {
        CPktSnapQue frame;
        frame.Serialize(ar);
        m_frames.push_back(std::move(frame));
    }
}

std::int64_t LocalCounterFrequency() noexcept { return 1'000'000'000; }

std::int64_t LocalCounterNow() noexcept {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace capture
