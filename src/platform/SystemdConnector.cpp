// Opening sd-bus connections to a systemd manager, here or through ssh.
#include "platform/SystemdConnector.h"

#include <unistd.h>

#include <cstdlib>

#include "platform/HostCommand.h"
#include "platform/HostNames.h"
#include "platform/SdBus.h"
#include "platform/SshDestination.h"
#include "platform/SystemdMapping.h"
#include "platform/SystemdServiceManager.h"

namespace platform {
namespace {

// D-Bus addresses take [-0-9A-Za-z_/.\*] as they are and everything else %-escaped.
std::string AddressEscape(std::string_view value) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    for (const char c : value) {
        const auto u = static_cast<unsigned char>(c);
        const bool plain = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || c == '-' ||
                           c == '_' || c == '/' || c == '.' || c == '\\' || c == '*';
        if (plain) {
            out += c;
        } else {
            out += '%';
            out += kHex[u >> 4U];
            out += kHex[u & 0xFU];
        }
    }
    return out;
}

ServiceResult<sdbus::BusPtr> OpenAddress(const std::string& address, bool busClient, std::string_view where) {
    sd_bus* raw = nullptr;
    int r = sd_bus_new(&raw);
    sdbus::BusPtr bus(raw);
    if (r < 0) return systemd::ErrorFromConnect(r, where);
    r = sd_bus_set_address(bus.get(), address.c_str());
    if (r >= 0) r = sd_bus_set_bus_client(bus.get(), busClient ? 1 : 0);
    if (r >= 0) r = sd_bus_start(bus.get());
    if (r < 0) return systemd::ErrorFromConnect(r, where);
    return bus;
}

// This machine: the bus, else (as root, or for one's own user manager) the manager's private
// socket, which answers without a bus daemon.
ServiceResult<sdbus::BusPtr> OpenLocal(ServiceScope scope) {
    sd_bus* raw = nullptr;
    const int r = scope == ServiceScope::System ? sd_bus_open_system(&raw) : sd_bus_open_user(&raw);
    if (r >= 0) return sdbus::BusPtr(raw);
    const std::string where = scope == ServiceScope::System ? "this machine" : "this user";
    if (scope == ServiceScope::System) {
        if (::geteuid() == 0) return OpenAddress("unix:path=/run/systemd/private", false, where);
    } else if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && *runtime == '/') {
        return OpenAddress("unix:path=" + AddressEscape(std::string(runtime) + "/systemd/private"), false, where);
    }
    return systemd::ErrorFromConnect(r, where);
}

// A connection through ssh starts before ssh has reached the host; one read of the manager
// tells whether anything answers there.
ServiceResult<sdbus::BusPtr> Answering(sdbus::BusPtr bus, std::string_view where) {
    sdbus::Error error;
    char* version = nullptr;
    const int r = sd_bus_get_property_string(bus.get(), sdbus::kDestination, sdbus::kManagerPath,
                                             sdbus::kManagerInterface, "Version", error.Get(), &version);
    std::free(version);
    if (r >= 0) return bus;
    ServiceError failure = error.ToServiceError(r);
    if (failure.code == kErrorInternal) failure = systemd::ErrorFromConnect(r, where);
    return failure;
}

}  // namespace

SystemdConnector::SystemdConnector(ServiceScope scope) : m_scope(scope) {}
SystemdConnector::~SystemdConnector() = default;

std::string SystemdConnector::RemoteAddress(const SshDestination& host, ServiceScope scope) {
    std::vector<std::string> argv = SshArguments(host);
    argv.emplace_back("systemd-stdio-bridge");
    if (scope == ServiceScope::User) {
        // Some versions of the bridge take --user but still open the system bus; the user
        // bus's address, as the login sets it or at its usual place, makes them all agree.
        argv.emplace_back("--user");
        argv.emplace_back("-p");
        argv.emplace_back("\"${DBUS_SESSION_BUS_ADDRESS:-unix:path=/run/user/$(id -u)/bus}\"");
    }
    std::string address = "unixexec:path=" + AddressEscape(SshProgram());
    for (std::size_t i = 0; i < argv.size(); ++i)
        address += ",argv" + std::to_string(i + 1) + "=" + AddressEscape(argv[i]);
    return address;
}

ServiceResult<std::shared_ptr<ServiceManager>> SystemdConnector::Connect(const std::string& host) {
    const bool local = IsLocalHost(host);
    const std::string key = local ? std::string() : std::string(StripMachinePrefix(host));
    SshDestination remote;
    if (!local) {
        auto parsed = SshTarget(key);
        if (!parsed) return parsed.Err();
        remote = std::move(parsed).Value();
    }
    if (auto it = m_open.find(key); it != m_open.end() && it->second->IsConnected())
        return std::shared_ptr<ServiceManager>(it->second);
    auto bus = local ? OpenLocal(m_scope) : OpenAddress(RemoteAddress(remote, m_scope), true, key);
    if (bus && !local) bus = Answering(std::move(bus.Value()), key);
    if (!bus) return bus.Err();
    auto manager = std::make_shared<SystemdServiceManager>(std::move(bus.Value()), key, m_scope);
    m_open.insert_or_assign(key, manager);
    return std::shared_ptr<ServiceManager>(manager);
}

}  // namespace platform
