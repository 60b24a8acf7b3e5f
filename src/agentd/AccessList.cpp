// CIDR parsing and matching for the agent's allow-list.
#include "AccessList.h"

#include <optional>
#include <sstream>

#include "platform/TcpSocket.h"

namespace agentd {

namespace {

std::uint32_t Mask(int prefix) noexcept { return prefix == 0 ? 0 : ~std::uint32_t{0} << (32 - prefix); }

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// A prefix length written plainly: 0 to 32, no sign, no leading zero.
std::optional<int> ParsePrefix(const std::string& text) {
    if (text.empty() || text.size() > 2 || (text.size() == 2 && text[0] == '0')) return std::nullopt;
    int prefix = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        prefix = prefix * 10 + (c - '0');
    }
    if (prefix > 32) return std::nullopt;
    return prefix;
}

core::Error Refused(const std::string& entry, const std::string& why) {
    return core::Fail(core::ErrorKind::Unsupported, "--allow " + entry + ": " + why);
}

core::Result<AccessList::Network> ParseNetwork(const std::string& entry) {
    const auto slash = entry.find('/');
    const std::string host = entry.substr(0, slash);
    int prefix = 32;
    if (slash != std::string::npos) {
        const auto bits = ParsePrefix(entry.substr(slash + 1));
        if (!bits) return Refused(entry, "the prefix length must be a number from 0 to 32");
        prefix = *bits;
    }
    if (host.find(':') != std::string::npos)
        return Refused(entry, "the agent listens on IPv4 only; IPv6 networks cannot be allowed");
    // Strictly four plain decimal numbers: 010.0.0.0 is not 8.0.0.0, and no name is looked up.
    const auto address = platform::ParseIPv4(host);
    if (!address)
        return Refused(entry,
                       "not an IPv4 network; write it as four numbers 0 to 255 without leading zeros "
                       "(10.0.0.0/8, 192.0.2.7) or any");
    const std::uint32_t base = *address & Mask(prefix);
    if (base != *address)
        return Refused(entry, "the address has bits set beyond the /" + std::to_string(prefix) +
                                  " prefix; did you mean " + platform::FormatIPv4(base) + "/" + std::to_string(prefix) +
                                  "?");
    return AccessList::Network{base, prefix};
}

}  // namespace

std::string FormatPeer(std::uint32_t address, std::uint16_t port) {
    return platform::FormatIPv4(address) + ":" + std::to_string(port);
}

AccessList AccessList::LoopbackOnly() {
    AccessList list;
    list.m_networks.push_back({0x7F000000, 8});
    return list;
}

core::Result<AccessList> AccessList::Parse(const std::vector<std::string>& items) {
    AccessList list;
    for (const auto& item : items) {
        std::stringstream parts(item);
        std::string entry;
        while (std::getline(parts, entry, ',')) {
            entry = Trim(entry);
            if (entry == "any") {
                list.m_any = true;
                continue;
            }
            auto network = ParseNetwork(entry);
            if (!network) return network.Err();
            list.m_networks.push_back(network.Value());
        }
    }
    if (!list.m_any && list.m_networks.empty())
        return core::Fail(core::ErrorKind::Unsupported, "--allow names no network");
    return list;
}

bool AccessList::Allows(std::uint32_t address) const noexcept {
    if (m_any) return true;
    for (const auto& n : m_networks)
        if ((address & Mask(n.prefix)) == n.base) return true;
    return false;
}

std::string AccessList::Describe() const {
    if (m_any) return "any";
    std::string text;
    for (const auto& n : m_networks) {
        if (!text.empty()) text += ", ";
        text += platform::FormatIPv4(n.base) + "/" + std::to_string(n.prefix);
    }
    return text;
}

}  // namespace agentd
