// NetBIOS name decoding and the NBNS RDATA routines.
#include "decode/app/NbnsRecordData.h"

#include "core/Printf.h"
#include "decode/TextAppend.h"

namespace decode::app {

namespace {

constexpr std::uint16_t kTypeAddress = 1;
constexpr std::uint16_t kTypeWaitAck = 10;
constexpr std::uint16_t kTypeNb = 32;
constexpr std::uint16_t kTypeStatus = 33;
constexpr std::size_t kNodeNameOctets = 16;

// Printable or white space in the C locale.
bool Shown(std::uint8_t c) noexcept { return (c >= 0x20 && c <= 0x7E) || (c >= 0x09 && c <= 0x0D); }

void AppendOctet(std::string& out, std::uint8_t c) {
    if (Shown(c)) {
        out.push_back(static_cast<char>(c));
    } else {
        core::AppendPrintf(out, "<%.2X>", c);
    }
}

const char* NodeTypeLine(std::uint16_t flags) {
    static constexpr const char* kLines[4] = {".00............. = B Node", ".01............. = P Node",
                                              ".10............. = M Node", ".11............. = Reserved"};
    return kLines[(flags >> 13) & 0x3U];
}

void ReadNameFlags(core::ByteReader& cursor, DnsRecord& record) {
    const std::uint16_t flags = cursor.Be16();
    const std::uint32_t owner = cursor.Be32();
    if (cursor.Failed()) return;
    auto& lines = record.rdata;
    lines.push_back(core::Printf("Flags = %u (0x%X)", flags, flags));
    lines.emplace_back((flags & 0x8000U) != 0 ? "1............... = Group NetBIOS name"
                                              : "0............... = Unique NetBIOS name");
    lines.emplace_back(NodeTypeLine(flags));
    lines.emplace_back((flags & 0x1FFFU) == 0 ? "...0000000000000 = Reserved" : "...????????????? = Unknown");
    lines.push_back(WithDotted("Owner IP Address = ", owner));
}

// Node names (16 octets and their flags), then the adapter statistics block.
void ReadNodeStatus(core::ByteReader& cursor, DnsRecord& record) {
    const std::uint8_t count = cursor.U8();
    for (unsigned i = 0; i < count && !cursor.Failed(); ++i) {
        const auto octets = cursor.Bytes(kNodeNameOctets);
        const std::uint16_t flags = cursor.Be16();
        if (cursor.Failed()) return;
        // All sixteen octets, as question names are shown: the suffix after a zero octet
        // is the part that says what the name is.
        DnsNodeName node;
        for (const std::uint8_t c : octets) AppendOctet(node.name, c);
        node.flags = flags;
        record.nodeNames.push_back(std::move(node));
    }
    const auto unitHigh = cursor.Be32();
    const auto unitLow = cursor.Be16();
    const unsigned jumpers = cursor.U8();
    const unsigned testResult = cursor.U8();
    const unsigned version = cursor.Be16();
    const unsigned period = cursor.Be16();
    const unsigned crcs = cursor.Be16();
    const unsigned alignment = cursor.Be16();
    const unsigned collisions = cursor.Be16();
    const unsigned sendAborts = cursor.Be16();
    const unsigned goodSends = cursor.Be32();
    const unsigned goodReceives = cursor.Be32();
    const unsigned retransmits = cursor.Be16();
    const unsigned noResource = cursor.Be16();
    const unsigned freeBlocks = cursor.Be16();
    const unsigned totalBlocks = cursor.Be16();
    const unsigned maxBlocks = cursor.Be16();
    const unsigned pending = cursor.Be16();
    const unsigned maxPending = cursor.Be16();
    const unsigned maxSessions = cursor.Be16();
    const unsigned packetSize = cursor.Be16();
    if (cursor.Failed()) return;  // the caller marks the cut
    auto& lines = record.rdata;
    lines.push_back(core::Printf("Unique unit ID = %.8X%.4X", unitHigh, static_cast<unsigned>(unitLow)));
    lines.push_back(core::Printf("Jumpers = %X", jumpers));
    lines.push_back(core::Printf("Test result = %X", testResult));
    lines.push_back(core::Printf("Version number = %u", version));
    lines.push_back(core::Printf("Period of statistics = %u", period));
    lines.push_back(core::Printf("Number of CRC's = %u", crcs));
    lines.push_back(core::Printf("Number of aligment errors = %u", alignment));
    lines.push_back(core::Printf("Number of collisions = %u", collisions));
    lines.push_back(core::Printf("Number of send aborts = %u", sendAborts));
    lines.push_back(core::Printf("Number of good sends = %u", goodSends));
    lines.push_back(core::Printf("Number of good receives = %u", goodReceives));
    lines.push_back(core::Printf("Number of retransmits = %u", retransmits));
    lines.push_back(core::Printf("Number of no resource conditions = %u", noResource));
    lines.push_back(core::Printf("Number of free command blocks = %u", freeBlocks));
    lines.push_back(core::Printf("Total number of command blocks = %u", totalBlocks));
    lines.push_back(core::Printf("Maximum total number of command blocks = %u", maxBlocks));
    lines.push_back(core::Printf("Number of pending sessions = %u", pending));
    lines.push_back(core::Printf("Maximum number of pending sessions = %u", maxPending));
    lines.push_back(core::Printf("Maximum total sessions possible = %u", maxSessions));
    lines.push_back(core::Printf("Session data packet size = %u", packetSize));
}

}  // namespace

void DecodeNetBIOSName(std::string& name) {
    const auto dot = name.find('.');
    const std::size_t encodedLength = dot == std::string::npos ? name.size() : dot;
    std::string out;
    out.reserve(encodedLength / 2 + (name.size() - encodedLength) + 8);
    for (std::size_t i = 0; i < encodedLength; i += 2) {
        const unsigned first = static_cast<unsigned char>(name[i]);
        const unsigned second = i + 1 < encodedLength ? static_cast<unsigned char>(name[i + 1]) : 0U;
        // Each half-octet was written as "A" plus its value.
        AppendOctet(out, static_cast<std::uint8_t>(((first << 4) + second - 0x51U) & 0xFFU));
    }
    out.append(name, encodedLength, std::string::npos);
    name = std::move(out);
}

DnsTypeText DescribeNbnsType(std::uint16_t type) noexcept {
    switch (type) {
        case kTypeAddress:
            return {"REDIRECT", "IP address"};
        case 2:
            return {"NS", "Name Server"};
        case kTypeWaitAck:
            return {"NULL", "NULL"};
        case kTypeNb:
            return {"NB", "General Name Service"};
        case kTypeStatus:
            return {"STAT", "Node Status Request"};
        default:
            return {"?", "Unknown type"};
    }
}

DnsTypeText DescribeNbnsClass(std::uint16_t cls) noexcept {
    if (cls == 1) return {"IN", "Internet class"};
    return {"?", "Unknown type"};
}

void AppendNodeFlagLines(std::uint16_t flags, std::vector<std::string>& lines) {
    lines.emplace_back((flags & 0x8000U) != 0 ? "1............... = Group NetBIOS name"
                                              : "0............... = Unique NetBIOS Name");
    lines.emplace_back(NodeTypeLine(flags));
    lines.emplace_back((flags & 0x1000U) != 0 ? "...1............ = Deregistering"
                                              : "...0............ = Not Deregistering");
    lines.emplace_back((flags & 0x0800U) != 0 ? "....1........... = Name Conflict"
                                              : "....0........... = Name is NOT in Conflict");
    lines.emplace_back((flags & 0x0400U) != 0 ? ".....1.......... = Active Name"
                                              : ".....0.......... = Name is NOT Active");
    lines.emplace_back((flags & 0x0200U) != 0 ? "......1......... = Permanent" : "......0......... = Non-Permanent");
}

void NbnsRecordData::ReadRdata(const core::ByteReader& /*message*/, core::ByteReader& cursor, DnsRecord& record) const {
    switch (record.type) {
        case kTypeAddress: {
            const std::uint32_t address = cursor.Be32();
            if (!cursor.Failed()) record.rdata.push_back(WithDotted("Address = ", address));
            break;
        }
        case kTypeWaitAck:
            if (record.rdlength != 0) {
                const unsigned field = cursor.Be16();
                if (!cursor.Failed()) record.rdata.push_back(core::Printf("Opcode + Flags = %X", field));
            }
            break;
        case kTypeNb:
            ReadNameFlags(cursor, record);  // one entry only, whatever RDLENGTH holds
            break;
        case kTypeStatus:
            ReadNodeStatus(cursor, record);
            break;
        default:
            break;
    }
}

}  // namespace decode::app
