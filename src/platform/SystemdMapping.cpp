// systemd's states, results and errors in the service layer's numbering.
#include "platform/SystemdMapping.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <utility>

namespace platform::systemd {
namespace {

struct ErrorName {
    std::string_view name;
    std::uint32_t code;
};

constexpr std::array kBusErrors = {
    ErrorName{"org.freedesktop.systemd1.NoSuchUnit", kErrorServiceDoesNotExist},
    ErrorName{"org.freedesktop.systemd1.UnitMasked", kErrorServiceDisabled},
    ErrorName{"org.freedesktop.systemd1.UnitInactive", kErrorServiceNotActive},
    ErrorName{"org.freedesktop.systemd1.UnitBusy", kErrorServiceCannotAcceptControl},
    ErrorName{"org.freedesktop.systemd1.TransactionIsDestructive", kErrorServiceCannotAcceptControl},
    ErrorName{"org.freedesktop.systemd1.TransactionJobsConflicting", kErrorServiceCannotAcceptControl},
    ErrorName{"org.freedesktop.systemd1.OnlyByDependency", kErrorInvalidServiceControl},
    ErrorName{"org.freedesktop.systemd1.JobTypeNotApplicable", kErrorInvalidServiceControl},
    ErrorName{"org.freedesktop.DBus.Error.NotSupported", kErrorInvalidServiceControl},
    ErrorName{"org.freedesktop.DBus.Error.AccessDenied", kErrorAccessDenied},
    ErrorName{"org.freedesktop.DBus.Error.InteractiveAuthorizationRequired", kErrorAccessDenied},
    ErrorName{"org.freedesktop.DBus.Error.NoReply", kErrorTimeout},
    ErrorName{"org.freedesktop.DBus.Error.Timeout", kErrorTimeout},
    ErrorName{"org.freedesktop.DBus.Error.TimedOut", kErrorTimeout},
    ErrorName{"org.freedesktop.DBus.Error.Disconnected", kRpcServerUnavailable},
    ErrorName{"org.freedesktop.DBus.Error.NoServer", kRpcServerUnavailable},
    ErrorName{"org.freedesktop.DBus.Error.ServiceUnknown", kRpcServerUnavailable},
};

// systemd's own exit statuses for a service that could not be set up (systemd.exec(5)).
struct ExitName {
    std::uint32_t status;
    std::string_view text;
};
constexpr std::array kExitStatuses = {
    ExitName{200, "its working directory could not be entered"},
    ExitName{203, "its program could not be run"},
    ExitName{204, "it ran out of memory while being set up"},
    ExitName{209, "its standard output could not be set up"},
    ExitName{216, "its group does not exist"},
    ExitName{217, "its user account does not exist"},
    ExitName{218, "its capabilities could not be set"},
    ExitName{226, "its namespaces could not be set up"},
    ExitName{233, "its runtime directory could not be made"},
    ExitName{238, "its state directory could not be made"},
};

std::string ExitStatusText(std::uint32_t status) {
    std::string text = "exited with status " + std::to_string(status);
    const auto* known =
        std::find_if(kExitStatuses.begin(), kExitStatuses.end(), [&](const ExitName& e) { return e.status == status; });
    if (known != kExitStatuses.end()) text += ": " + std::string(known->text);
    return text;
}

std::string SignalText(const char* what, std::uint32_t signal) {
    std::string text = std::string(what) + " signal " + std::to_string(signal);
    if (const char* name = sigabbrev_np(static_cast<int>(signal))) text += " (SIG" + std::string(name) + ")";
    return text;
}

constexpr int kExited = 1;  // ExecMainCode: the CLD_* code of the main process's end
constexpr int kDumped = 3;

}  // namespace

std::uint32_t StateOf(std::string_view activeState, std::string_view freezerState, std::string_view jobType) {
    if (freezerState == "frozen") return kStatePaused;
    if (freezerState == "freezing") return kStatePausePending;
    if (freezerState == "thawing") return kStateContinuePending;
    if (activeState == "active" || activeState == "reloading")
        return jobType == "stop" ? kStateStopPending : kStateRunning;
    if (activeState == "activating") return kStateStartPending;
    if (activeState == "deactivating") return kStateStopPending;
    // A job queued on a stopped unit is about to start it, unless it is a stop.
    if (!jobType.empty() && jobType != "stop") return kStateStartPending;
    return kStateStopped;
}

std::uint32_t StartTypeOf(std::string_view unitFileState, std::string_view loadState) {
    if (loadState == "masked" || unitFileState == "masked" || unitFileState == "masked-runtime") return kStartDisabled;
    if (unitFileState == "enabled" || unitFileState == "enabled-runtime") return kStartAuto;
    return kStartManual;
}

std::string AccountOf(std::string_view user, bool dynamicUser, std::string_view unitName) {
    if (user.empty() && dynamicUser) {
        const auto dot = unitName.rfind('.');
        return std::string(unitName.substr(0, dot));
    }
    if (user.empty() || user == "root" || user == "0") return std::string(kSystemAccount);
    return std::string(user);
}

std::string ExitDescription(std::string_view result, std::uint32_t execMainCode, std::uint32_t execMainStatus) {
    if (result.empty() || result == "success") return {};
    if (result == "exit-code") return ExitStatusText(execMainStatus);
    if (result == "signal" || result == "core-dump" || result == "watchdog") {
        if (execMainCode == kExited) return ExitStatusText(execMainStatus);
        return SignalText(execMainCode == kDumped ? "dumped core on" : "killed by", execMainStatus);
    }
    if (result == "timeout") return "did not start or stop in time";
    if (result == "start-limit-hit") return "was restarted too often and is held stopped";
    if (result == "resources") return "could not be given what it needs to run (a file, a directory, a setting)";
    if (result == "oom-kill") return "was killed for lack of memory";
    return "stopped: " + std::string(result);
}

ServiceError ErrorFromBus(std::string_view name, std::string_view message, int errnoValue) {
    std::string text(message.empty() ? name : message);
    const auto* known =
        std::find_if(kBusErrors.begin(), kBusErrors.end(), [&](const ErrorName& e) { return e.name == name; });
    if (known != kBusErrors.end()) return MakeServiceError(known->code, std::move(text));
    switch (errnoValue) {
        case EACCES:
        case EPERM:
            return MakeServiceError(kErrorAccessDenied, std::move(text));
        case ETIMEDOUT:
            return MakeServiceError(kErrorTimeout, std::move(text));
        case ECONNRESET:
        case ECONNREFUSED:
        case ENOTCONN:
        case EPIPE:
        case EHOSTUNREACH:
            return MakeServiceError(kRpcServerUnavailable, std::move(text));
        case EOPNOTSUPP:
            return MakeServiceError(kErrorInvalidServiceControl, std::move(text));
        default:
            return MakeServiceError(kErrorInternal, std::move(text));
    }
}

ServiceError ErrorFromConnect(int errnoValue, std::string_view where) {
    const int error = errnoValue < 0 ? -errnoValue : errnoValue;
    std::string text = "Cannot reach the service manager of " + std::string(where) + ": " + std::strerror(error);
    if (error == EACCES || error == EPERM) return MakeServiceError(kErrorAccessDenied, std::move(text));
    return MakeServiceError(kRpcServerUnavailable, std::move(text));
}

bool IsUnitName(std::string_view name) noexcept {
    return !name.empty() && name.size() <= 255 && std::all_of(name.begin(), name.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || c == ':' || c == '-' ||
               c == '_' || c == '.' || c == '\\' || c == '@';
    });
}

}  // namespace platform::systemd
