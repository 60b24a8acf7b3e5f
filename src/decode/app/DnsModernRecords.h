// RDATA routines for the record types of today's DNS beyond RFC 1035: AAAA (RFC 3596), SRV
// (RFC 2782), OPT (EDNS0, RFC 6891), SVCB and HTTPS (RFC 9460), CAA (RFC 8659), and the
// character-strings of TXT. Each appends its lines to the record; a read past the record's
// data leaves the cursor Failed() and adds no line for that field.
#pragma once

#include <span>
#include <string>

#include "core/ByteReader.h"
#include "decode/app/DnsWire.h"

namespace decode::app {

// Reads a domain name inside RDATA; a failed name adds no line but leaves its error on the
// record.
bool ReadRecordName(const core::ByteReader& message, core::ByteReader& cursor, DnsRecord& record, std::string& name);

void ReadAaaa(core::ByteReader& cursor, DnsRecord& record);
void ReadSrv(const core::ByteReader& message, core::ByteReader& cursor, DnsRecord& record);
// The message is needed for the header's RCODE, which the record's extended bits complete.
void ReadOpt(const core::ByteReader& message, core::ByteReader& cursor, DnsRecord& record);
void ReadServiceBinding(const core::ByteReader& message, core::ByteReader& cursor, DnsRecord& record);
void ReadCaa(core::ByteReader& cursor, DnsRecord& record);
// "Strings = "a" "b"": the TXT character-strings, each in quotes.
void AddTextStrings(std::span<const std::uint8_t> rdata, DnsRecord& record);

// The RCODE mnemonic of the IANA registry ("NOERROR", "NXDOMAIN", ...), "RCODE<n>" for one
// without a name.
std::string RcodeMnemonic(unsigned rcode);

}  // namespace decode::app
