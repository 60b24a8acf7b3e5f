// The framer: checks each header before trusting its length, holds at most one PDU's bytes.
#include "PduFramer.h"

#include <string>

#include "rpc/Pdu.h"

namespace agentd {

core::Result<std::vector<std::uint8_t>> PduFramer::Next() {
    const std::span<const std::uint8_t> pending = std::span<const std::uint8_t>(m_buffer).subspan(m_start);
    if (pending.size() < rpc::kHeaderSize) return std::vector<std::uint8_t>{};
    auto length = rpc::FragLengthOf(pending.first(rpc::kHeaderSize));
    if (!length) return length.Err();
    if (length.Value() > m_maxPdu)
        return core::Fail(core::ErrorKind::Protocol,
                          "PDU of " + std::to_string(length.Value()) + " bytes exceeds " + std::to_string(m_maxPdu));
    if (pending.size() < length.Value()) return std::vector<std::uint8_t>{};
    std::vector<std::uint8_t> pdu(pending.begin(), pending.begin() + length.Value());
    m_start += length.Value();
    // Drop what was handed out once it is more than half the buffer.
    if (m_start * 2 >= m_buffer.size()) {
        m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(m_start));
        m_start = 0;
    }
    return pdu;
}

std::size_t PduFramer::Wanted() const noexcept {
    const std::size_t have = m_buffer.size() - m_start;
    if (have < rpc::kHeaderSize) return rpc::kHeaderSize - have;
    auto length = rpc::FragLengthOf(std::span<const std::uint8_t>(m_buffer).subspan(m_start, rpc::kHeaderSize));
    if (!length || length.Value() <= have) return 0;
    return length.Value() - have;
}

}  // namespace agentd
