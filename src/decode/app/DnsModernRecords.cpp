// Modern record types. OPT repurposes the fixed fields: CLASS is the requester's UDP
// payload size, TTL holds the extended RCODE (8 bits), the EDNS version (8) and the flags
// (16, DO the top one); its RDATA is a list of (code, length, value) options.
#include "decode/app/DnsModernRecords.h"

#include <array>

#include "core/Printf.h"
#include "decode/TextAppend.h"

namespace decode::app {

namespace {

const char* OptionName(unsigned code) {
    switch (code) {
        case 3:
            return "NSID";
        case 5:
            return "DNSSEC algorithms understood";
        case 6:
            return "DS hashes understood";
        case 7:
            return "NSEC3 hashes understood";
        case 8:
            return "Client subnet";
        case 9:
            return "Expire";
        case 10:
            return "Cookie";
        case 11:
            return "TCP keepalive";
        case 12:
            return "Padding";
        case 13:
            return "Chain";
        case 14:
            return "Key tag";
        case 15:
            return "Extended DNS error";
        case 18:
            return "Report channel";
        case 19:
            return "Zone version";
        default:
            return "Unknown";
    }
}

const char* ExtendedErrorName(unsigned code) {
    static constexpr std::array<const char*, 25> kNames = {"Other",
                                                           "Unsupported DNSKEY algorithm",
                                                           "Unsupported DS digest type",
                                                           "Stale answer",
                                                           "Forged answer",
                                                           "DNSSEC indeterminate",
                                                           "DNSSEC bogus",
                                                           "Signature expired",
                                                           "Signature not yet valid",
                                                           "DNSKEY missing",
                                                           "RRSIGs missing",
                                                           "No zone key bit set",
                                                           "NSEC missing",
                                                           "Cached error",
                                                           "Not ready",
                                                           "Blocked",
                                                           "Censored",
                                                           "Filtered",
                                                           "Prohibited",
                                                           "Stale NXDOMAIN answer",
                                                           "Not authoritative",
                                                           "Not supported",
                                                           "No reachable authority",
                                                           "Network error",
                                                           "Invalid data"};
    return code < kNames.size() ? kNames[code] : "Unknown";
}

const char* ServiceKeyName(unsigned key) {
    static constexpr std::array<const char*, 9> kNames = {
        "mandatory", "alpn", "no-default-alpn", "port", "ipv4hint", "ech", "ipv6hint", "dohpath", "ohttp"};
    return key < kNames.size() ? kNames[key] : nullptr;
}

std::string HexText(std::span<const std::uint8_t> bytes) {
    std::string text;
    for (const std::uint8_t b : bytes) AppendHex(text, b, 2);
    return text;
}

// An address prefix of at most 16 bytes, padded with zeros to its family's length.
std::string PaddedAddress(unsigned family, std::span<const std::uint8_t> bytes) {
    std::array<std::uint8_t, 16> full{};
    std::copy(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(bytes.size(), 16)),
              full.begin());
    std::string text;
    if (family == 1) {
        AppendDotted(text, (std::uint32_t{full[0]} << 24) | (std::uint32_t{full[1]} << 16) |
                               (std::uint32_t{full[2]} << 8) | full[3]);
    } else if (family == 2) {
        AppendIPv6(text, full);
    } else {
        text = HexText(bytes);
    }
    return text;
}

std::string OptionValue(unsigned code, core::ByteReader v) {
    switch (code) {
        case 8: {  // RFC 7871: family, source prefix, scope prefix, the prefix's bytes
            const unsigned family = v.Be16();
            const unsigned source = v.U8();
            const unsigned scope = v.U8();
            if (v.Failed()) return {};
            const std::string address = PaddedAddress(family, v.Rest());
            return core::Printf(" = %s/%u, scope /%u", address.c_str(), source, scope);
        }
        case 11: {  // RFC 7828: in units of 100 ms, absent in a query
            if (v.Remaining() < 2) return {};
            return core::Printf(" = %u ms", v.Be16() * 100U);
        }
        case 12:
            return {};
        case 15: {  // RFC 8914: info code, then UTF-8 text
            const unsigned info = v.Be16();
            if (v.Failed()) return {};
            const auto text = v.Rest();
            std::string line = core::Printf(" = %u (%s)", info, ExtendedErrorName(info));
            if (!text.empty()) line += ": " + std::string(text.begin(), text.end());
            return line;
        }
        default:
            return v.AtEnd() ? std::string() : " = " + HexText(v.Rest());
    }
}

// The value of a service parameter as its presentation form writes it.
std::string ServiceValue(unsigned key, core::ByteReader v) {
    std::string text;
    switch (key) {
        case 0:  // mandatory: a list of keys
            while (v.Remaining() >= 2) {
                const unsigned k = v.Be16();
                const char* name = ServiceKeyName(k);
                if (!text.empty()) text += ',';
                text += name != nullptr ? name : core::Printf("key%u", k);
            }
            return text;
        case 1:  // alpn: length-prefixed protocol ids
            while (!v.AtEnd()) {
                const auto id = v.Bytes(v.U8());
                if (v.Failed()) break;
                if (!text.empty()) text += ',';
                text.append(id.begin(), id.end());
            }
            return text;
        case 3:
            return core::Printf("%u", unsigned{v.Be16()});
        case 4:
            while (v.Remaining() >= 4) {
                if (!text.empty()) text += ',';
                AppendDotted(text, v.Be32());
            }
            return text;
        case 6:
            while (v.Remaining() >= 16) {
                if (!text.empty()) text += ',';
                AppendIPv6(text, v.Bytes(16).first<16>());
            }
            return text;
        case 7:
            return std::string(v.Rest().begin(), v.Rest().end());
        default:
            return core::Printf("%u bytes", static_cast<unsigned>(v.Remaining()));
    }
}

}  // namespace

