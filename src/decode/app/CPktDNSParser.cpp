// DNS decoder: the headline, the header and flag lines, and the four sections.
#include "decode/app/CPktDNSParser.h"

#include "core/Printf.h"
#include "decode/TextAppend.h"
#include "decode/app/DnsModernRecords.h"
#include "decode/app/DnsText.h"

namespace decode::app {

namespace {

constexpr std::string_view kPrefix = "DNS: ";

std::string_view OpcodeText(std::uint8_t flags1) {
    switch (flags1 & 0x78U) {
        case 0x00:
            return "Standard Query";
        case 0x08:
            return "Inverse Query";
        case 0x10:
            return "Status";
        default:
            return "Unknown";
    }
}

std::string_view RcodeText(std::uint8_t flags2) {
    static constexpr std::string_view kTexts[6] = {"OK",         "Format error",    "Server error",
                                                   "Name error", "Not implemented", "Refused"};
    const unsigned rcode = flags2 & 0x0FU;
    return rcode < 6 ? kTexts[rcode] : "Reserved";
}

// "0x%.2X: %s for '%s' of type %s on class %s." of the first question; nothing without one.
// Built in place: the summary chain makes one per DNS row.
void AppendHeadline(std::string& out, const DnsMessage& message) {
    if (message.questions.empty()) return;
    const auto& q = message.questions.front();
    out += "0x";
    AppendHex(out, message.header.id, 2);
    out += ": ";
    out += OpcodeText(message.header.flags1);
    out += " for '";
    out += q.name;
    out += "' of type ";
    out += DescribeDnsType(q.type).mnemonic;
    out += " on class ";
    out += DescribeDnsClass(q.cls).mnemonic;
    out += '.';
}

void AddFlagLines(CPktDetailLine& top, const DnsHeader& h) {
    const std::uint8_t f1 = h.flags1;
    const std::uint8_t f2 = h.flags2;
    std::string bits;
    AppendAnswerFlagNames(bits, h);
    if (!bits.empty()) bits += "Bits Set, ";
    const std::string qr((f1 & 0x80U) != 0 ? "Response" : "Query");
    const std::string opcode(OpcodeText(f1));
    const std::string rcode(RcodeText(f2));
    auto& flags = top.Add(kPrefix, core::Printf("Flags = %s, OpCode - %s, %sRCode - %s", qr.c_str(), opcode.c_str(),
                                                bits.c_str(), rcode.c_str()));
    flags.Add(kPrefix, (f1 & 0x80U) != 0 ? "1............... = Response" : "0............... = Query");
    switch (f1 & 0x78U) {
        case 0x00:
            flags.Add(kPrefix, ".0000........... = Standard Query");
            break;
        case 0x08:
            flags.Add(kPrefix, ".0001........... = Inverse Query");
            break;
        case 0x10:
            flags.Add(kPrefix, ".0010........... = Server Status Request");
            break;
        default:
            flags.Add(kPrefix, ".????........... = Unknown value !");
            break;
    }
    AddAnswerFlagLines(flags, kPrefix, h);
    flags.Add(kPrefix, (f2 & 0x70U) == 0 ? ".........000.... = Reserved" : ".........???.... = Reserved");
    static constexpr const char* kRcodeLines[6] = {
        "............0000 = Response OK", "............0001 = Format error",    "............0010 = Server error",
        "............0011 = Name error",  "............0100 = Not implemented", "............0101 = Refused"};
    const unsigned rcodeValue = f2 & 0x0FU;
    flags.Add(kPrefix, rcodeValue < 6 ? kRcodeLines[rcodeValue] : "............???? = Reserved");
}

constexpr DnsDialect kDialect{
    .prefix = kPrefix,
    .identifierLabel = "Query Identifier",
    .frameSizeLabel = "DNS Frame Size",
    .nameQuote = "'",
    .describeType = DescribeDnsType,
    .describeClass = DescribeDnsClass,
    .appendHeadline = AppendHeadline,
    .addFlagLines = AddFlagLines,
    .addRecordLines = nullptr,
};

}  // namespace

ProtoCode CPktDNSParser::Parse(core::ByteReader& in, CPktParseContext& ctx) const {
    DnsMessage message;
    ReadDnsMessage(in, ctx, m_recordData, DnsReadMode::Skim, message);
    return PROTO_NONE;
}

ProtoCode CPktDNSParser::ParseDetail(core::ByteReader& in, CPktParseContext& ctx, CPktDetailLine& root) const {
    DnsMessage message;
    ReadDnsMessage(in, ctx, m_recordData, DnsReadMode::Full, message);
    AddDnsMessageTree(root, message, kDialect);
    return PROTO_NONE;
}

ProtoCode CPktDNSParser::ParseSummary(core::ByteReader& in, CPktParseContext& ctx, SummaryTexts& out) const {
    DnsMessage message;
    ReadDnsMessage(in, ctx, m_recordData, DnsReadMode::Skim, message);
    SummariseDnsMessage(out.summary, message, kDialect);
    // A failed response (NXDOMAIN, SERVFAIL, ...) says so after the headline, with its RCODE
    // (extended by OPT) and answer count, as does a response without a question, whose
    // headline is empty. Queries and answered responses keep the headline alone, which they
    // share with the query they answer.
    const bool response = message.headerComplete && (message.header.flags1 & 0x80U) != 0;
    if (response && (message.Rcode() != 0 || message.questions.empty())) {
        if (!message.questions.empty()) out.summary.push_back(' ');
        out.summary += "Response: ";
        out.summary += RcodeMnemonic(message.Rcode());
        const unsigned answers = message.header.counts[1];
        if (answers != 0) core::AppendPrintf(out.summary, ", %u answer%s", answers, answers == 1 ? "" : "s");
    }
    return PROTO_NONE;
}

}  // namespace decode::app
