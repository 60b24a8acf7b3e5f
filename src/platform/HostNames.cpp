// Host and account name rules.
#include "platform/HostNames.h"

#include <arpa/inet.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <climits>

#include "platform/LetterCase.h"

namespace platform {
namespace {

constexpr std::size_t kMaxHostName = 255;  // the longest DNS name
constexpr std::size_t kMaxAccountName = 256;
constexpr std::size_t kMaxLabel = 63;
constexpr std::size_t kMaxZone = 15;  // an interface name

bool IsAsciiAlnum(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }
bool IsNameChar(char c) { return IsAsciiAlnum(c) || c == '-' || c == '_'; }
bool AllOf(std::string_view text, bool (*ok)(char)) { return std::all_of(text.begin(), text.end(), ok); }

// A DNS name, an ssh Host alias or a dotted IPv4 address: labels of letters, digits, "-" and
// "_" between single dots, none of them empty or beginning with "-".
bool IsNameOrIPv4(std::string_view host) {
    for (std::size_t start = 0;;) {
        const std::size_t dot = host.find('.', start);
        const std::string_view label = host.substr(start, dot == std::string_view::npos ? dot : dot - start);
        if (label.empty() || label.size() > kMaxLabel || label.front() == '-' || !AllOf(label, IsNameChar))
            return false;
        if (dot == std::string_view::npos) return true;
        start = dot + 1;
    }
}

// An IPv6 address as inet_pton reads it, with an interface after "%" for a link-local one.
bool IsIPv6(std::string_view host) {
    const std::size_t percent = host.find('%');
    const std::string address(host.substr(0, percent));
    if (percent != std::string_view::npos) {
        const std::string_view zone = host.substr(percent + 1);
        if (zone.empty() || zone.size() > kMaxZone || !AllOf(zone, [](char c) { return IsNameChar(c) || c == '.'; }))
            return false;
    }
    std::array<unsigned char, 16> bytes{};
    return ::inet_pton(AF_INET6, address.c_str(), bytes.data()) == 1;
}

// A login name as ssh passes it on: letters, digits, ".", "-" and "_", not beginning with "-".
bool IsUserName(std::string_view user) {
    return !user.empty() && user.size() <= kMaxLabel && user.front() != '-' &&
           AllOf(user, [](char c) { return IsNameChar(c) || c == '.'; });
}

bool IsControlOrSpace(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u < 0x20 || u == 0x7F || u == ' ';
}

ServiceError Refused(std::string_view what, std::string_view name, std::string_view why) {
    return MakeServiceError(kErrorInvalidParameter,
                            std::string(what) + " \"" + std::string(name) + "\" " + std::string(why));
}

// The rules host and account names share; name is what is checked, text what is shown
// (the message quotes it as it is: whoever shows the message escapes it for display).
std::optional<ServiceError> CheckName(std::string_view what, std::string_view text, std::string_view name,
                                      std::size_t maxLength) {
    const std::string kind = "The " + std::string(what) + " name";
    const std::string shown(text);
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
    return host.empty() || platform::EqualsIgnoringCase(host, "localhost") || host == "127.0.0.1" || host == "::1" ||
           platform::EqualsIgnoringCase(host, LocalComputerName());
}

ServiceResult<HostName> ParseHostName(std::string_view text) {
    if (auto bad = CheckName("host", text, text, kMaxHostName)) return *bad;
    HostName name;
    std::string_view host = text;
    if (const std::size_t at = text.find('@'); at != std::string_view::npos) {
        name.user = std::string(text.substr(0, at));
        host = text.substr(at + 1);
        if (!IsUserName(name.user))
            return Refused("The user name in", text,
                           "may hold only letters, digits, \".\", \"-\" and \"_\", and must not begin with \"-\".");
    }
    if (host.size() > 2 && host.front() == '[' && host.back() == ']' && IsIPv6(host.substr(1, host.size() - 2))) {
        name.host = std::string(host.substr(1, host.size() - 2));
    } else if (IsIPv6(host) || IsNameOrIPv4(host)) {
        name.host = std::string(host);
    } else {
        return Refused("The host name", text,
                       "is neither a name of letters, digits, \".\", \"-\" and \"_\" (after \"user@\") nor an IPv4 "
                       "or IPv6 address.");
    }
    return name;
}

std::optional<ServiceError> CheckHostName(std::string_view host) {
    auto parsed = ParseHostName(host);
    if (!parsed) return parsed.Err();
    return std::nullopt;
}

std::optional<ServiceError> CheckAccountName(std::string_view account) {
    const std::string_view name = AccountWithoutHost(account);
    if (auto bad = CheckName("account", account, name, kMaxAccountName)) return bad;
    if (name.find_first_of("/:\\") != std::string_view::npos)
        return Refused("The account name", account, "must not contain \"/\", \":\" or a backslash.");
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