bool ReadRecordName(const core::ByteReader& message, core::ByteReader& cursor, DnsRecord& record, std::string& name) {
    const NameResult result = ReadDomainName(message, cursor, name);
    if (result.Ok()) return true;
    if (record.fault.empty()) record.fault = NameFaultText(result);
    return false;
}

std::string RcodeMnemonic(unsigned rcode) {
    static constexpr std::array<const char*, 12> kNames = {"NOERROR", "FORMERR", "SERVFAIL", "NXDOMAIN",
                                                           "NOTIMP",  "REFUSED", "YXDOMAIN", "YXRRSET",
                                                           "NXRRSET", "NOTAUTH", "NOTZONE",  "DSOTYPENI"};
    if (rcode < kNames.size()) return kNames[rcode];
    if (rcode == 16) return "BADVERS";
    if (rcode == 23) return "BADCOOKIE";
    return core::Printf("RCODE%u", rcode);
}

void ReadAaaa(core::ByteReader& cursor, DnsRecord& record) {
    const auto address = cursor.Bytes(16);
    if (cursor.Failed()) return;
    std::string line = "Address = ";
    AppendIPv6(line, address.first<16>());
    record.rdata.push_back(std::move(line));
}

void ReadSrv(const core::ByteReader& message, core::ByteReader& cursor, DnsRecord& record) {
    const unsigned priority = cursor.Be16();
    const unsigned weight = cursor.Be16();
    const unsigned port = cursor.Be16();
    std::string target;
    if (cursor.Failed() || !ReadRecordName(message, cursor, record, target)) return;
    record.rdata.push_back(core::Printf("Priority = %u, Weight = %u, Port = %u, Target = %s", priority, weight, port,
                                        target.empty() ? "." : target.c_str()));
}

void ReadOpt(const core::ByteReader& message, core::ByteReader& cursor, DnsRecord& record) {
    const unsigned extended = record.ttl >> 24U;
    const unsigned headerRcode = message.At(3).U8() & 0x0FU;
    const unsigned flags = record.ttl & 0xFFFFU;
    const unsigned rcode = (extended << 4U) | headerRcode;
    record.rdata.push_back(core::Printf("UDP payload size = %u", unsigned{record.cls}));
    record.rdata.push_back(core::Printf("Extended RCode = %u (RCode %u, %s), EDNS version = %u", extended, rcode,
                                        RcodeMnemonic(rcode).c_str(), (record.ttl >> 16U) & 0xFFU));
    record.rdata.push_back(
        core::Printf("Flags = 0x%.4X%s", flags, (flags & 0x8000U) != 0 ? ", DO (DNSSEC answers wanted)" : ""));
    while (!cursor.AtEnd()) {
        const unsigned code = cursor.Be16();
        const unsigned length = cursor.Be16();
        const auto value = cursor.Bytes(length);
        if (cursor.Failed()) return;  // the caller marks the record data as too short
        record.rdata.push_back(core::Printf("Option %u (%s), length %u", code, OptionName(code), length) +
                               OptionValue(code, core::ByteReader(value)));
    }
}

void ReadServiceBinding(const core::ByteReader& message, core::ByteReader& cursor, DnsRecord& record) {
    const unsigned priority = cursor.Be16();
    std::string target;
    if (cursor.Failed() || !ReadRecordName(message, cursor, record, target)) return;
    record.rdata.push_back(core::Printf("Priority = %u (%s), Target = %s", priority,
                                        priority == 0 ? "alias" : "service", target.empty() ? "." : target.c_str()));
    while (!cursor.AtEnd()) {
        const unsigned key = cursor.Be16();
        const unsigned length = cursor.Be16();
        const auto value = cursor.Bytes(length);
        if (cursor.Failed()) return;
        const char* name = ServiceKeyName(key);
        const std::string keyText = name != nullptr ? name : core::Printf("key%u", key);
        const std::string valueText = ServiceValue(key, core::ByteReader(value));
        record.rdata.push_back(valueText.empty()
                                   ? "Parameter " + keyText
                                   : core::Printf("Parameter %s = %s", keyText.c_str(), valueText.c_str()));
    }
}

void ReadCaa(core::ByteReader& cursor, DnsRecord& record) {
    const unsigned flags = cursor.U8();
    const auto tag = cursor.Bytes(cursor.U8());
    if (cursor.Failed()) return;
    const auto value = cursor.Rest();
    cursor.Skip(value.size());
    std::string line = core::Printf("Flags = %u, Tag = ", flags);
    line.append(tag.begin(), tag.end());
    line += ", Value = ";
    line.append(value.begin(), value.end());
    record.rdata.push_back(std::move(line));
}

void AddTextStrings(std::span<const std::uint8_t> rdata, DnsRecord& record) {
    core::ByteReader in(rdata);
    std::string line = "Strings =";
    while (!in.AtEnd()) {
        const auto text = in.Bytes(in.U8());
        if (in.Failed()) {
            line += " (cut short)";
            break;
        }
        line += " \"";
        line.append(text.begin(), text.end());
        line += '"';
    }
    record.rdata.push_back(std::move(line));
}

}  // namespace decode::app
