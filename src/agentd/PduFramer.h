// Cuts a client's byte stream into PDUs by their frag_length, never by what one read returned.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "core/Result.h"

namespace agentd {

// Holds at most one PDU's worth of bytes beyond what was appended; a bad header or a PDU
// longer than the limit is an error after which the stream is unusable.
class PduFramer {
public:
    explicit PduFramer(std::size_t maxPdu) : m_maxPdu(maxPdu) {}
    void Append(std::span<const std::uint8_t> bytes) { m_buffer.insert(m_buffer.end(), bytes.begin(), bytes.end()); }
    // The next whole PDU, an empty vector when more bytes are needed, or an error.
    core::Result<std::vector<std::uint8_t>> Next();
    // How many more bytes the PDU being cut needs (at least the rest of a header).
    std::size_t Wanted() const noexcept;
    // Bytes of a PDU begun but not yet whole.
    std::size_t Buffered() const noexcept { return m_buffer.size() - m_start; }

private:
    std::size_t m_maxPdu;
    std::vector<std::uint8_t> m_buffer;
    std::size_t m_start = 0;
};

}  // namespace agentd
