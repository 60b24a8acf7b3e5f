// Frame record: serialised form is the schema word, eight 32-bit fields in wire order
// (the frame number sits between the stamp halves), then the data bytes.
#include "capture/CPktSnapQue.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace capture {

namespace {
void PutLe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}
}  // namespace

CPktSnapQue::CPktSnapQue(const CPktSnapQue& other)
    : m_captureTime(other.m_captureTime),
      m_stampLow(other.m_stampLow),
      m_stampHigh(other.m_stampHigh),
      m_frameNumber(other.m_frameNumber),
      m_linkProtocol(other.m_linkProtocol),
      m_totalLength(other.m_totalLength),
      m_capturedLength(other.m_capturedLength),
      m_data(other.m_data),
      m_owned(other.m_owned) {
    // A copy of an owning record owns its own copy of the bytes; a view stays a view.
    if (!m_owned.empty()) m_data = m_owned;
}

CPktSnapQue& CPktSnapQue::operator=(const CPktSnapQue& other) {
    if (this != &other) *this = CPktSnapQue(other);
    return *this;
}

void CPktSnapQue::SetData(std::span<const std::uint8_t> bytes) {
    m_owned.assign(bytes.begin(), bytes.end());
    m_data = m_owned;
}

void CPktSnapQue::AppendTo(std::vector<std::uint8_t>& out) const {
    PutLe32(out, core::kSchema);
    PutLe32(out, m_captureTime);
    PutLe32(out, m_stampLow);
    PutLe32(out, m_frameNumber);
    PutLe32(out, static_cast<std::uint32_t>(m_stampHigh));
    PutLe32(out, m_capturedLength);
    PutLe32(out, m_linkProtocol);
    PutLe32(out, m_totalLength);
    PutLe32(out, GetDataLength());
    out.insert(out.end(), m_data.begin(), m_data.end());
}

CPktSnapQue CPktSnapQue::View(std::span<const std::uint8_t> record) noexcept {
    CPktSnapQue frame;
    if (record.size() < kWireHead) return frame;
    // Every row of a listing reads two heads, so they are read in one copy rather than
    // word by word; the words are little-endian whatever the host.
    std::array<std::uint32_t, kWireHead / 4> words{};
    std::memcpy(words.data(), record.data(), kWireHead);
    if constexpr (std::endian::native == std::endian::big) {
        for (auto& w : words) w = (w >> 24) | ((w >> 8) & 0xFF00U) | ((w << 8) & 0xFF0000U) | (w << 24);
    }
    frame.m_captureTime = words[1];
    frame.m_stampLow = words[2];
    frame.m_frameNumber = words[3];
    frame.m_stampHigh = static_cast<std::int32_t>(words[4]);
    frame.m_capturedLength = words[5];
    frame.m_linkProtocol = words[6];
    frame.m_totalLength = words[7];
    const auto data = record.subspan(kWireHead);
    frame.m_data = data.first(std::min<std::size_t>(words[8], data.size()));
    return frame;
}

void CPktSnapQue::Serialize(core::Archive& ar) {
    if (ar.IsStoring()) {
        ar.WriteU32(core::kSchema);
        ar.WriteU32(m_captureTime);
        ar.WriteU32(m_stampLow);
        ar.WriteU32(m_frameNumber);
        ar.WriteI32(m_stampHigh);
        ar.WriteU32(m_capturedLength);
        ar.WriteU32(m_linkProtocol);
        ar.WriteU32(m_totalLength);
        ar.WriteU32(GetDataLength());
        ar.WriteBytes(m_data);
        return;
    }
    if (ar.ReadU32() != core::kSchema) return;
    m_captureTime = ar.ReadU32();
    m_stampLow = ar.ReadU32();
    m_frameNumber = ar.ReadU32();
    m_stampHigh = ar.ReadI32();
    m_capturedLength = ar.ReadU32();
    m_linkProtocol = ar.ReadU32();
    m_totalLength = ar.ReadU32();
    const std::uint32_t length = ar.ReadU32();
    SetData(ar.ReadBytes(length));  // throws before allocating a claimed size
}

double MillisecondsBetween(std::int64_t earlier, std::int64_t later, std::int64_t ticksPerSecond) noexcept {
    if (ticksPerSecond == 0) return 0.0;
    const auto diff =
        static_cast<std::int64_t>(static_cast<std::uint64_t>(later) - static_cast<std::uint64_t>(earlier));
    return static_cast<double>(diff) / static_cast<double>(ticksPerSecond) * 1000.0;
}

}  // namespace capture
