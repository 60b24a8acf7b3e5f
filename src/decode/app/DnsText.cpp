// The count, section and record headline lines of the DNS and NBNS trees.
#include "decode/app/DnsText.h"

#include "core/Printf.h"

namespace decode::app {

void AddCountLines(CPktDetailLine& top, std::string_view prefix, const DnsHeader& header,
                   const core::ByteReader& wire) {
    static constexpr const char* kLabels[4] = {"Question Entry Count", "Answer Entry Count", "Name Server Count",
                                               "Additional Records Count"};
    for (std::size_t i = 0; i < header.counts.size(); ++i) {
        const int count = header.counts[i];
        top.Add(prefix, core::Printf("%s = %d (0x%.2X)", kLabels[i], count, static_cast<unsigned>(count)),
                wire.Slice(4 + 2 * i, 2));
    }
}

std::string SectionLine(std::string_view title, const std::string& name, DnsTypeText type, DnsTypeText cls,
                        std::size_t count) {
    std::string line(title);
    const std::string typeText(type.mnemonic);
    const std::string classText(cls.mnemonic);
    core::AppendPrintf(line, " Section: '%s' of type %s on class %s", name.c_str(), typeText.c_str(),
                       classText.c_str());
    if (count > 1) core::AppendPrintf(line, " (%u records)", static_cast<unsigned>(count));
    line.push_back('.');
    return line;
}

std::string RecordLine(const std::string& name, DnsTypeText type, DnsTypeText cls) {
    const std::string typeText(type.mnemonic);
    const std::string classText(cls.mnemonic);
    return core::Printf("Resource Record: '%s' of type %s on class %s.", name.c_str(), typeText.c_str(),
                        classText.c_str());
}

void AddAnswerFlagLines(CPktDetailLine& flags, std::string_view prefix, const DnsHeader& header) {
    const std::uint8_t f1 = header.flags1;
    const std::uint8_t f2 = header.flags2;
    flags.Add(prefix, (f1 & 0x04U) != 0 ? ".....1.......... = Server authority for domain"
                                        : ".....0.......... = Server not authority for domain");
    flags.Add(prefix,
              (f1 & 0x02U) != 0 ? "......1......... = Message truncated" : "......0......... = Message complete");
    flags.Add(prefix, (f1 & 0x01U) != 0 ? ".......1........ = Reqursive query desired"
                                        : ".......0........ = Recursive not query desired");
    flags.Add(prefix, (f2 & 0x80U) != 0 ? "........1....... = Recursion available"
                                        : "........0....... = Recursion not available");
}

void AppendAnswerFlagNames(std::string& bits, const DnsHeader& header) {
    if ((header.flags1 & 0x04U) != 0) bits += "AA ";
    if ((header.flags1 & 0x02U) != 0) bits += "TC ";
    if ((header.flags1 & 0x01U) != 0) bits += "RD ";
    if ((header.flags2 & 0x80U) != 0) bits += "RA ";
}

namespace {

constexpr char kShortHeader[] = "ERROR ! Message shorter than its header";

// The octets of the entries of a section, from the first one's start to the last one's end.
template <class Entry>
std::span<const std::uint8_t> SectionBytes(const core::ByteReader& wire, const std::vector<Entry>& entries) {
    const Entry& last = entries.back();
    return wire.Slice(entries.front().offset, last.offset + last.length - entries.front().offset);
}

void AddQuestions(CPktDetailLine& top, const core::ByteReader& wire, const std::vector<DnsQuestion>& questions,
                  const DnsDialect& d) {
    if (questions.empty()) return;
    const auto& first = questions.front();
    auto& section = top.Add(
        d.prefix,
        SectionLine("Question", first.name, d.describeType(first.type), d.describeClass(first.cls), questions.size()),
        SectionBytes(wire, questions));
    for (const auto& q : questions) {
        const std::string type(d.describeType(q.type).description);
        const std::string cls(d.describeClass(q.cls).description);
        // Fields are named within the entry: a cut entry names only what it holds.
        const core::ByteReader entry(wire.Slice(q.offset, q.length));
        section.Add(d.prefix, core::Printf("Question Name: %s%s%s", d.nameQuote, q.name.c_str(), d.nameQuote),
                    entry.Slice(0, q.nameLength));
        section.Add(d.prefix, core::Printf("Question Type = %s", type.c_str()), entry.Slice(q.nameLength, 2));
        section.Add(d.prefix, core::Printf("Question Class = %s", cls.c_str()), entry.Slice(q.nameLength + 2, 2));
        if (!q.fault.empty()) section.Add(d.prefix, q.fault);
    }
}

void AddRecords(CPktDetailLine& top, const core::ByteReader& wire, std::string_view title,
                const std::vector<DnsRecord>& records, const DnsDialect& d) {
    if (records.empty()) return;
    const auto& first = records.front();
    auto& section =
        top.Add(d.prefix,
                SectionLine(title, first.name, d.describeType(first.type), d.describeClass(first.cls), records.size()),
                SectionBytes(wire, records));
    for (const auto& r : records) {
        const auto type = d.describeType(r.type);
        const auto cls = d.describeClass(r.cls);
        const core::ByteReader entry(wire.Slice(r.offset, r.length));
        auto& node = section.Add(d.prefix, RecordLine(r.name, type, cls), entry.Whole());
        const std::string typeText(type.description);
        const std::string classText(cls.description);
        const std::size_t n = r.nameLength;
        node.Add(d.prefix, core::Printf("Resource Name: %s%s%s", d.nameQuote, r.name.c_str(), d.nameQuote),
                 entry.Slice(0, n));
        node.Add(d.prefix, core::Printf("Resource Type = %s", typeText.c_str()), entry.Slice(n, 2));
        node.Add(d.prefix, core::Printf("Resource Class = %s", classText.c_str()), entry.Slice(n + 2, 2));
        node.Add(d.prefix, core::Printf("Time To Live = %u (0x%X)", r.ttl, r.ttl), entry.Slice(n + 4, 4));
        node.Add(d.prefix, core::Printf("Resource Data Length = %u (0x%.2X)", r.rdlength, r.rdlength),
                 entry.Slice(n + 8, 2));
        // Each line of the data tells part of it; all of them name the whole RDATA.
        const auto rdata = entry.Slice(n + 10, r.rdlength);
        if (d.addRecordLines != nullptr) d.addRecordLines(node, r, rdata);
        for (const auto& line : r.rdata) node.Add(d.prefix, line, rdata);
        if (!r.fault.empty()) node.Add(d.prefix, r.fault);
    }
}

}  // namespace

void AddDnsMessageTree(CPktDetailLine& root, const DnsMessage& message, const DnsDialect& dialect) {
    if (!message.headerComplete) {
        root.Add(dialect.prefix, kShortHeader);
    } else {
        const auto& h = message.header;
        std::string headline;
        dialect.appendHeadline(headline, message);
        auto& top = root.Add(dialect.prefix, std::move(headline));
        const core::ByteReader wire(message.wire);
        top.Add(dialect.prefix, core::Printf("%s %u (0x%.2X)", dialect.identifierLabel, h.id, h.id), wire.Slice(0, 2));
        // The flag lines each show all sixteen bits, so each names both octets.
        const std::size_t flagLines = top.Children().size();
        dialect.addFlagLines(top, h);
        for (std::size_t i = flagLines; i < top.Children().size(); ++i) {
            CPktDetailLine& flags = *top.Children()[i];
            flags.Describes(wire.Slice(2, 2));
            for (const auto& bit : flags.Children()) bit->Describes(wire.Slice(2, 2));
        }
        AddCountLines(top, dialect.prefix, h, wire);
        AddQuestions(top, wire, message.questions, dialect);
        for (std::size_t i = 0; i < message.records.size(); ++i) {
            AddRecords(top, wire, kRecordSectionTitles[i], message.records[i], dialect);
        }
        if (!message.fault.empty()) top.Add(dialect.prefix, message.fault);
    }
    if (message.frameSize != 0) {
        root.Add(dialect.prefix,
                 core::Printf("%s = %u (0x%.2X)", dialect.frameSizeLabel, message.frameSize, message.frameSize),
                 message.frameSizeBytes);
    }
}

void SummariseDnsMessage(std::string& out, const DnsMessage& message, const DnsDialect& dialect) {
    out.assign(dialect.prefix);
    if (message.headerComplete) {
        dialect.appendHeadline(out, message);
    } else {
        out += "ERROR !";
    }
}

}  // namespace decode::app
