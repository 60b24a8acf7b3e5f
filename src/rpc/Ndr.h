// NDR marshalling helpers: aligned integers, conformant byte arrays, unique pointers.
// Alignment is counted from the start of the stub, which every PDU puts at a multiple of 8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "core/ByteReader.h"
#include "core/Result.h"
#include "rpc/Uuid.h"

namespace rpc {

class NdrWriter {
public:
    void Align(std::size_t n);  // zero pad bytes up to the next multiple of n
    void U8(std::uint8_t v) { m_buf.push_back(v); }
    void U16(std::uint16_t v);
    void U32(std::uint32_t v);
    void Bytes(std::span<const std::uint8_t> bytes) { m_buf.insert(m_buf.end(), bytes.begin(), bytes.end()); }
    // A conformant byte array as a top-level or embedded referent: max count, then the bytes.
    void ConformantBytes(std::span<const std::uint8_t> bytes);
    // A unique or full pointer's referent id: a fresh non-zero id, or 0 for null.
    void Referent(bool present);
    void WriteUuid(const Uuid& uuid);
    void WriteSyntax(const SyntaxId& syntax);  // UUID, then major and minor as 16-bit words

    const std::vector<std::uint8_t>& Buffer() const noexcept { return m_buf; }
    std::vector<std::uint8_t> Take() { return std::move(m_buf); }

private:
    std::vector<std::uint8_t> m_buf;
    std::uint32_t m_nextReferent = 0x00020000;
};

// Reads stub data in the sender's integer representation. Pad bytes are skipped unread,
// whatever they hold. A read past the end yields zeros and sets Failed(), which stays set.
class NdrReader {
public:
    explicit NdrReader(std::span<const std::uint8_t> bytes, bool bigEndian = false) noexcept
        : m_in(bytes),
          m_bigEndian(bigEndian) {}

    bool Align(std::size_t n) noexcept;
    std::uint8_t U8() noexcept { return m_in.U8(); }
    std::uint16_t U16() noexcept;
    std::uint32_t U32() noexcept;
    Uuid ReadUuid() noexcept;
    SyntaxId ReadSyntax() noexcept;
    std::span<const std::uint8_t> Bytes(std::size_t n) noexcept { return m_in.Bytes(n); }
    // Max count then the bytes; fails (no allocation, nothing consumed beyond the count)
    // when the count exceeds maxCount or what remains.
    std::optional<std::span<const std::uint8_t>> ConformantBytes(std::size_t maxCount) noexcept;

    void Fail() noexcept { m_failed = true; }
    bool Failed() const noexcept { return m_failed || m_in.Failed(); }
    bool BigEndian() const noexcept { return m_bigEndian; }
    std::size_t Offset() const noexcept { return m_in.Offset(); }
    std::size_t Remaining() const noexcept { return m_in.Remaining(); }

private:
    core::ByteReader m_in;
    bool m_bigEndian;
    bool m_failed = false;
};

// A reply stub that does not hold what its procedure returns.
inline core::Error BadStub(const char* text) { return core::Fail(core::ErrorKind::Corrupt, text); }

}  // namespace rpc
