// Texts the DNS and NBNS detail trees share: type and class names, count and section lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "decode/CPktDetailLine.h"
#include "decode/app/DnsWire.h"

namespace decode::app {

struct DnsTypeText {
    std::string_view mnemonic;
    std::string_view description;
};

// The four "... Count = %d (0x%.2X)" lines.
// wire is the message from its header on, whose count fields the lines name.
void AddCountLines(CPktDetailLine& top, std::string_view prefix, const DnsHeader& header, const core::ByteReader& wire);

// "<title> Section: '%s' of type %s on class %s", " (%u records)" when more than one, ".".
std::string SectionLine(std::string_view title, const std::string& name, DnsTypeText type, DnsTypeText cls,
                        std::size_t count);

// "Resource Record: '%s' of type %s on class %s."
std::string RecordLine(const std::string& name, DnsTypeText type, DnsTypeText cls);

// The titles of the three record sections, answers first.
inline constexpr std::string_view kRecordSectionTitles[3] = {"Answer", "Authority", "Additional Records"};

// The AA, TC, RD and RA bit lines below a flags line; DNS and NBNS word them alike.
void AddAnswerFlagLines(CPktDetailLine& flags, std::string_view prefix, const DnsHeader& header);
// "AA ", "TC ", "RD ", "RA " for the bits that are set, in that order.
void AppendAnswerFlagNames(std::string& bits, const DnsHeader& header);

// What differs between the protocols that share the DNS message layout (DNS, NBNS): their
// tag, wording, name tables, headline, flag bits and any record lines of their own.
struct DnsDialect {
    std::string_view prefix;
    // Words, not format strings, so that every format the tree uses is checked where it is used.
    const char* identifierLabel;  // the ID line before its number ("Query Identifier")
    const char* frameSizeLabel;   // the TCP length prefix line before " = "
    const char* nameQuote;        // around the name in "Question Name: ..." and "Resource Name: ..."
    DnsTypeText (*describeType)(std::uint16_t) noexcept;
    DnsTypeText (*describeClass)(std::uint16_t) noexcept;
    void (*appendHeadline)(std::string& out, const DnsMessage& message);
    void (*addFlagLines)(CPktDetailLine& top, const DnsHeader& header);
    // Before the RDATA lines, given the RDATA's bytes; may be null.
    void (*addRecordLines)(CPktDetailLine& node, const DnsRecord& record, std::span<const std::uint8_t> rdata);
};

// The whole detail tree of a message below the root: headline with header, flag, count and
// section lines, then the frame size line over TCP.
void AddDnsMessageTree(CPktDetailLine& root, const DnsMessage& message, const DnsDialect& dialect);

// The summary text: the tag, then the headline, or "ERROR !" when the header is cut short.
void SummariseDnsMessage(std::string& out, const DnsMessage& message, const DnsDialect& dialect);

}  // namespace decode::app
