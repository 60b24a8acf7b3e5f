// CIDR parsing and matching for the agent's allow-list.
#include "AccessList.h"

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

bool IsDotted(const std::string& text) {
    int dots = 0;
    for (const char c : text) {
        if (c == '.')
            ++dots;
        else if (c < '0' || c > '9')
            return false;
    }
    return dots == 3;
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
            const auto slash = entry.find('/');
            const std::string host = entry.substr(0, slash);
            int prefix = 32;
            if (slash != std::string::npos) {
                const std::string bits = entry.substr(slash + 1);
                prefix = bits.empty() || bits.size() > 2 ? -1 : 0;
                for (const char c : bits) prefix = c >= '0' && c <= '9' && prefix >= 0 ? prefix * 10 + (c - '0') : -1;
                if (prefix < 0 || prefix > 32)
                    return core::Fail(core::ErrorKind::Unsupported,
                                      "--allow " + entry + ": the prefix length must be 0 to 32");
            }
            const auto address = IsDotted(host) ? platform::ResolveIPv4(host) : std::nullopt;
            if (!address)
                return core::Fail(
                    core::ErrorKind::Unsupported,
                    "--allow " + entry + ": not an IPv4 network (write it as 10.0.0.0/8, 192.0.2.7 or any)");
            list.m_networks.push_back({*address & Mask(prefix), prefix});
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
