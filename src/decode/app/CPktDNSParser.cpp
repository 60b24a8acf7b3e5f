// DNS decoder: the headline, the header and flag lines, and the four sections.
#include "decode/app/CPktDNSParser.h"

#include "decode/TextAppend.h"
#include "decode/app/AppText.h"
#include "decode/app/DnsText.h"

namespace decode::app {

namespace {

constexpr std::string_view kPrefix = "DNS: ";
constexpr char kShortHeader[] = "ERROR ! Message shorter than its header";

std::string_view OpcodeText(std::uint8_t flags1) {
    switch (flags1 & 0x78U) {
    case 0x00: return "Standard Query";
    case 0x08: return "Inverse Query";
    case 0x10: return "Status";
    default: return "Unknown";
    }
}

std::string_view RcodeText(std::uint8_t flags2) {
    static constexpr std::string_view kTexts[6] = {"OK", "Format error", "Server error", "Name error",
                                                   "Not implemented", "Refused"};
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
    if ((f1 & 0x04U) != 0) bits += "AA ";
    if ((f1 & 0x02U) != 0) bits += "TC ";
    if ((f1 & 0x01U) != 0) bits += "RD ";
    if ((f2 & 0x80U) != 0) bits += "RA ";
    if (!bits.empty()) bits += "Bits Set, ";
    const std::string qr((f1 & 0x80U) != 0 ? "Response" : "Query");
    const std::string opcode(OpcodeText(f1));
    const std::string rcode(RcodeText(f2));
    auto& flags = top.Add(kPrefix, Fmt("Flags = %s, OpCode - %s, %sRCode - %s", qr.c_str(), opcode.c_str(),
                                       bits.c_str(), rcode.c_str()));
    flags.Add(kPrefix, (f1 & 0x80U) != 0 ? "1............... = Response" : "0............... = Query");
    switch (f1 & 0x78U) {
    case 0x00: flags.Add(kPrefix, ".0000........... = Standard Query"); break;
    case 0x08: flags.Add(kPrefix, ".0001........... = Inverse Query"); break;
    case 0x10: flags.Add(kPrefix, ".0010........... = Server Status Request"); break;
    default: flags.Add(kPrefix, ".????........... = Unknown value !"); break;
    }
    flags.Add(kPrefix, (f1 & 0x04U) != 0 ? ".....1.......... = Server authority for domain"
                                         : ".....0.......... = Server not authority for domain");
    flags.Add(kPrefix, (f1 & 0x02U) != 0 ? "......1......... = Message truncated" : "......0......... = Message complete");
    flags.Add(kPrefix, (f1 & 0x01U) != 0 ? ".......1........ = Reqursive query desired"
                                         : ".......0........ = Recursive not query desired");
    flags.Add(kPrefix, (f2 & 0x80U) != 0 ? "........1....... = Recursion available"
                                         : "........0....... = Recursion not available");
    flags.Add(kPrefix, (f2 & 0x70U) == 0 ? ".........000.... = Reserved" : ".........???.... = Reserved");
    static constexpr const char* kRcodeLines[6] = {
        "............0000 = Response OK",    "............0001 = Format error",
        "............0010 = Server error",   "............0011 = Name error",
        "............0100 = Not implemented", "............0101 = Refused"};
    const unsigned rcodeValue = f2 & 0x0FU;
    flags.Add(kPrefix, rcodeValue < 6 ? kRcodeLines[rcodeValue] : "............???? = Reserved");
}

void AddQuestions(CPktDetailLine& top, const std::vector<DnsQuestion>& questions) {
    if (questions.empty()) return;
    const auto& first = questions.front();
    auto& section = top.Add(kPrefix, SectionLine("Question", first.name, DescribeDnsType(first.type),
                                                 DescribeDnsClass(first.cls), questions.size()));
    for (const auto& q : questions) {
        const std::string type(DescribeDnsType(q.type).description);
        const std::string cls(DescribeDnsClass(q.cls).description);
        section.Add(kPrefix, Fmt("Question Name: '%s'", q.name.c_str()));
        section.Add(kPrefix, Fmt("Question Type = %s", type.c_str()));
        section.Add(kPrefix, Fmt("Question Class = %s", cls.c_str()));
        if (!q.fault.empty()) section.Add(kPrefix, q.fault);
    }
}

void AddRecords(CPktDetailLine& top, std::string_view title, const std::vector<DnsRecord>& records) {
    if (records.empty()) return;
    const auto& first = records.front();
    auto& section = top.Add(kPrefix, SectionLine(title, first.name, DescribeDnsType(first.type),
                                                 DescribeDnsClass(first.cls), records.size()));
    for (const auto& r : records) {
        const auto type = DescribeDnsType(r.type);
        const auto cls = DescribeDnsClass(r.cls);
        auto& node = section.Add(kPrefix, RecordLine(r.name, type, cls));
        const std::string typeText(type.description);
        const std::string classText(cls.description);
        node.Add(kPrefix, Fmt("Resource Name: '%s'", r.name.c_str()));
        node.Add(kPrefix, Fmt("Resource Type = %s", typeText.c_str()));
        node.Add(kPrefix, Fmt("Resource Class = %s", classText.c_str()));
        node.Add(kPrefix, Fmt("Time To Live = %u (0x%X)", r.ttl, r.ttl));
        node.Add(kPrefix, Fmt("Resource Data Length = %u (0x%.2X)", r.rdlength, r.rdlength));
        for (const auto& line : r.rdata) node.Add(kPrefix, line);
        if (!r.fault.empty()) node.Add(kPrefix, r.fault);
    }
}

}  // namespace

ProtoCode CPktDNSParser::Parse(core::ByteReader& in, CPktParseContext& ctx) const {
    DnsMessage message;
    ReadDnsMessage(in, ctx, m_recordData, DnsReadMode::Skim, message);
    return PROTO_NONE;
}

ProtoCode CPktDNSParser::ParseDetail(core::ByteReader& in, CPktParseContext& ctx, CPktDetailLine& root) const {
    DnsMessage message;
    ReadDnsMessage(in, ctx, m_recordData, DnsReadMode::Full, message);
    if (!message.headerComplete) {
        root.Add(kPrefix, kShortHeader);
    } else {
        const auto& h = message.header;
        std::string headline;
        AppendHeadline(headline, message);
        auto& top = root.Add(kPrefix, std::move(headline));
        top.Add(kPrefix, Fmt("Query Identifier %u (0x%.2X)", h.id, h.id));
        AddFlagLines(top, h);
        AddCountLines(top, kPrefix, h);
        AddQuestions(top, message.questions);
        for (std::size_t i = 0; i < message.records.size(); ++i) {
            AddRecords(top, kRecordSectionTitles[i], message.records[i]);
        }
        if (!message.fault.empty()) top.Add(kPrefix, message.fault);
    }
    if (message.frameSize != 0) {
        root.Add(kPrefix, Fmt("DNS Frame Size = %u (0x%.2X)", message.frameSize, message.frameSize));
    }
    return PROTO_NONE;
}

ProtoCode CPktDNSParser::ParseSummary(core::ByteReader& in, CPktParseContext& ctx, SummaryTexts& out) const {
    DnsMessage message;
    ReadDnsMessage(in, ctx, m_recordData, DnsReadMode::Skim, message);
    out.summary.assign(kPrefix);
    if (message.headerComplete) {
        AppendHeadline(out.summary, message);
    } else {
        out.summary += "ERROR !";
    }
    return PROTO_NONE;
}

}  // namespace decode::app
