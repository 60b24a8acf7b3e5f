// State, start-type and error texts.
#include "services/ServiceTexts.h"

#include <algorithm>
#include <array>

#include "core/DisplayText.h"
#include "core/Printf.h"

namespace services {
namespace {

constexpr std::array<std::string_view, 8> kStates = {"?",       "Stopped",    "Starting", "Stopping",
                                                     "Running", "Continuing", "Pausing",  "Paused"};
constexpr std::array<std::string_view, 5> kStartTypes = {"Boot", "System", "Auto", "Manual", "Disabled"};

struct CodeText {
    std::uint32_t code;
    std::string_view text;
    bool backendFirst = false;  // the backend's words say more (which host, what went wrong)
};

// Our own wording for the codes the service layer produces; other codes show what the
// backend said (a refused host name, a file that could not be written...).
constexpr std::array kTexts = {
    CodeText{platform::kErrorAccessDenied, "Access is denied."},
    CodeText{platform::kErrorInvalidServiceControl, "The requested control is not valid for this service."},
    CodeText{platform::kErrorServiceAlreadyRunning, "An instance of the service is already running."},
    CodeText{platform::kErrorServiceDisabled, "The service cannot be started because it is disabled."},
    CodeText{platform::kErrorServiceDoesNotExist, "The specified service does not exist as an installed service."},
    CodeText{platform::kErrorServiceCannotAcceptControl, "The service cannot accept control messages at this time."},
    CodeText{platform::kErrorServiceNotActive, "The service has not been started."},
    CodeText{platform::kErrorServiceSpecific, "The service has returned a service-specific error code."},
    CodeText{platform::kErrorTimeout, "This operation returned because the timeout period expired."},
    CodeText{platform::kRpcServerUnavailable, "The host's service manager cannot be reached.", true},
};

}  // namespace

std::string_view StateText(std::uint32_t state) noexcept {
    return state < kStates.size() ? kStates[state] : kStates[0];
}

std::string_view StartTypeText(std::uint32_t startType) noexcept {
    return startType < kStartTypes.size() ? kStartTypes[startType] : std::string_view("?");
}

std::string ErrorText(std::uint32_t code, std::string_view backendMessage) {
    const auto* known = std::find_if(kTexts.begin(), kTexts.end(), [&](const CodeText& t) { return t.code == code; });
    std::string text;
    if (known != kTexts.end() && !(known->backendFirst && !backendMessage.empty()))
        text = std::string(known->text);
    else
        text = std::string(backendMessage);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
    if (text.empty()) text = "Error " + std::to_string(code);
    // The backend's words may be another host's (a unit's, systemd's, ssh's) or quote a name
    // as it was typed: shown escaped, as captured text is.
    text = core::DisplayText(text);
    return text + core::Printf(" (0x%x)", code);
}

CSrvBrowserException ToException(const platform::ServiceError& error) {
    return CSrvBrowserException{error.code, ErrorText(error.code, error.message)};
}

}  // namespace services
