// Frame record: serialised form is the schema word, eight 32-bit fields in wire order
// (the frame number sits between the stamp halves), then the data bytes.
#include "capture/CPktSnapQue.h"

namespace capture {

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
    const auto bytes = ar.ReadBytes(length);  // throws before allocating a claimed size
    m_data.assign(bytes.begin(), bytes.end());
}

double MillisecondsBetween(std::int64_t earlier, std::int64_t later, std::int64_t ticksPerSecond) noexcept {
    if (ticksPerSecond == 0) return 0.0;
    const auto diff = static_cast<std::int64_t>(static_cast<std::uint64_t>(later) - static_cast<std::uint64_t>(earlier));
    return static_cast<double>(diff) / static_cast<double>(ticksPerSecond) * 1000.0;
}

}  // namespace capture
