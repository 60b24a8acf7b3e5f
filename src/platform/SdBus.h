// Owners for sd-bus objects and the few call shapes the systemd backend makes: one method
// call, many property reads in flight at once, and a{sv} replies read into a small map.
#pragma once

#include <systemd/sd-bus.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/ServiceManager.h"

namespace platform::sdbus {

inline constexpr const char* kDestination = "org.freedesktop.systemd1";
inline constexpr const char* kManagerPath = "/org/freedesktop/systemd1";
inline constexpr const char* kManagerInterface = "org.freedesktop.systemd1.Manager";
inline constexpr const char* kUnitInterface = "org.freedesktop.systemd1.Unit";
inline constexpr const char* kServiceInterface = "org.freedesktop.systemd1.Service";
inline constexpr const char* kJobInterface = "org.freedesktop.systemd1.Job";
inline constexpr const char* kPropertiesInterface = "org.freedesktop.DBus.Properties";

struct BusCloser {
    void operator()(sd_bus* bus) const noexcept { sd_bus_flush_close_unref(bus); }
};
using BusPtr = std::unique_ptr<sd_bus, BusCloser>;

struct MessageUnref {
    void operator()(sd_bus_message* message) const noexcept { sd_bus_message_unref(message); }
};
using MessagePtr = std::unique_ptr<sd_bus_message, MessageUnref>;

class Error {
public:
    Error() = default;
    ~Error() { sd_bus_error_free(&m_error); }
    Error(const Error&) = delete;
    Error& operator=(const Error&) = delete;
    sd_bus_error* Get() noexcept { return &m_error; }
    // The error as the service layer reports it; status is the sd-bus return value.
    ServiceError ToServiceError(int status) const;

private:
    sd_bus_error m_error{};
};

// Calls a method of the manager; its reply, or the error as the service layer reports it.
template <class... Args>
ServiceResult<MessagePtr> CallManager(sd_bus* bus, const char* method, const char* types, Args... args) {
    Error error;
    sd_bus_message* raw = nullptr;
    const int r = sd_bus_call_method(bus, kDestination, kManagerPath, kManagerInterface, method, error.Get(), &raw,
                                     types, args...);
    MessagePtr reply(raw);
    if (r < 0) return error.ToServiceError(r);
    return reply;
}

// A property's value, as far as the backend needs: texts (strings and object paths),
// flags, numbers and lists of texts.
using Value = std::variant<std::monostate, std::string, bool, std::int64_t, std::uint64_t, std::vector<std::string>>;
using Properties = std::map<std::string, Value, std::less<>>;

std::string TextOf(const Properties& props, std::string_view name);
bool FlagOf(const Properties& props, std::string_view name);
std::uint64_t NumberOf(const Properties& props, std::string_view name);
std::vector<std::string> TextsOf(const Properties& props, std::string_view name);

// Reads GetAll's a{sv} into props. A job reference (uo) becomes its object path, a list of
// command lines (ExecStart) the first one as one text; other shapes are skipped.
int ReadProperties(sd_bus_message* reply, Properties& props);

// The object path of a unit, from its name (loaded on demand by systemd when read).
std::string UnitPath(std::string_view unitName);

struct Call {
    std::string path;
    std::string interface;  // the interface whose properties GetAll reads
};

// GetAll on each object, up to a window of calls in flight, so that listing a host with
// hundreds of services costs a few round trips instead of hundreds. Fills one Properties
// per call, in order; the first failure ends it.
ServiceResult<std::vector<Properties>> GetAllMany(sd_bus* bus, const std::vector<Call>& calls);

}  // namespace platform::sdbus
