// sd-bus helpers: error conversion, property reading and pipelined GetAll calls.
#include "platform/SdBus.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/SystemdMapping.h"

namespace platform::sdbus {
namespace {

constexpr std::size_t kWindow = 64;  // calls in flight; a bus daemon limits pending replies per peer

struct SlotUnref {
    void operator()(sd_bus_slot* slot) const noexcept { sd_bus_slot_unref(slot); }
};
using SlotPtr = std::unique_ptr<sd_bus_slot, SlotUnref>;

template <class T>
const T* Find(const Properties& props, std::string_view name) {
    const auto it = props.find(name);
    return it == props.end() ? nullptr : std::get_if<T>(&it->second);
}

// An array of strings (as).
int ReadStrings(sd_bus_message* m, std::vector<std::string>& texts) {
    int r = sd_bus_message_enter_container(m, 'a', "s");
    if (r < 0) return r;
    const char* text = nullptr;
    while ((r = sd_bus_message_read_basic(m, 's', &text)) > 0) texts.emplace_back(text != nullptr ? text : "");
    if (r < 0) return r;
    return sd_bus_message_exit_container(m);
}

// One variant's value; false when its type is not one we keep (it is skipped then).
int ReadVariant(sd_bus_message* m, std::string_view name, const char* contents, Value& value) {
    const std::string_view type(contents);
    int r = 0;
    if (type == "s" || type == "o") {
        const char* text = nullptr;
        r = sd_bus_message_read_basic(m, type[0], &text);
        if (r >= 0) value = std::string(text != nullptr ? text : "");
    } else if (type == "b") {
        int flag = 0;
        r = sd_bus_message_read_basic(m, 'b', &flag);
        if (r >= 0) value = flag != 0;
    } else if (type == "u") {
        std::uint32_t n = 0;
        r = sd_bus_message_read_basic(m, 'u', &n);
        if (r >= 0) value = std::uint64_t{n};
    } else if (type == "t") {
        std::uint64_t n = 0;
        r = sd_bus_message_read_basic(m, 't', &n);
        if (r >= 0) value = n;
    } else if (type == "i") {
        std::int32_t n = 0;
        r = sd_bus_message_read_basic(m, 'i', &n);
        if (r >= 0) value = std::int64_t{n};
    } else if (type == "as") {
        std::vector<std::string> texts;
        r = ReadStrings(m, texts);
        if (r >= 0) value = std::move(texts);
    } else if (type == "(uo)") {
        std::uint32_t id = 0;
        const char* path = nullptr;
        r = sd_bus_message_read(m, "(uo)", &id, &path);
        if (r >= 0) value = id != 0 && path != nullptr ? std::string(path) : std::string();
    } else if (type == "a(sasbttttuii)" && name == "ExecStart") {
        // path, argv, ignore-failure, four stamps, pid, exit code, exit status per command
        std::string first;
        r = sd_bus_message_enter_container(m, 'a', "(sasbttttuii)");
        while (r >= 0) {
            r = sd_bus_message_enter_container(m, 'r', "sasbttttuii");
            if (r <= 0) break;
            const char* path = nullptr;
            std::vector<std::string> argv;
            r = sd_bus_message_read_basic(m, 's', &path);
            if (r >= 0) r = ReadStrings(m, argv);
            if (r >= 0 && first.empty()) {
                for (const auto& arg : argv) first += (first.empty() ? "" : " ") + arg;
                if (first.empty() && path != nullptr) first = path;
            }
            if (r >= 0) r = sd_bus_message_skip(m, "bttttuii");
            if (r >= 0) r = sd_bus_message_exit_container(m);
        }
        if (r >= 0) r = sd_bus_message_exit_container(m);
        if (r >= 0) value = std::move(first);
    } else {
        return 0;
    }
    return r < 0 ? r : 1;
}

struct Pending {
    std::vector<Properties>* results = nullptr;
    std::size_t index = 0;
    std::size_t* inFlight = nullptr;
    ServiceError* error = nullptr;
    bool* failed = nullptr;
};

int OnReply(sd_bus_message* reply, void* userdata, sd_bus_error* /*unused*/) {
    auto& p = *static_cast<Pending*>(userdata);
    --*p.inFlight;
    if (*p.failed) return 0;
    if (const sd_bus_error* e = sd_bus_message_get_error(reply)) {
        *p.error = systemd::ErrorFromBus(e->name != nullptr ? e->name : "", e->message != nullptr ? e->message : "",
                                         sd_bus_message_get_errno(reply));
        *p.failed = true;
        return 0;
    }
    const int r = ReadProperties(reply, (*p.results)[p.index]);
    if (r < 0) {
        *p.error = MakeServiceError(kErrorInternal,
                                    std::string("Unreadable reply from the service manager: ") + std::strerror(-r));
        *p.failed = true;
    }
    return 0;
}

}  // namespace

ServiceError Error::ToServiceError(int status) const {
    if (sd_bus_error_is_set(&m_error) != 0)
        return systemd::ErrorFromBus(m_error.name != nullptr ? m_error.name : "",
                                     m_error.message != nullptr ? m_error.message : "",
                                     sd_bus_error_get_errno(&m_error));
    return systemd::ErrorFromBus("", std::strerror(status < 0 ? -status : status), status < 0 ? -status : status);
}

std::string TextOf(const Properties& props, std::string_view name) {
    const auto* text = Find<std::string>(props, name);
    return text != nullptr ? *text : std::string();
}

bool FlagOf(const Properties& props, std::string_view name) {
    const auto* flag = Find<bool>(props, name);
    return flag != nullptr && *flag;
}

std::uint64_t NumberOf(const Properties& props, std::string_view name) {
    if (const auto* n = Find<std::uint64_t>(props, name)) return *n;
    if (const auto* n = Find<std::int64_t>(props, name)) return static_cast<std::uint64_t>(*n);
    return 0;
}

std::vector<std::string> TextsOf(const Properties& props, std::string_view name) {
    const auto* texts = Find<std::vector<std::string>>(props, name);
    return texts != nullptr ? *texts : std::vector<std::string>();
}

int ReadProperties(sd_bus_message* reply, Properties& props) {
    int r = sd_bus_message_enter_container(reply, 'a', "{sv}");
    if (r < 0) return r;
    while ((r = sd_bus_message_enter_container(reply, 'e', "sv")) > 0) {
        const char* name = nullptr;
        r = sd_bus_message_read_basic(reply, 's', &name);
        if (r < 0) return r;
        char type = 0;
        const char* contents = nullptr;
        r = sd_bus_message_peek_type(reply, &type, &contents);
        if (r < 0) return r;
        r = sd_bus_message_enter_container(reply, 'v', contents);
        if (r < 0) return r;
        Value value;
        r = ReadVariant(reply, name, contents, value);
        if (r < 0) return r;
        if (r == 0) {
            r = sd_bus_message_skip(reply, contents);
            if (r < 0) return r;
        } else {
            props.insert_or_assign(std::string(name), std::move(value));
        }
        r = sd_bus_message_exit_container(reply);
        if (r >= 0) r = sd_bus_message_exit_container(reply);
        if (r < 0) return r;
    }
    if (r < 0) return r;
    return sd_bus_message_exit_container(reply);
}

std::string UnitPath(std::string_view unitName) {
    char* path = nullptr;
    const std::string name(unitName);
    if (sd_bus_path_encode("/org/freedesktop/systemd1/unit", name.c_str(), &path) < 0 || path == nullptr) return {};
    std::string result(path);
    std::free(path);
    return result;
}

ServiceResult<std::vector<Properties>> GetAllMany(sd_bus* bus, const std::vector<Call>& calls) {
    std::vector<Properties> results(calls.size());
    std::vector<Pending> pending(calls.size());
    std::vector<SlotPtr> slots;
    slots.reserve(calls.size());
    std::size_t inFlight = 0;
    std::size_t next = 0;
    ServiceError error;
    bool failed = false;
    while (!failed && (next < calls.size() || inFlight > 0)) {
        while (!failed && next < calls.size() && inFlight < kWindow) {
            pending[next] = Pending{&results, next, &inFlight, &error, &failed};
            sd_bus_slot* slot = nullptr;
            const int r =
                sd_bus_call_method_async(bus, &slot, kDestination, calls[next].path.c_str(), kPropertiesInterface,
                                         "GetAll", OnReply, &pending[next], "s", calls[next].interface.c_str());
            if (r < 0) return systemd::ErrorFromConnect(r, "the host");
            slots.emplace_back(slot);
            ++inFlight;
            ++next;
        }
        const int r = sd_bus_process(bus, nullptr);
        if (r < 0) return systemd::ErrorFromConnect(r, "the host");
        if (r > 0) continue;
        const int w = sd_bus_wait(bus, UINT64_MAX);
        if (w < 0 && w != -EINTR) return systemd::ErrorFromConnect(w, "the host");
    }
    if (failed) return error;
    return results;
}

}  // namespace platform::sdbus
