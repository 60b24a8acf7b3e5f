// passwd lines into account entries, through the bounded reader.
#include "services/PasswdText.h"

#include <array>
#include <string_view>

#include "core/ByteReader.h"
#include "platform/HostNames.h"

namespace services {
namespace {

constexpr std::size_t kMaxLine = 4096;
constexpr std::size_t kMaxAccounts = 100000;
constexpr std::size_t kFields = 7;

// Skips to just past the next line feed; false at the end.
bool SkipLine(core::ByteReader& in) {
    while (!in.AtEnd()) {
        if (in.U8() == '\n') return true;
    }
    return false;
}

}  // namespace

std::vector<platform::AccountEntry> ParsePasswd(std::span<const std::uint8_t> text) {
    std::vector<platform::AccountEntry> accounts;
    // The last line may lack its line feed.
    std::vector<std::uint8_t> lines(text.begin(), text.end());
    if (!lines.empty() && lines.back() != '\n') lines.push_back('\n');
    core::ByteReader in(lines);
    while (!in.AtEnd() && accounts.size() < kMaxAccounts) {
        const auto line = in.Line(kMaxLine);
        if (!line) {
            SkipLine(in);
            continue;
        }
        std::array<std::string_view, kFields> field{};
        std::size_t n = 0;
        std::string_view rest = *line;
        while (n < kFields) {
            const auto colon = rest.find(':');
            field.at(n++) = rest.substr(0, colon);
            if (colon == std::string_view::npos) break;
            rest.remove_prefix(colon + 1);
        }
        if (n < kFields || platform::CheckAccountName(field[0])) continue;
        accounts.push_back(platform::AccountFromPasswd(field[0], field[4], field[2], field[5]));
    }
    return accounts;
}

}  // namespace services
