// Appending numbers and addresses to a text without a format parse or a temporary string:
// the summary chain runs for every row of a screen, so its texts are built in place.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace decode {

// Decimal, as "%u" / "%d" would print it.
void AppendDec(std::string& out, std::uint64_t value);
void AppendSignedDec(std::string& out, std::int64_t value);
// Upper-case hexadecimal, at least minDigits digits with leading zeros ("%.4X" is minDigits 4).
void AppendHex(std::string& out, std::uint32_t value, int minDigits = 1);
// An address in host byte order as dotted decimal, "192.168.1.10".
void AppendDotted(std::string& out, std::uint32_t address);
// text, then the address as AppendDotted writes it ("Address = 192.168.1.10").
std::string WithDotted(std::string_view text, std::uint32_t address);
// An IPv6 address (16 bytes, wire order) in RFC 5952 form: lower-case hex without leading
// zeros, the longest run of two or more zero groups (the first of equals) as "::", and an
// IPv4-mapped or -compatible address with its last 32 bits in dotted decimal.
void AppendIPv6(std::string& out, std::span<const std::uint8_t, 16> address);
// "%-W.Ws": at most width characters, padded with blanks to width.
void AppendPadded(std::string& out, std::string_view text, std::size_t width);

// A row's delta in whole milliseconds, truncated toward zero as the packet list shows it.
void AppendDeltaMs(std::string& out, float deltaMs);

}  // namespace decode
