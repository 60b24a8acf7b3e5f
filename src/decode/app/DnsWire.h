// The message layout DNS and NBNS share: optional TCP length prefix, 12-octet header, four
// sections of questions and resource records, and domain names with compression pointers.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/ByteReader.h"
#include "decode/CPktParseContext.h"

namespace decode::app {

inline constexpr std::size_t kDnsHeaderSize = 12;
inline constexpr std::size_t kMaxNameOctets = 255;  // wire length, length octets included
inline constexpr std::size_t kMaxLabel = 63;
inline constexpr int kMaxPointerJumps = 127;

struct DnsHeader {
    std::uint16_t id = 0;
    std::uint8_t flags1 = 0;                // QR 0x80, OPCODE 0x78, AA 0x04, TC 0x02, RD 0x01
    std::uint8_t flags2 = 0;                // RA 0x80, Z or NetBIOS bits 0x70, RCODE 0x0F
    std::array<std::uint16_t, 4> counts{};  // questions, answers, authority, additional
};

enum class NameFault : std::uint8_t { None, BadLabel, BadPointer, TooLong, PastEnd };

struct NameResult {
    NameFault fault = NameFault::None;
    std::size_t at = 0;  // message offset of the offending length octet
    unsigned value = 0;  // the label length or pointer target
    bool Ok() const noexcept { return fault == NameFault::None; }
};

// Appends the dotted name at the cursor to out and leaves the cursor after the name as it
// stands there (after the two octets of a pointer). The message reader spans the message
// from its header on; the cursor reads the same bytes. Every pointer must lead strictly
// backwards: before itself, before the previous pointer's target and not into the header.
// A failed name keeps what was read in out.
NameResult ReadDomainName(const core::ByteReader& message, core::ByteReader& cursor, std::string& out);
// Steps over the name at the cursor without following its pointer.
bool SkipDomainName(core::ByteReader& cursor) noexcept;
std::string NameFaultText(const NameResult& result);

struct DnsQuestion {
    // Where the entry lies in the message (offsets from the header's first octet), and how
    // many of its octets the name takes: what the detail lines name.
    std::size_t offset = 0;
    std::size_t length = 0;
    std::size_t nameLength = 0;
    std::string name;
    std::uint16_t type = 0;
    std::uint16_t cls = 0;
    std::string fault;  // an error line for a name or entry cut short; empty when sound
};

struct DnsNodeName {
    std::string name;
    std::uint16_t flags = 0;
};

struct DnsRecord {
    std::vector<std::string> rdata;  // one text per RDATA line, in output order
    std::size_t offset = 0;          // the entry in the message, as a question's
    std::size_t length = 0;
    std::size_t nameLength = 0;
    std::string name;
    std::uint32_t ttl = 0;
    std::uint16_t type = 0;
    std::uint16_t cls = 0;
    std::uint16_t rdlength = 0;
    std::vector<DnsNodeName> nodeNames;  // NBNS node status only
    std::string fault;
};

// What differs between DNS and NBNS while reading: the names and the RDATA routines.
class DnsRdataReader {
public:
    virtual ~DnsRdataReader() = default;
    // Rewrites a question or record name after it was read (NBNS undoes its half-ASCII form).
    virtual void DecodeName(std::string& name) const = 0;
    // Reads the record's RDATA at the cursor, which ends where the RDATA ends (RDLENGTH
    // octets on, or the end of the message); names may point back into the whole message.
    // A failed read leaves the cursor Failed() and adds no line for that field.
    virtual void ReadRdata(const core::ByteReader& message, core::ByteReader& cursor, DnsRecord& record) const = 0;
};

// Skim keeps only the first entry of the message (what a headline needs) and reads no RDATA;
// the cursor still moves past the whole message.
enum class DnsReadMode : std::uint8_t { Skim, Full };

struct DnsMessage {
    std::uint16_t frameSize = 0;  // the TCP length prefix; 0 over UDP
    bool headerComplete = false;
    std::span<const std::uint8_t> frameSizeBytes;  // the TCP length prefix's octets
    std::span<const std::uint8_t> wire;            // from the header's first octet on
    DnsHeader header;
    std::vector<DnsQuestion> questions;
    std::array<std::vector<DnsRecord>, 3> records;  // answers, authority, additional
    std::string fault;                              // the message ended before the entries its counts promise
    // An OPT record (EDNS0) was read; its TTL's top octet extends the header's RCODE.
    bool hasOpt = false;
    std::uint8_t extendedRcode = 0;
    // The whole RCODE: the header's four bits, completed by an OPT record's extension.
    unsigned Rcode() const noexcept { return (unsigned{extendedRcode} << 4U) | (header.flags2 & 0x0FU); }
};

void ReadDnsMessage(core::ByteReader& in, const CPktParseContext& ctx, const DnsRdataReader& rdata, DnsReadMode mode,
                    DnsMessage& message);

}  // namespace decode::app
