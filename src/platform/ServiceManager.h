// What the service-control layer asks of a host's service manager: list its services with
// their configuration and state, start, stop, pause and continue one, change its start type
// and account. Two backends answer: systemd over D-Bus (SystemdServiceManager) and an
// in-memory table (SimulatedServiceManager). States, start types, controls and error codes
// keep the service-control numbering operators and the dialogs know (state 4 is running,
// error 1060 a missing service, platform/ErrorCodes.h), whatever the backend.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/ErrorCodes.h"
#include "platform/Result.h"

namespace platform {

// Current states.
inline constexpr std::uint32_t kStateStopped = 1;
inline constexpr std::uint32_t kStateStartPending = 2;
inline constexpr std::uint32_t kStateStopPending = 3;
inline constexpr std::uint32_t kStateRunning = 4;
inline constexpr std::uint32_t kStateContinuePending = 5;
inline constexpr std::uint32_t kStatePausePending = 6;
inline constexpr std::uint32_t kStatePaused = 7;

// Start types.
inline constexpr std::uint32_t kStartAuto = 2;
inline constexpr std::uint32_t kStartManual = 3;
inline constexpr std::uint32_t kStartDisabled = 4;

// Controls accepted (bits) and service type bits.
inline constexpr std::uint32_t kAcceptStop = 0x1;
inline constexpr std::uint32_t kAcceptPauseContinue = 0x2;
inline constexpr std::uint32_t kServiceOwnProcess = 0x10;
inline constexpr std::uint32_t kServiceShareProcess = 0x20;
inline constexpr std::uint32_t kServiceInteractive = 0x100;
inline constexpr std::uint32_t kErrorControlNormal = 1;

// The account a service runs as when it names none (the system's own).
inline constexpr std::string_view kSystemAccount = "LocalSystem";

struct ServiceError {
    std::uint32_t code = kErrorInternal;
    std::string message;  // the backend's own words; may be empty
};

// A service manager call's outcome: a value, or the error code with the backend's message.
template <class T>
using ServiceResult = Result<T, ServiceError>;
using ServiceOutcome = ServiceResult<Done>;
inline ServiceOutcome ServiceSuccess() { return Done{}; }
inline ServiceError MakeServiceError(std::uint32_t code, std::string message = {}) {
    return ServiceError{code, std::move(message)};
}

struct ServiceStatus {
    std::uint32_t serviceType = kServiceOwnProcess;
    std::uint32_t currentState = kStateStopped;
    std::uint32_t controlsAccepted = 0;
    std::uint32_t win32ExitCode = 0;
    std::uint32_t serviceSpecificExitCode = 0;  // the program's exit status when win32ExitCode is 1066
    std::uint32_t checkPoint = 0;
    std::uint32_t waitHint = 0;
    std::string stopReason;  // why it last stopped, in words; empty after a clean stop
};

struct ServiceConfig {
    std::uint32_t serviceType = kServiceOwnProcess;
    std::uint32_t startType = kStartManual;
    std::uint32_t errorControl = kErrorControlNormal;
    std::string binaryPath;
    std::string loadOrderGroup;
    std::uint32_t tag = 0;
    std::string dependencies;
    std::string account;  // kSystemAccount for the system's own account
    std::string displayName;
};

struct ServiceEntry {
    std::string name;  // the manager's own name for it (systemd: the unit name)
    ServiceConfig config;
    ServiceStatus status;
};

enum class ServiceControl { Stop, Pause, Continue };

struct ServiceConfigChange {
    std::uint32_t serviceType = kServiceOwnProcess;  // kServiceInteractive set: may use the desktop
    std::uint32_t startType = kStartManual;
    std::string account;   // empty: unchanged; a "HOST\" or ".\" in front names the host's own account
    std::string password;  // only where the backend keeps passwords
};

// What a backend can do beyond the common operations; the dialogs offer only these.
struct ServiceManagerTraits {
    bool usesPasswords = false;       // accounts need a password to be set
    bool desktopInteraction = false;  // services may interact with a desktop
    bool startParameters = false;     // a start takes parameters
};

class ServiceManager {
public:
    virtual ~ServiceManager() = default;

    virtual ServiceManagerTraits Traits() const = 0;
    // Every service in every state, each with its configuration and status.
    virtual ServiceResult<std::vector<ServiceEntry>> List() = 0;
    // The manager's own name of the service called name, letter case ignored (an exact match
    // wins); kErrorServiceDoesNotExist when there is none.
    virtual ServiceResult<std::string> Find(std::string_view name) = 0;
    // Configuration and status of one service, by its own name.
    virtual ServiceResult<ServiceEntry> Query(const std::string& name) = 0;
    virtual ServiceOutcome Start(const std::string& name, const std::vector<std::string>& arguments) = 0;
    virtual ServiceOutcome Control(const std::string& name, ServiceControl control) = 0;
    virtual ServiceOutcome ChangeConfig(const std::string& name, const ServiceConfigChange& change) = 0;
};

// Reaches the service manager of a host by name: empty, the local computer's name,
// "localhost" or a loopback address for this machine (two leading backslashes are ignored).
class ServiceConnector {
public:
    virtual ~ServiceConnector() = default;
    virtual ServiceResult<std::shared_ptr<ServiceManager>> Connect(const std::string& host) = 0;
};

}  // namespace platform
