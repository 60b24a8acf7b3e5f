// DCE UUIDs: text form, and the wire form whose first three fields follow the sender's
// integer representation (little-endian from us).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/ByteReader.h"

namespace rpc {

class Uuid {
public:
    constexpr Uuid() = default;
    // The sixteen bytes in text order (time_low first, most significant byte first).
    constexpr explicit Uuid(const std::array<std::uint8_t, 16>& textOrder) : m_bytes(textOrder) {}

    // "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx", either case; nullopt for anything else.
    static std::optional<Uuid> Parse(std::string_view text);
    // A compile-time literal; the caller guarantees the text is well formed.
    static Uuid FromLiteral(std::string_view text);

    std::string ToString() const;  // lower case
    void Write(std::vector<std::uint8_t>& out, bool bigEndian = false) const;
    static Uuid Read(core::ByteReader& in, bool bigEndian = false);

    bool IsNil() const noexcept;
    const std::array<std::uint8_t, 16>& Bytes() const noexcept { return m_bytes; }
    friend bool operator==(const Uuid&, const Uuid&) = default;

private:
    std::array<std::uint8_t, 16> m_bytes{};
};

// An interface or transfer syntax: UUID plus version. On the wire in a bind the version is
// one 32-bit word, major in the low half, minor in the high half.
struct SyntaxId {
    Uuid uuid;
    std::uint16_t major = 0;
    std::uint16_t minor = 0;
    friend bool operator==(const SyntaxId&, const SyntaxId&) = default;
};

}  // namespace rpc
