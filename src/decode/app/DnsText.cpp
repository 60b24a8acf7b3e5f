// The count, section and record headline lines of the DNS and NBNS trees.
#include "decode/app/DnsText.h"

#include "decode/app/AppText.h"

namespace decode::app {

void AddCountLines(CPktDetailLine& top, std::string_view prefix, const DnsHeader& header) {
    static constexpr const char* kFormats[4] = {
        "Question Entry Count = %d (0x%.2X)", "Answer Entry Count = %d (0x%.2X)",
        "Name Server Count = %d (0x%.2X)", "Additional Records Count = %d (0x%.2X)"};
    for (std::size_t i = 0; i < header.counts.size(); ++i) {
        const int count = header.counts[i];
        top.Add(prefix, Fmt(kFormats[i], count, static_cast<unsigned>(count)));
    }
}

std::string SectionLine(std::string_view title, const std::string& name, DnsTypeText type, DnsTypeText cls,
                        std::size_t count) {
    std::string line(title);
    const std::string typeText(type.mnemonic);
    const std::string classText(cls.mnemonic);
    AppendF(line, " Section: '%s' of type %s on class %s", name.c_str(), typeText.c_str(), classText.c_str());
    if (count > 1) AppendF(line, " (%u records)", static_cast<unsigned>(count));
    line.push_back('.');
    return line;
}

std::string RecordLine(const std::string& name, DnsTypeText type, DnsTypeText cls) {
    const std::string typeText(type.mnemonic);
    const std::string classText(cls.mnemonic);
    return Fmt("Resource Record: '%s' of type %s on class %s.", name.c_str(), typeText.c_str(), classText.c_str());
}

}  // namespace decode::app
