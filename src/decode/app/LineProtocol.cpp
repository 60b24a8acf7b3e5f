// The first-line reader and the keyword matching of the text protocols.
#include "decode/app/LineProtocol.h"

#include <array>

#include "platform/LetterCase.h"

namespace decode::app {

void ReadFirstLine(core::ByteReader& in, std::string& line) {
    const auto rest = in.Rest();
    std::size_t n = 0;
    while (n < rest.size() && rest[n] != '\r' && rest[n] != '\n' && rest[n] != 0) ++n;
    line.reserve(line.size() + n);
    for (std::size_t i = 0; i < n; ++i) line.push_back(static_cast<char>(rest[i]));
    // The terminator, when there is one, is consumed with the line.
    in.Skip(n < rest.size() ? n + 1 : n);
}

std::span<const std::uint8_t> FirstLineBytes(const core::ByteReader& in) noexcept {
    auto bytes = in.Since(0);
    if (!bytes.empty() && (bytes.back() == '\r' || bytes.back() == '\n' || bytes.back() == 0))
        bytes = bytes.first(bytes.size() - 1);
    return bytes;
}

const KeywordEntry* MatchKeyword(std::span<const KeywordEntry> table, std::string_view line) noexcept {
    for (const auto& entry : table) {
        if (line.starts_with(entry.keyword)) return &entry;
    }
    return nullptr;
}

void MaskPassword(std::string& line) {
    if (!platform::StartsWithIgnoringCase(line, kPassKeyword)) return;
    line.resize(kPassKeyword.size());
    line.append(kMaskedPass.substr(kPassKeyword.size()));
}

void SetLineSummary(std::string& summary, std::string_view prefix, char side, std::string_view line) {
    summary.assign(prefix);
    summary += ' ';
    summary += side;
    summary += " = '";
    summary += line;
    summary += '\'';
}

int ReplyDigit(char c) noexcept { return (c >= '0' && c <= '9') ? c - '0' : 0; }

std::string_view ReplyTypeOf(int digit) noexcept {
    static constexpr std::array<std::string_view, 5> kTypes = {
        "Positive Preliminary reply", "Positive Completion reply", "Positive Intermediate reply",
        "Transient Negative Completion reply", "Permanent Negative Completion reply"};
    if (digit >= 1 && digit <= 5) return kTypes[static_cast<std::size_t>(digit - 1)];
    return "Error !";
}

}  // namespace decode::app
