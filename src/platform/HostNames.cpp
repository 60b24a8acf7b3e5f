// Host and account name rules.
#include "platform/HostNames.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <climits>

#include "core/LetterCase.h"

namespace platform {
namespace {

constexpr std::size_t kMaxHostName = 255;  // the longest DNS name
constexpr std::size_t kMaxAccountName = 256;

bool IsControlOrSpace(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u < 0x20 || u == 0x7F || u == ' ';
}

ServiceError Refused(std::string_view what, std::string_view name, std::string_view why) {
    return MakeServiceError(kErrorInvalidParameter,
                            std::string(what) + " \"" + std::string(name) + "\" " + std::string(why));
}

// Control characters are shown escaped, so a refusal never prints them.
std::string Printable(std::string_view text) {
    std::string out;
    for (const char c : text) {
        if (IsControlOrSpace(c) && c != ' ') {
            static constexpr char kHex[] = "0123456789abcdef";
            const auto u = static_cast<unsigned char>(c);
            out += "\\x";
            out += kHex[u >> 4U];
            out += kHex[u & 0xFU];
        } else {
            out += c;
        }
    }
    return out;
}

// The rules host and account names share; name is what is checked, text what is shown.
std::optional<ServiceError> CheckName(std::string_view what, std::string_view text, std::string_view name,
                                      std::size_t maxLength) {
    const std::string kind = "The " + std::string(what) + " name";
    const std::string shown = Printable(text);
    if (name.empty()) return MakeServiceError(kErrorInvalidParameter, "No " + std::string(what) + " name was given.");
    if (name.size() > maxLength) return Refused(kind, shown.substr(0, 40) + "...", "is too long.");
    if (name.front() == '-') return Refused(kind, shown, "must not begin with \"-\".");
    if (std::any_of(name.begin(), name.end(), IsControlOrSpace))
        return Refused(kind, shown, "must not contain spaces or control characters.");
    return std::nullopt;
}

}  // namespace

std::string LocalComputerName() {
    std::array<char, HOST_NAME_MAX + 1> name{};
    if (::gethostname(name.data(), name.size()) != 0 || name[0] == '\0') return "localhost";
    name.back() = '\0';
    return std::string(name.data());
}

std::string_view StripMachinePrefix(std::string_view host) noexcept {
    if (host.size() >= 2 && host[0] == '\\' && host[1] == '\\') host.remove_prefix(2);
    return host;
}

bool IsLocalHost(std::string_view host) {
    host = StripMachinePrefix(host);
    return host.empty() || core::EqualsIgnoringCase(host, "localhost") || host == "127.0.0.1" || host == "::1" ||
           core::EqualsIgnoringCase(host, LocalComputerName());
}

std::optional<ServiceError> CheckHostName(std::string_view host) { return CheckName("host", host, host, kMaxHostName); }

std::optional<ServiceError> CheckAccountName(std::string_view account) {
    const std::string_view name = AccountWithoutHost(account);
    if (auto bad = CheckName("account", account, name, kMaxAccountName)) return bad;
    if (name.find_first_of("/:\\") != std::string_view::npos)
        return Refused("The account name", Printable(account), "must not contain \"/\", \":\" or \"\\\".");
    return std::nullopt;
}

std::optional<ServiceError> ServiceAccount(std::string_view requested, std::string& account) {
    account.clear();
    if (requested.empty()) return std::nullopt;
    const std::string_view name = AccountWithoutHost(requested);
    if (name == kSystemAccount || name == "root" || name == "0") {
        account = std::string(kSystemAccount);
        return std::nullopt;
    }
    if (auto bad = CheckAccountName(requested)) return bad;
    account = std::string(name);
    return std::nullopt;
}

std::string_view AccountWithoutHost(std::string_view account) noexcept {
    const auto slash = account.find('\\');
    return slash == std::string_view::npos ? account : account.substr(slash + 1);
}

}  // namespace platform
