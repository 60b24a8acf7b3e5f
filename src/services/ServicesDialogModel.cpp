// The Services dialog's rules.
#include "services/ServicesDialogModel.h"

#include <algorithm>

#include "core/DisplayText.h"
#include "platform/LetterCase.h"
#include "platform/HostNames.h"
#include "platform/SshDestination.h"
#include "services/ServiceTexts.h"

namespace services {
namespace {

std::uint32_t PendingStateOf(ServiceOperation operation) {
    switch (operation) {
        case ServiceOperation::Start:
            return platform::kStateStartPending;
        case ServiceOperation::Stop:
            return platform::kStateStopPending;
        case ServiceOperation::Pause:
            return platform::kStatePausePending;
        case ServiceOperation::Continue:
            return platform::kStateContinuePending;
    }
    return platform::kStateStartPending;
}

}  // namespace

ServiceButtons ButtonsFor(std::uint32_t state, std::uint32_t controlsAccepted, ServiceButtons previous) {
    const bool stops = (controlsAccepted & platform::kAcceptStop) != 0;
    const bool pauses = (controlsAccepted & platform::kAcceptPauseContinue) != 0;
    ServiceButtons b = previous;
    b.startup = true;
    switch (state) {
        case platform::kStateStopped:
            return {.start = true, .startup = true};
        case platform::kStateRunning:
            return {.stop = stops, .pause = pauses, .cont = pauses, .startup = true};
        case platform::kStatePaused:
            return {.cont = pauses, .startup = true};
        case platform::kStateStartPending:
        case platform::kStateStopPending:
            b.start = false;
            b.stop = false;
            return b;
        case platform::kStateContinuePending:
        case platform::kStatePausePending:
            b.pause = false;
            b.cont = false;
            return b;
        default:
            return b;
    }
}

std::vector<std::string> SplitStartParameters(std::string_view text) {
    text = text.substr(0, kMaxParameterText);
    std::vector<std::string> pieces;
    while (!text.empty()) {
        const auto space = text.find(' ');
        if (space != 0) pieces.emplace_back(text.substr(0, space));
        if (space == std::string_view::npos) break;
        text.remove_prefix(space + 1);
    }
    return pieces;
}

ServicesDialogModel::ServicesDialogModel(ServicesContext& context, core::UserPrompt& prompt, core::WaitCursor& cursor,
                                         PollClock& clock, std::chrono::milliseconds pollBound)
    : m_context(context),
      m_prompt(prompt),
      m_cursor(cursor),
      m_clock(clock),
      m_pollBound(pollBound),
      m_browser(context.Connector(), prompt) {}

bool ServicesDialogModel::BrowseHost(const std::string& host) {
    m_selected.reset();
    m_buttons = {};
    m_cursor.Begin();
    const std::uint32_t failed = m_browser.Browse(host);
    m_cursor.End();
    // Rows go by what the list shows, the display name, whatever order the manager lists in.
    const auto& items = m_browser.Items();
    m_order.resize(items.size());
    for (std::size_t i = 0; i < items.size(); ++i) m_order[i] = i;
    std::stable_sort(m_order.begin(), m_order.end(), [&](std::size_t a, std::size_t b) {
        return platform::CompareIgnoringCase(items[a]->DisplayName(), items[b]->DisplayName()) < 0;
    });
    // One manager serves the host's every service: any item can say what it takes.
    m_takesStartParameters = false;
    if (!items.empty()) {
        try {
            m_takesStartParameters = items.front()->Traits().startParameters;
        } catch (const CSrvBrowserException&) {
            // A host that cannot be reached now takes nothing.
        }
    }
    return failed == 0;
}

void ServicesDialogModel::Open(const std::string& host, const std::string& service) {
    StopPolling();
    if (!host.empty()) {
        m_host = std::string(platform::StripMachinePrefix(CSrvBrowser::MakeMachineName(host)));
    } else {
        if (m_context.CurrentHost().empty()) m_context.SetCurrentHost(platform::LocalComputerName());
        m_host = m_context.CurrentHost();
    }
    if (!BrowseHost(m_host)) {
        m_title = "Services";
    } else {
        m_context.SetCurrentHost(m_host);
        m_title = "Services \\\\" + m_host;
        for (std::size_t i = 0; i < m_order.size() && !service.empty(); ++i) {
            const std::string& name = m_browser.Items()[m_order[i]]->ServiceName();
            if (platform::EqualsIgnoringCase(name, service) || platform::EqualsIgnoringCase(name, service + ".service")) {
                m_selected = i;
                ReadButtons();
                break;
            }
        }
    }
    if (m_listener != nullptr) m_listener->RowsReplaced();
}

ServiceRow ServicesDialogModel::Row(std::size_t index) const {
    const CSrvItem& item = *m_browser.Items().at(m_order.at(index));
    return {core::DisplayText(item.DisplayName()), std::string(item.StateText()), std::string(item.StartTypeText())};
}

CSrvItem* ServicesDialogModel::SelectedItem() const {
    if (!m_selected || *m_selected >= m_order.size()) return nullptr;
    return m_browser.Items()[m_order[*m_selected]].get();
}

void ServicesDialogModel::Select(std::optional<std::size_t> row) {
    m_selected = row && *row < m_order.size() ? row : std::nullopt;
    ReadButtons();
    if (m_listener != nullptr) m_listener->ButtonsChanged();
}

void ServicesDialogModel::ReadButtons() {
    if (const CSrvItem* item = SelectedItem())
        m_buttons = ButtonsFor(item->CurrentState(), item->ControlsAccepted(), m_buttons);
    else
        m_buttons = {};
}

void ServicesDialogModel::TellRowsAndButtons() {
    if (m_listener == nullptr) return;
    m_listener->RowsChanged();
    m_listener->ButtonsChanged();
}

ServiceButtons ServicesDialogModel::Buttons() const { return Busy() ? ServiceButtons{} : m_buttons; }

void ServicesDialogModel::RereadQuietly(CSrvItem& item) {
    try {
        item.Refresh();
    } catch (const CSrvBrowserException&) {
        // The failure that led here has been told; the row keeps what it had.
    }
}

bool ServicesDialogModel::Run(ServiceOperation operation, std::string_view parameters) {
    CSrvItem* item = SelectedItem();
    if (item == nullptr || Busy()) return false;
    std::vector<std::string> arguments;
    if (operation == ServiceOperation::Start) {
        arguments = SplitStartParameters(parameters);
        if (arguments.size() > kMaxStartParameters) {
            m_prompt.Tell("At most " + std::to_string(kMaxStartParameters) + " start parameters can be passed; " +
                          std::to_string(arguments.size()) + " were given.");
            return false;
        }
    }
    m_operation = operation;
    m_cursor.Begin();
    try {
        switch (operation) {
            case ServiceOperation::Start:
                item->Start(arguments);
                break;
            case ServiceOperation::Stop:
                item->Stop();
                break;
            case ServiceOperation::Pause:
                item->Pause();
                break;
            case ServiceOperation::Continue:
                item->Continue();
                break;
        }
        m_poll = std::make_unique<PendingPoll>(*item, PendingStateOf(operation), m_clock, m_pollBound);
        if (m_poll->Step()) {
            TellRowsAndButtons();
            return true;
        }
    } catch (const CSrvBrowserException& e) {
        m_prompt.Tell(e.text);
        RereadQuietly(*item);
    }
    EndOperation();
    TellRowsAndButtons();
    return false;
}

bool ServicesDialogModel::Poll() {
    if (!m_poll) return false;
    try {
        if (m_poll->Step()) {
            if (m_listener != nullptr) m_listener->RowsChanged();
            return true;
        }
    } catch (const CSrvBrowserException& e) {
        m_prompt.Tell(e.text);
    }
    EndOperation();
    TellRowsAndButtons();
    return false;
}

void ServicesDialogModel::EndOperation() {
    m_cursor.End();
    if (m_poll) {
        const CSrvItem& item = m_poll->Item();
        const platform::ServiceStatus& status = item.Status();
        if (m_poll->TimedOut()) {
            m_prompt.Tell(core::DisplayText(item.DisplayName()) + " is still \"" + std::string(item.StateText()) +
                          "\" after " + std::to_string(m_pollBound.count() / 1000) +
                          " seconds; the list shows what it reports now.");
        } else if (m_operation == ServiceOperation::Start && status.currentState == platform::kStateStopped &&
                   status.win32ExitCode != 0) {
            const std::string reason = status.stopReason.empty()
                                           ? "exited with status " + std::to_string(status.serviceSpecificExitCode)
                                           : status.stopReason;
            m_prompt.Tell(core::DisplayText(item.DisplayName()) + " did not start: it " + core::DisplayText(reason) +
                          ".");
        }
        m_poll.reset();
    }
    ReadButtons();
}

void ServicesDialogModel::StopPolling() {
    if (!m_poll) return;
    m_poll.reset();
    m_cursor.End();
    ReadButtons();
    if (m_listener != nullptr) m_listener->ButtonsChanged();
}

std::optional<StartupConfigModel> ServicesDialogModel::StartupDialog() {
    CSrvItem* item = SelectedItem();
    if (item == nullptr || Busy()) return std::nullopt;
    try {
        // The account field shows the host's text escaped; written back unchanged, a name that
        // needed escaping is refused rather than set.
        return StartupConfigModel(item->StartType(), item->ServiceType(), item->Interactive(),
                                  core::DisplayText(item->Account()), item->Traits());
    } catch (const CSrvBrowserException& e) {
        m_prompt.Tell(e.text);
        return std::nullopt;
    }
}

void ServicesDialogModel::ApplyStartup(const StartupConfigModel& dialog) {
    CSrvItem* item = SelectedItem();
    if (item == nullptr || Busy()) return;
    item->SetStartType(dialog.StartType());
    item->SetInteractive(dialog.Interactive());
    if (dialog.OwnProcess()) {
        std::string account = dialog.Account();
        if (account.find('\\') == std::string::npos) account = ".\\" + account;  // a local account
        item->SetAccount(std::move(account));
        item->SetPassword(dialog.Password());
    }
    m_cursor.Begin();
    try {
        item->ChangeConfig();
    } catch (const CSrvBrowserException& e) {
        m_prompt.Tell(e.text);
    }
    try {
        item->Refresh();
    } catch (const CSrvBrowserException& e) {
        m_prompt.Tell(e.text);
    }
    m_cursor.End();
    ReadButtons();
    TellRowsAndButtons();
}

bool ServicesDialogModel::ChangeHost(const std::string& host) {
    if (Busy()) return false;
    const std::string wanted(platform::StripMachinePrefix(host));
    if (!platform::IsLocalHost(wanted)) {
        if (auto target = platform::SshTarget(wanted); !target) {
            m_prompt.Tell(ErrorText(target.Err().code, target.Err().message));
            return false;
        }
    }
    const std::string name = wanted.empty() ? platform::LocalComputerName() : wanted;
    const bool taken = BrowseHost(name);
    if (taken) {
        m_host = name;
        m_context.SetCurrentHost(m_host);
    } else {
        BrowseHost(m_host);
    }
    m_title = "Services \\\\" + m_host;
    if (m_listener != nullptr) m_listener->RowsReplaced();
    return taken;
}

}  // namespace services
