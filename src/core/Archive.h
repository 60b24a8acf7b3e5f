// The application framework's archive byte stream: little-endian integers at their width,
// element counts as a 16-bit word (or 0xFFFF and a 32-bit word), strings with a 1-, 3- or
// 7-byte length prefix and no terminator. One object either stores into a growable buffer
// or loads from a bounded span; loading past the end throws ArchiveException(EndOfFile).
// Every count and length has exactly one form, the shortest that holds it: a longer one is
// refused, so whatever loads stores back to the bytes it came from.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace core {

class ArchiveException : public std::runtime_error {
public:
    enum class Cause { EndOfFile, BadSchema, BadCount, BadValue };
    ArchiveException(Cause cause, const std::string& what) : std::runtime_error(what), m_cause(cause) {}
    Cause GetCause() const noexcept { return m_cause; }

private:
    Cause m_cause;
};

class Archive {
public:
    // Storing: appends to out, which must outlive the archive.
    explicit Archive(std::vector<std::uint8_t>& out) noexcept : m_out(&out) {}
    // Loading: reads from in, never outside it.
    explicit Archive(std::span<const std::uint8_t> in) noexcept : m_in(in) {}

    bool IsStoring() const noexcept { return m_out != nullptr; }
    bool IsLoading() const noexcept { return m_out == nullptr; }

    void WriteU8(std::uint8_t v);
    void WriteU16(std::uint16_t v);
    void WriteU32(std::uint32_t v);
    void WriteI32(std::int32_t v) { WriteU32(static_cast<std::uint32_t>(v)); }
    void WriteBytes(std::span<const std::uint8_t> bytes);
    void WriteCount(std::uint32_t count);
    void WriteString(std::string_view text);

    std::uint8_t ReadU8();
    std::uint16_t ReadU16();
    std::uint32_t ReadU32();
    std::int32_t ReadI32() { return static_cast<std::int32_t>(ReadU32()); }
    // A view of the next n bytes of the input; throws EndOfFile when fewer remain.
    std::span<const std::uint8_t> ReadBytes(std::size_t n);
    // Throws BadCount for a count below 0xFFFF behind the escape.
    std::uint32_t ReadCount();
    // Throws BadValue for a length in a longer prefix than it needs.
    std::string ReadString();

    // Loading: bytes not yet read. Storing: 0.
    std::size_t Remaining() const noexcept { return m_in.size() - m_pos; }
    std::size_t Position() const noexcept { return m_out ? m_out->size() : m_pos; }

private:
    void Need(std::size_t n) const;

    std::vector<std::uint8_t>* m_out = nullptr;
    std::span<const std::uint8_t> m_in;
    std::size_t m_pos = 0;
};

// Every record of this system begins with a schema word that is always 1; a record with any
// other schema word is read no further.
inline constexpr std::uint32_t kSchema = 1;

// One read of a record's field; an archive error it raises names the field.
template <class Read>
auto ReadField(std::string_view field, Read read) -> decltype(read()) {
    try {
        return read();
    } catch (const ArchiveException& e) {
        throw ArchiveException(e.GetCause(), std::string(field) + ": " + e.what());
    }
}

// Loads a record nested in another one. One of another schema is read no further than its
// schema word, so the record around it cannot tell where its bytes end: it is refused.
template <class Record>
void LoadNested(Archive& ar, Record& record) {
    const std::size_t start = ar.Position();
    record.Serialize(ar);
    if (ar.Position() - start <= sizeof(kSchema))
        throw ArchiveException(ArchiveException::Cause::BadSchema, "schema other than 1");
}

}  // namespace core
