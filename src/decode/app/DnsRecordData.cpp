// DNS type and class tables and one RDATA routine per supported type.
#include "decode/app/DnsRecordData.h"

#include <algorithm>
#include <array>

#include "core/Printf.h"
#include "decode/TextAppend.h"
#include "decode/app/DnsModernRecords.h"

namespace decode::app {

namespace {

constexpr std::array<DnsTypeText, 17> kTypes = {{
    {"?", "Unknown type"},
    {"A", "Host address"},
    {"NS", "An authoritative name server"},
    {"MD", "Mail destination (Obsolete - use MX)"},
    {"MF", "Mail forwarder (Obsolete - use MX)"},
    {"CNAME", "The canonical name for an alias"},
    {"SOA", "Marks the start of a zone of authority"},
    {"MB", "Mailbox domain name (EXPERIMENTAL)"},
    {"MG", "Mail group member (EXPERIMENTAL)"},
    {"MR", "Mail rename domain name (EXPERIMENTAL)"},
    {"NULL", "Null RR (EXPERIMENTAL)"},
    {"WKS", "Well known service description"},
    {"PTR", "Domain name pointer"},
    {"HINFO", "Host information"},
    {"MINFO", "Mailbox or mail list information"},
    {"MX", "Mail exchange"},
    {"TXT", "Text strings"},
}};

constexpr std::array<DnsTypeText, 4> kQueryTypes = {{
    {"AXFR", "A request for a transfer of an entire zone"},
    {"MAILB", "A request for mailbox-related records (MB, MG or MR)"},
    {"MAILA", "A request for mail agent RRs (Obsolete - see MX)"},
    {"*", "A request for all records"},
}};

constexpr std::uint16_t kTypeA = 1;
constexpr std::uint16_t kTypeNs = 2;
constexpr std::uint16_t kTypeMd = 3;
constexpr std::uint16_t kTypeMf = 4;
constexpr std::uint16_t kTypeCname = 5;
constexpr std::uint16_t kTypeSoa = 6;
constexpr std::uint16_t kTypeMb = 7;
constexpr std::uint16_t kTypeMg = 8;
constexpr std::uint16_t kTypeMr = 9;
constexpr std::uint16_t kTypeNull = 10;
constexpr std::uint16_t kTypeWks = 11;
constexpr std::uint16_t kTypePtr = 12;
constexpr std::uint16_t kTypeHinfo = 13;
constexpr std::uint16_t kTypeMinfo = 14;
constexpr std::uint16_t kTypeMx = 15;
constexpr std::uint16_t kTypeTxt = 16;
constexpr std::uint16_t kTypeAaaa = 28;
constexpr std::uint16_t kTypeSrv = 33;
constexpr std::uint16_t kTypeDname = 39;
constexpr std::uint16_t kTypeOpt = 41;
constexpr std::uint16_t kTypeSvcb = 64;
constexpr std::uint16_t kTypeHttps = 65;
constexpr std::uint16_t kTypeSpf = 99;
constexpr std::uint16_t kTypeCaa = 257;
constexpr std::uint8_t kProtocolTcp = 6;
constexpr std::uint8_t kProtocolUdp = 17;
constexpr std::size_t kWksFixed = 5;
constexpr unsigned kNoPort =
    0xFFFF;  // bit indexes past the port range name no service  // address and protocol before the bitmap

void AddNameLine(const core::ByteReader& message, core::ByteReader& cursor, DnsRecord& record, const char* label) {
    std::string name;
    if (ReadRecordName(message, cursor, record, name))
        record.rdata.push_back(core::Printf("%s = %s", label, name.c_str()));
}

// A length octet and that many characters; false when the message ends first.
bool ReadCharacterString(core::ByteReader& cursor, std::string& text) {
    const std::uint8_t length = cursor.U8();
    const auto bytes = cursor.Bytes(length);
    if (cursor.Failed()) return false;
    text.assign(bytes.begin(), bytes.end());
    return true;
}

void ReadSoa(const core::ByteReader& message, core::ByteReader& cursor, DnsRecord& record) {
    std::string primary;
    std::string mailbox;
    if (!ReadRecordName(message, cursor, record, primary) || !ReadRecordName(message, cursor, record, mailbox)) return;
    record.rdata.push_back(core::Printf("Primary nameserver = %s", primary.c_str()));
    record.rdata.push_back(core::Printf("Responsible mail address = %s", mailbox.c_str()));
    const std::uint32_t serial = cursor.Be32();
    const std::uint32_t refresh = cursor.Be32();
    const std::uint32_t retry = cursor.Be32();
    const std::uint32_t expire = cursor.Be32();
    const std::uint32_t minimum = cursor.Be32();
    if (cursor.Failed()) return;  // the caller marks the cut
    record.rdata.push_back(core::Printf("Serial = %u, Refresh = %u, Retry = %u", serial, refresh, retry));
    record.rdata.push_back(core::Printf("Expire = %u, Minimum = %u", expire, minimum));
}

}  // namespace

DnsTypeText DescribeDnsType(std::uint16_t type) noexcept {
    if (type < kTypes.size()) return kTypes[type];
    if (type >= 252 && type <= 255) return kQueryTypes[type - 252U];
    return DescribeLaterDnsType(type);
}

DnsTypeText DescribeLaterDnsType(std::uint16_t type) noexcept {
    switch (type) {
        case 17:
            return {"RP", "Responsible person"};
        case 18:
            return {"AFSDB", "AFS database location"};
        case 24:
            return {"SIG", "Security signature"};
        case 25:
            return {"KEY", "Security key"};
        case kTypeAaaa:
            return {"AAAA", "IPv6 host address"};
        case 29:
            return {"LOC", "Location information"};
        case kTypeSrv:
            return {"SRV", "Server selection"};
        case 35:
            return {"NAPTR", "Naming authority pointer"};
        case 36:
            return {"KX", "Key exchanger"};
        case 37:
            return {"CERT", "Certificate"};
        case kTypeDname:
            return {"DNAME", "Delegation name"};
        case kTypeOpt:
            return {"OPT", "EDNS options"};
        case 43:
            return {"DS", "Delegation signer"};
        case 44:
            return {"SSHFP", "SSH key fingerprint"};
        case 46:
            return {"RRSIG", "DNSSEC signature"};
        case 47:
            return {"NSEC", "Next secure record"};
        case 48:
            return {"DNSKEY", "DNS key"};
        case 50:
            return {"NSEC3", "Next secure record, version 3"};
        case 51:
            return {"NSEC3PARAM", "NSEC3 parameters"};
        case 52:
            return {"TLSA", "TLS certificate association"};
        case 59:
            return {"CDS", "Child delegation signer"};
        case 60:
            return {"CDNSKEY", "Child DNS key"};
        case 61:
            return {"OPENPGPKEY", "OpenPGP key"};
        case kTypeSvcb:
            return {"SVCB", "Service binding"};
        case kTypeHttps:
            return {"HTTPS", "HTTPS service binding"};
        case kTypeSpf:
            return {"SPF", "Sender policy framework"};
        case 249:
            return {"TKEY", "Transaction key"};
        case 250:
            return {"TSIG", "Transaction signature"};
        case 251:
            return {"IXFR", "A request for an incremental zone transfer"};
        case 256:
            return {"URI", "Uniform resource identifier"};
        case kTypeCaa:
            return {"CAA", "Certification authority authorization"};
        default:
            return kTypes[0];
    }
}

DnsTypeText DescribeDnsClass(std::uint16_t cls) noexcept {
    switch (cls) {
        case 1:
            return {"IN", "The Internet class"};
        case 2:
            return {"CS", "The CSNET class"};
        case 3:
            return {"CH", "The CHAOS class"};
        case 4:
            return {"HS", "Hesiod"};
        case 255:
            return {"*", "Any class"};
        default:
            return {"?", "Unknown class"};
    }
}

void DnsRecordData::ReadRdata(const core::ByteReader& message, core::ByteReader& cursor, DnsRecord& record) const {
    switch (record.type) {
        case kTypeA: {
            const std::uint32_t address = cursor.Be32();
            if (!cursor.Failed()) record.rdata.push_back(WithDotted("Address = ", address));
            break;
        }
        case kTypeNs:
            AddNameLine(message, cursor, record, "Name server");
            break;
        case kTypeMd:
        case kTypeMf:
        case kTypeMb:
        case kTypeMg:
        case kTypeMr:
            AddNameLine(message, cursor, record, "Mail host");
            break;
        case kTypeCname:
            AddNameLine(message, cursor, record, "Canonical name");
            break;
        case kTypeSoa:
            ReadSoa(message, cursor, record);
            break;
        case kTypeNull:
        case kTypeTxt:
        case kTypeSpf: {
            // All RDLENGTH octets as one text, the character-string length octets included;
            // then, for text records, the character-strings themselves.
            const auto bytes = cursor.Bytes(std::min<std::size_t>(record.rdlength, cursor.Remaining()));
            if (bytes.size() < record.rdlength) cursor.Skip(record.rdlength);  // marks the cut
            record.rdata.push_back("Text = " + std::string(bytes.begin(), bytes.end()));
            if (record.type != kTypeNull) AddTextStrings(bytes, record);
            break;
        }
        case kTypeAaaa:
            ReadAaaa(cursor, record);
            break;
        case kTypeSrv:
            ReadSrv(message, cursor, record);
            break;
        case kTypeDname:
            AddNameLine(message, cursor, record, "Delegation name");
            break;
        case kTypeOpt:
            ReadOpt(message, cursor, record);
            break;
        case kTypeSvcb:
        case kTypeHttps:
            ReadServiceBinding(message, cursor, record);
            break;
        case kTypeCaa:
            ReadCaa(cursor, record);
            break;
        case kTypeWks:
            ReadWks(cursor, record);
            break;
        case kTypePtr:
            AddNameLine(message, cursor, record, "Name");
            break;
        case kTypeHinfo: {
            std::string cpu;
            std::string os;
            if (ReadCharacterString(cursor, cpu) && ReadCharacterString(cursor, os)) {
                record.rdata.push_back(core::Printf("CPU = %s, OS = %s", cpu.c_str(), os.c_str()));
            }
            break;
        }
        case kTypeMinfo: {
            std::string responsible;
            if (!ReadRecordName(message, cursor, record, responsible)) break;
            record.rdata.push_back(core::Printf("Responsible mailbox host = %s", responsible.c_str()));
            AddNameLine(message, cursor, record, "Error mailbox host");
            break;
        }
        case kTypeMx: {
            const std::uint16_t preference = cursor.Be16();
            std::string host;
            if (!cursor.Failed() && ReadRecordName(message, cursor, record, host)) {
                record.rdata.push_back(core::Printf("Preference = %u, Mail host = %s", preference, host.c_str()));
            }
            break;
        }
        default:
            break;  // no RDATA routine: the fixed lines only
    }
}

void DnsRecordData::ReadWks(core::ByteReader& cursor, DnsRecord& record) const {
    const std::uint32_t address = cursor.Be32();
    const std::uint8_t protocol = cursor.U8();
    if (cursor.Failed()) return;
    record.rdata.push_back(WithDotted("Address = ", address));
    record.rdata.push_back(core::Printf("Protocol = %u (%s)", protocol, m_protocols.Keyword(protocol).c_str()));
    // Bit i of the bitmap, counted from the top bit of its first octet, is port i.
    const std::size_t wanted = record.rdlength > kWksFixed ? record.rdlength - kWksFixed : 0;
    const auto bitmap = cursor.Bytes(std::min(wanted, cursor.Remaining()));
    if (bitmap.size() < wanted) cursor.Skip(wanted);  // marks the cut
    std::string services = "Services = ";
    for (std::size_t octet = 0; octet < bitmap.size(); ++octet) {
        for (unsigned bit = 0; bit < 8; ++bit) {
            if ((bitmap[octet] & (0x80U >> bit)) == 0) continue;
            const auto port = static_cast<unsigned>(octet * 8 + bit);
            const auto lookup = static_cast<std::uint16_t>(port <= 0xFFFFU ? port : kNoPort);
            const char* name = "unknown";
            if (protocol == kProtocolTcp) name = m_ports.TcpKeyword(lookup).c_str();
            if (protocol == kProtocolUdp) name = m_ports.UdpKeyword(lookup).c_str();
            core::AppendPrintf(services, "%u (%s) ", port, name);
        }
    }
    record.rdata.push_back(std::move(services));
}

}  // namespace decode::app
