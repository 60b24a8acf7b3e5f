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
void AddCountLines(CPktDetailLine& top, std::string_view prefix, const DnsHeader& header);

// "<title> Section: '%s' of type %s on class %s", " (%u records)" when more than one, ".".
std::string SectionLine(std::string_view title, const std::string& name, DnsTypeText type, DnsTypeText cls,
                        std::size_t count);

// "Resource Record: '%s' of type %s on class %s."
std::string RecordLine(const std::string& name, DnsTypeText type, DnsTypeText cls);

// The titles of the three record sections, answers first.
inline constexpr std::string_view kRecordSectionTitles[3] = {"Answer", "Authority", "Additional Records"};

}  // namespace decode::app
