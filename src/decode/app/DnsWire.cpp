// Reading DNS-shaped messages: the prefix, the header, the counted entries and the names.
#include "decode/app/DnsWire.h"

#include <limits>

#include "core/Printf.h"
#include "decode/ProtoCode.h"

namespace decode::app {

namespace {

constexpr std::uint8_t kPointerBits = 0xC0;
constexpr char kEntryCut[] = "ERROR ! Entry cut short by the end of the message";
constexpr char kRdataCut[] = "ERROR ! Record data runs past the end of the message";
constexpr char kRdataShort[] = "ERROR ! Record data of %u octets is too short for its type";
constexpr std::uint16_t kTypeOpt = 41;

void NoteOpt(DnsMessage& message, std::uint16_t type, std::uint32_t ttl) {
    if (type != kTypeOpt || message.hasOpt) return;
    message.hasOpt = true;
    message.extendedRcode = static_cast<std::uint8_t>(ttl >> 24U);
}

void ReadQuestion(const core::ByteReader& msg, core::ByteReader& cur, const DnsRdataReader& rdata, bool keep,
                  DnsMessage& message) {
    if (!keep) {
        // The same reads as below, so a cut message moves the cursor just as far.
        SkipDomainName(cur);
        cur.Be16();
        cur.Be16();
        return;
    }
    DnsQuestion question;
    question.offset = cur.Offset();
    const NameResult name = ReadDomainName(msg, cur, question.name);
    question.nameLength = cur.Offset() - question.offset;
    rdata.DecodeName(question.name);
    question.type = cur.Be16();
    question.cls = cur.Be16();
    question.length = cur.Offset() - question.offset;
    if (!name.Ok()) {
        question.fault = NameFaultText(name);
    } else if (cur.Failed()) {
        question.fault = kEntryCut;
    }
    message.questions.push_back(std::move(question));
}

void ReadRecord(const core::ByteReader& msg, core::ByteReader& cur, const DnsRdataReader& rdata, bool keep, bool full,
                DnsMessage& message, std::vector<DnsRecord>& section) {
    if (!keep) {
        SkipDomainName(cur);
        const std::uint16_t type = cur.Be16();
        cur.Be16();
        const std::uint32_t ttl = cur.Be32();
        const std::uint16_t rdlength = cur.Be16();
        if (!cur.Failed()) NoteOpt(message, type, ttl);
        if (!cur.Failed() && !cur.Skip(rdlength)) cur.Seek(cur.Size());
        return;
    }
    DnsRecord record;
    record.offset = cur.Offset();
    const NameResult name = ReadDomainName(msg, cur, record.name);
    record.nameLength = cur.Offset() - record.offset;
    rdata.DecodeName(record.name);
    record.type = cur.Be16();
    record.cls = cur.Be16();
    record.ttl = cur.Be32();
    record.rdlength = cur.Be16();
    if (!cur.Failed()) NoteOpt(message, record.type, record.ttl);
    if (!name.Ok()) record.fault = NameFaultText(name);
    if (cur.Failed()) {
        if (record.fault.empty()) record.fault = kEntryCut;
        record.length = cur.Offset() - record.offset;
        section.push_back(std::move(record));
        return;
    }
    const std::size_t start = cur.Offset();
    if (full) {
        // The routine sees the record's RDLENGTH octets and no more; a name inside them may
        // still point back into the rest of the message.
        const bool cut = start + record.rdlength > msg.Size();
        const std::size_t end = cut ? msg.Size() : start + record.rdlength;
        core::ByteReader at = core::ByteReader(msg.Whole().first(end)).At(start);
        const bool soundSoFar = record.fault.empty();  // the owner name's error comes first
        rdata.ReadRdata(msg, at, record);
        if (at.Failed() && soundSoFar && !cut) {
            record.fault = core::Printf(kRdataShort, unsigned{record.rdlength});  // it wanted more than RDLENGTH octets
        } else if (at.Failed() && record.fault.empty()) {
            record.fault = kRdataCut;
        }
    }
    // The next record follows RDLENGTH octets on, whatever the routine read.
    if (!cur.Skip(record.rdlength)) {
        cur.Seek(cur.Size());
        if (record.fault.empty()) record.fault = kRdataCut;
    }
    record.length = cur.Offset() - record.offset;
    section.push_back(std::move(record));
}

}  // namespace

NameResult ReadDomainName(const core::ByteReader& message, core::ByteReader& cursor, std::string& out) {
    core::ByteReader followed;
    core::ByteReader* r = &cursor;
    std::size_t wire = 1;  // the root's zero octet
    std::size_t lowestTarget = std::numeric_limits<std::size_t>::max();
    int jumps = 0;
    for (;;) {
        const std::size_t at = r->Offset();
        const std::uint8_t length = r->U8();
        if (r->Failed()) return {NameFault::PastEnd, at, 0};
        if (length == 0) return {};
        if ((length & kPointerBits) == kPointerBits) {
            const std::uint8_t low = r->U8();
            if (r->Failed()) return {NameFault::PastEnd, at, 0};
            const std::size_t target = (std::size_t{length & 0x3FU} << 8) | low;
            // Strictly backwards and never into the header, so every chain ends.
            if (target < kDnsHeaderSize || target >= at || target >= lowestTarget || ++jumps > kMaxPointerJumps) {
                return {NameFault::BadPointer, at, static_cast<unsigned>(target)};
            }
            lowestTarget = target;
            followed = message.At(target);
            r = &followed;
            continue;
        }
        if (length > kMaxLabel) return {NameFault::BadLabel, at, length};
        wire += std::size_t{length} + 1;
        if (wire > kMaxNameOctets) return {NameFault::TooLong, at, length};
        const auto label = r->Bytes(length);
        if (r->Failed()) return {NameFault::PastEnd, at, length};
        if (!out.empty()) out.push_back('.');
        out.append(label.begin(), label.end());
    }
}

bool SkipDomainName(core::ByteReader& cursor) noexcept {
    std::size_t wire = 1;
    for (;;) {
        const std::uint8_t length = cursor.U8();
        if (cursor.Failed()) return false;
        if (length == 0) return true;
        if ((length & kPointerBits) == kPointerBits) {
            cursor.U8();
            return !cursor.Failed();
        }
        wire += std::size_t{length} + 1;
        if (length > kMaxLabel || wire > kMaxNameOctets || !cursor.Skip(length)) return false;
    }
}

std::string NameFaultText(const NameResult& result) {
    const auto at = static_cast<unsigned>(result.at);
    switch (result.fault) {
        case NameFault::BadLabel:
            return core::Printf("ERROR ! Bad label length %u at offset %u", result.value, at);
        case NameFault::BadPointer:
            return core::Printf("ERROR ! Bad compression pointer to offset %u at offset %u", result.value, at);
        case NameFault::TooLong:
            return core::Printf("ERROR ! Name longer than %u octets at offset %u",
                                static_cast<unsigned>(kMaxNameOctets), at);
        case NameFault::PastEnd:
            return core::Printf("ERROR ! Name runs past the end of the message at offset %u", at);
        case NameFault::None:
            break;
    }
    return {};
}

void ReadDnsMessage(core::ByteReader& in, const CPktParseContext& ctx, const DnsRdataReader& rdata, DnsReadMode mode,
                    DnsMessage& message) {
    if (ctx.previousCode == PROTO_TCP) {
        const std::size_t prefix = in.Offset();
        message.frameSize = in.Be16();
        message.frameSizeBytes = in.Since(prefix);
        if (in.Failed()) {
            in.Skip(in.Remaining());
            return;
        }
    }
    // Offsets inside the message, pointer targets included, count from the header's first octet.
    const core::ByteReader msg(in.Rest());
    message.wire = msg.Whole();
    core::ByteReader cur = msg;
    auto& h = message.header;
    h.id = cur.Be16();
    h.flags1 = cur.U8();
    h.flags2 = cur.U8();
    for (auto& count : h.counts) count = cur.Be16();
    message.headerComplete = !cur.Failed();
    if (!message.headerComplete) {
        in.Skip(in.Remaining());
        return;
    }
    const bool full = mode == DnsReadMode::Full;
    const unsigned total = 0U + h.counts[0] + h.counts[1] + h.counts[2] + h.counts[3];
    unsigned read = 0;
    for (std::size_t section = 0; section < h.counts.size(); ++section) {
        for (unsigned i = 0; i < h.counts[section]; ++i) {
            // Entries stop with the bytes: a count the message does not back reads nothing.
            if (cur.AtEnd() || cur.Failed()) {
                message.fault = core::Printf("ERROR ! Message cut short: %u of %u entries read", read, total);
                in.Skip(cur.Offset());
                return;
            }
            const bool keep = full || read == 0;
            if (section == 0) {
                ReadQuestion(msg, cur, rdata, keep, message);
            } else {
                ReadRecord(msg, cur, rdata, keep, full, message, message.records[section - 1]);
            }
            ++read;
        }
    }
    in.Skip(cur.Offset());
}

}  // namespace decode::app
