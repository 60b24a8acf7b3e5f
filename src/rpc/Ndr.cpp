// NDR writer and reader.
#include "rpc/Ndr.h"

namespace rpc {

void NdrWriter::Align(std::size_t n) {
    while (m_buf.size() % n != 0) m_buf.push_back(0);
}

void NdrWriter::U16(std::uint16_t v) {
    Align(2);
    m_buf.push_back(static_cast<std::uint8_t>(v));
    m_buf.push_back(static_cast<std::uint8_t>(v >> 8));
}

void NdrWriter::U32(std::uint32_t v) {
    Align(4);
    for (int shift = 0; shift < 32; shift += 8) m_buf.push_back(static_cast<std::uint8_t>(v >> shift));
}

void NdrWriter::ConformantBytes(std::span<const std::uint8_t> bytes) {
    U32(static_cast<std::uint32_t>(bytes.size()));
    Bytes(bytes);
}

void NdrWriter::Referent(bool present) {
    if (!present) {
        U32(0);
        return;
    }
    U32(m_nextReferent);
    m_nextReferent += 4;
}

void NdrWriter::WriteUuid(const Uuid& uuid) {
    Align(4);
    uuid.Write(m_buf);
}

void NdrWriter::WriteSyntax(const SyntaxId& syntax) {
    WriteUuid(syntax.uuid);
    U16(syntax.major);
    U16(syntax.minor);
}

bool NdrReader::Align(std::size_t n) noexcept {
    const std::size_t pad = (n - m_in.Offset() % n) % n;
    return m_in.Skip(pad);
}

std::uint16_t NdrReader::U16() noexcept {
    Align(2);
    return m_bigEndian ? m_in.Be16() : m_in.Le16();
}

std::uint32_t NdrReader::U32() noexcept {
    Align(4);
    return m_bigEndian ? m_in.Be32() : m_in.Le32();
}

Uuid NdrReader::ReadUuid() noexcept {
    Align(4);
    return Uuid::Read(m_in, m_bigEndian);
}

SyntaxId NdrReader::ReadSyntax() noexcept {
    SyntaxId id;
    id.uuid = ReadUuid();
    id.major = U16();
    id.minor = U16();
    return id;
}

std::optional<std::span<const std::uint8_t>> NdrReader::ConformantBytes(std::size_t maxCount) noexcept {
    const std::uint32_t count = U32();
    if (Failed() || count > maxCount || count > m_in.Remaining()) {
        m_failed = true;
        return std::nullopt;
    }
    return m_in.Bytes(count);
}

}  // namespace rpc
