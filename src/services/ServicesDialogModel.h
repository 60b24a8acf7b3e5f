// The Services dialog without a display: the host and its services as rows ("Service",
// "Status", "Startup", by display name), the buttons a selected row enables, Start with parameters, Stop,
// Pause and Continue followed by polling (driven by the caller every PendingPoll::kInterval,
// so the dialog stays responsive, and bounded), "Startup..." and "&Host". Every failure is
// told through the prompt; the row then shows what the service reports.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/UserPrompt.h"
#include "services/CSrvBrowser.h"
#include "services/PendingPoll.h"
#include "services/ServicesContext.h"
#include "services/StartupConfigModel.h"

namespace services {

// What a row shows; texts that come from the host are escaped for display.
struct ServiceRow {
    std::string service;  // display name
    std::string status;
    std::string startup;
};

// Which buttons are enabled; made with designated initializers ({.start = true, ...}), so
// each says which button it means.
struct ServiceButtons {
    bool start = false;
    bool stop = false;
    bool pause = false;
    bool cont = false;  // "Continue"
    bool startup = false;
    bool operator==(const ServiceButtons&) const = default;
};

// The buttons a selected row enables, from its state and the controls it accepts; in a
// pending state the buttons that state does not decide keep what they were.
ServiceButtons ButtonsFor(std::uint32_t state, std::uint32_t controlsAccepted, ServiceButtons previous);

inline constexpr std::size_t kMaxStartParameters = 100;
inline constexpr std::size_t kMaxParameterText = 255;

// "Startup Parameters" split at spaces, empty pieces dropped (only the first
// kMaxParameterText characters are read, as the field holds no more).
std::vector<std::string> SplitStartParameters(std::string_view text);

enum class ServiceOperation { Start, Stop, Pause, Continue };

class ServicesDialogModel {
public:
    // What the dialog hears about, after the model changed; every call comes on the thread
    // that drives the model.
    class Listener {
    public:
        virtual ~Listener() = default;
        // Another list: the host, the title, every row and the selection may have changed.
        virtual void RowsReplaced() {}
        // The rows' texts changed (a control ran, a state or start type was read again).
        virtual void RowsChanged() {}
        // The buttons to enable changed (a selection, a poll that began or ended).
        virtual void ButtonsChanged() {}
    };

    ServicesDialogModel(ServicesContext& context, core::UserPrompt& prompt, core::WaitCursor& cursor, PollClock& clock,
                        std::chrono::milliseconds pollBound = PendingPoll::kDefaultBound);

    void SetListener(Listener* listener) noexcept { m_listener = listener; }

    // Shows host's services (empty: the host shown last, else this machine) with service
    // selected when named (letter case ignored, ".service" optional).
    void Open(const std::string& host = {}, const std::string& service = {});
    // "Services \\host", or "Services" when the host could not be browsed.
    const std::string& Title() const noexcept { return m_title; }
    const std::string& Host() const noexcept { return m_host; }

    std::size_t RowCount() const noexcept { return m_order.size(); }
    ServiceRow Row(std::size_t index) const;
    std::optional<std::size_t> Selected() const noexcept { return m_selected; }
    void Select(std::optional<std::size_t> row);
    // All off while nothing is selected or a poll runs.
    ServiceButtons Buttons() const;

    // Start (with the parameter field), Stop, Pause or Continue on the selected row. True
    // when the service is pending: call Poll every PendingPoll::kInterval until it is false.
    bool Run(ServiceOperation operation, std::string_view parameters = {});
    bool Poll();
    bool Busy() const noexcept { return m_poll != nullptr; }
    // Whether the host's service manager passes "Startup Parameters" to a service it starts
    // (systemd does not: a start with parameters is refused).
    bool TakesStartParameters() const noexcept { return m_takesStartParameters; }
    // Leaves a poll (the dialog is closing); the row keeps what was read last.
    void StopPolling();

    // "Startup...": the start-up dialog's model for the selected row.
    std::optional<StartupConfigModel> StartupDialog();
    void ApplyStartup(const StartupConfigModel& dialog);

    // "&Host": browse another host; when it fails (after its message) the current one is
    // browsed again. False when the host was not taken.
    bool ChangeHost(const std::string& host);
    const std::vector<std::string>& RecentHosts() const noexcept { return m_context.RecentHosts(); }
    // The account sources for the selected service's host (Add User).
    std::vector<std::unique_ptr<AccountSource>> AccountSources() const { return m_context.AccountSources(m_host); }

private:
    bool BrowseHost(const std::string& host);
    CSrvItem* SelectedItem() const;
    // The buttons of the selected row, from its state.
    void ReadButtons();
    void EndOperation();
    void RereadQuietly(CSrvItem& item);
    // After a control, a poll or a start-up change: the rows and the buttons changed.
    void TellRowsAndButtons();

    ServicesContext& m_context;
    Listener* m_listener = nullptr;
    core::UserPrompt& m_prompt;
    core::WaitCursor& m_cursor;
    PollClock& m_clock;
    std::chrono::milliseconds m_pollBound;
    CSrvBrowser m_browser;
    std::vector<std::size_t> m_order;  // row -> browser item, by display name
    std::string m_host;
    std::string m_title = "Services";
    std::optional<std::size_t> m_selected;
    ServiceButtons m_buttons;
    std::unique_ptr<PendingPoll> m_poll;
    ServiceOperation m_operation = ServiceOperation::Start;
    bool m_takesStartParameters = false;
};

}  // namespace services
