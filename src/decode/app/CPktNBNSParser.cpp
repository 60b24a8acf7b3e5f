// NBNS decoder: the headline, the header and flag lines, and the four sections with their
// NetBIOS-decoded names and node status records.
#include "decode/app/CPktNBNSParser.h"

#include "core/Printf.h"
#include "decode/TextAppend.h"
#include "decode/app/DnsText.h"

namespace decode::app {

namespace {

constexpr std::string_view kPrefix = "NBNS: ";

std::string_view OpcodeText(std::uint8_t flags1) {
    switch (flags1 & 0x78U) {
        case 0x00:
            return "Standard Query";
        case 0x28:
            return "Registration";
        case 0x30:
            return "Release";
        case 0x38:
            return "Wait for ACK";
        case 0x40:
            return "Refresh";
        default:
            return "Unknown";
    }
}

std::string_view RcodeText(std::uint8_t flags2) {
    static constexpr std::string_view kTexts[6] = {
        "OK", "Format error", "Server error", "Requested name doesn't exist", "Not implemented", "Refused"};
    const unsigned rcode = flags2 & 0x0FU;
    return rcode < 6 ? kTexts[rcode] : "Reserved";
}

struct FirstEntry {
    const std::string* name = nullptr;
    std::uint16_t type = 0;
    std::uint16_t cls = 0;
};

// The first entry of the first non-empty section.
FirstEntry FindFirstEntry(const DnsMessage& message) {
    if (!message.questions.empty()) {
        const auto& q = message.questions.front();
        return {&q.name, q.type, q.cls};
    }
    for (const auto& section : message.records) {
        if (!section.empty()) return {&section.front().name, section.front().type, section.front().cls};
    }
    return {};
}

// Built in place: the summary chain makes one per NBNS row.
void BuildHeadline(std::string& line, const DnsMessage& message) {
    const auto& h = message.header;
    const bool response = (h.flags1 & 0x80U) != 0;
    line += "0x";
    AppendHex(line, h.id, 2);
    line += ": ";
    line += OpcodeText(h.flags1);
    if (response) line += " resp.";
    const FirstEntry first = FindFirstEntry(message);
    if (first.name != nullptr) {
        line += " for '";
        line += *first.name;
        line += "' of type ";
        line += DescribeNbnsType(first.type).mnemonic;
        line += " on class ";
        line += DescribeNbnsClass(first.cls).mnemonic;
    }
    if (response) {
        line += ", RCode = ";
        line += RcodeText(h.flags2);
    }
}

void AddFlagLines(CPktDetailLine& top, const DnsHeader& h) {
    const std::uint8_t f1 = h.flags1;
    const std::uint8_t f2 = h.flags2;
    std::string bits;
    AppendAnswerFlagNames(bits, h);
    if ((f2 & 0x10U) != 0) bits += "B ";
    if (!bits.empty()) bits += "Bits Set, ";
    const std::string qr((f1 & 0x80U) != 0 ? "Response" : "Query");
    const std::string opcode(OpcodeText(f1));
    const std::string rcode(RcodeText(f2));
    auto& flags = top.Add(kPrefix, core::Printf("Flags Summary = %s, OpCode - %s, %sRCode - %s", qr.c_str(),
                                                opcode.c_str(), bits.c_str(), rcode.c_str()));
    flags.Add(kPrefix, (f1 & 0x80U) != 0 ? "1............... = Response" : "0............... = Query");
    switch (f1 & 0x78U) {
        case 0x00:
            flags.Add(kPrefix, ".0000........... = Standard Query");
            break;
        case 0x28:
            flags.Add(kPrefix, ".0101........... = Registration");
            break;
        case 0x30:
            flags.Add(kPrefix, ".0110........... = Release");
            break;
        case 0x38:
            flags.Add(kPrefix, ".0111........... = Wait for acknowledgment");
            break;
        case 0x40:
            flags.Add(kPrefix, ".1000........... = Refresh");
            break;
        default:
            flags.Add(kPrefix, ".????........... = Unknown value !");
            break;
    }
    AddAnswerFlagLines(flags, kPrefix, h);
    flags.Add(kPrefix, (f2 & 0x40U) != 0 ? ".........1...... = Reserved" : ".........0...... = Reserved");
    flags.Add(kPrefix, (f2 & 0x20U) != 0 ? "..........1..... = Reserved" : "..........0..... = Reserved");
    flags.Add(kPrefix, (f2 & 0x10U) != 0 ? "...........1.... = Broadcast" : "...........0.... = Unicast");
    static constexpr const char* kRcodeLines[6] = {
        "............0000 = Success",         "............0001 = Format error",
        "............0010 = Server error",    "............0011 = Requested name doesn't exist",
        "............0100 = Not implemented", "............0101 = Refused"};
    const unsigned rcodeValue = f2 & 0x0FU;
    flags.Add(kPrefix, rcodeValue < 6 ? kRcodeLines[rcodeValue] : "............???? = Reserved");
}

// A node status answer's RDATA: the count, then per name its sixteen octets and two of flags.
void AddNodeNames(CPktDetailLine& node, const std::vector<DnsNodeName>& names, std::span<const std::uint8_t> rdata) {
    if (names.empty()) return;
    constexpr std::size_t kNameEntry = 18;
    const core::ByteReader data(rdata);
    const auto count = static_cast<unsigned>(names.size());
    node.Add(kPrefix, core::Printf("Number of Names = %u (0x%.2X)", count, count), data.Slice(0, 1));
    std::vector<std::string> flagLines;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const auto& name = names[i];
        const std::size_t at = 1 + i * kNameEntry;
        node.Add(kPrefix, core::Printf("ASCII Name = %s", name.name.c_str()), data.Slice(at, 16));
        const auto flagBytes = data.Slice(at + 16, 2);
        auto& flags =
            node.Add(kPrefix, core::Printf("Resource Record Flags = %u (0x%X)", name.flags, name.flags), flagBytes);
        flagLines.clear();
        AppendNodeFlagLines(name.flags, flagLines);
        for (auto& line : flagLines) flags.Add(kPrefix, std::move(line), flagBytes);
    }
}

void AddRecordLines(CPktDetailLine& node, const DnsRecord& record, std::span<const std::uint8_t> rdata) {
    AddNodeNames(node, record.nodeNames, rdata);
}

constexpr DnsDialect kDialect{
    .prefix = kPrefix,
    .identifierLabel = "Transaction Identifier =",
    .frameSizeLabel = "NBNS Frame Size",
    .nameQuote = "",
    .describeType = DescribeNbnsType,
    .describeClass = DescribeNbnsClass,
    .appendHeadline = BuildHeadline,
    .addFlagLines = AddFlagLines,
    .addRecordLines = AddRecordLines,
};

}  // namespace

ProtoCode CPktNBNSParser::Parse(core::ByteReader& in, CPktParseContext& ctx) const {
    DnsMessage message;
    ReadDnsMessage(in, ctx, m_recordData, DnsReadMode::Skim, message);
    return PROTO_NONE;
}

ProtoCode CPktNBNSParser::ParseDetail(core::ByteReader& in, CPktParseContext& ctx, CPktDetailLine& root) const {
    DnsMessage message;
    ReadDnsMessage(in, ctx, m_recordData, DnsReadMode::Full, message);
    AddDnsMessageTree(root, message, kDialect);
    return PROTO_NONE;
}

ProtoCode CPktNBNSParser::ParseSummary(core::ByteReader& in, CPktParseContext& ctx, SummaryTexts& out) const {
    DnsMessage message;
    ReadDnsMessage(in, ctx, m_recordData, DnsReadMode::Skim, message);
    SummariseDnsMessage(out.summary, message, kDialect);
    return PROTO_NONE;
}

}  // namespace decode::app
