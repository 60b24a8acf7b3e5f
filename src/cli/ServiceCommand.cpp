// palomet-cli service: the services of a host (this machine, or another through ssh), and
// the agent's service above all: list, status, start, stop, pause, continue, and the start
// type and account. The same service layer as the Services dialog; a control waits (up to
// 30 s) until the service has left its pending state and reports where it ended.
#include <algorithm>
#include <chrono>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "cli/CliPrompt.h"
#include "cli/Commands.h"
#include "cli/Output.h"
#include "core/DisplayText.h"
#include "platform/HostNames.h"
#include "services/CSrvBrowser.h"
#include "services/PendingPoll.h"
#include "services/ServiceTexts.h"
#include "services/ServicesContext.h"

namespace cli {
namespace {

struct ServiceOptions {
    std::string host;
    bool user = false;
    bool json = false;
    std::string name;
    std::string startup;
    std::string account;
};

enum class Action { List, Status, Start, Stop, Pause, Continue, Config };

std::string Accepts(std::uint32_t controls) {
    std::string text;
    if ((controls & platform::kAcceptStop) != 0) text = "stop";
    if ((controls & platform::kAcceptPauseContinue) != 0) text += text.empty() ? "pause" : ", pause";
    return text;
}

std::string ExitText(const platform::ServiceStatus& status) {
    if (status.win32ExitCode == 0) return {};
    return status.stopReason.empty() ? "exit status " + std::to_string(status.serviceSpecificExitCode)
                                     : status.stopReason;
}

// Where the commands go: --user picks the calling user's manager, else PALOMET_SERVICES
// (the system's manager unless it says otherwise). A kind this program does not know is
// refused rather than taken for the system's manager: the command would act on real
// services the user did not mean.
std::unique_ptr<services::ServicesContext> ContextFor(const ServiceOptions& o) {
    if (o.user) return services::MakeServicesContext("user");
    const char* kind = std::getenv("PALOMET_SERVICES");
    auto context = services::MakeServicesContext(kind != nullptr ? kind : "system");
    if (!context) std::cerr << services::UnknownServicesKindText(kind) << '\n';
    return context;
}

std::string HostOf(const ServiceOptions& o) { return o.host.empty() ? platform::LocalComputerName() : o.host; }

int Fail(const services::CSrvBrowserException& e) {
    std::cerr << e.text << "\n";
    return 1;
}

int RunList(const ServiceOptions& o, services::ServicesContext& context) {
    CliPrompt prompt(std::cerr);
    services::CSrvBrowser browser(context.Connector(), prompt);
    if (browser.Browse(HostOf(o)) != 0) return 1;
    std::size_t nameWidth = 0;
    for (const auto& item : browser.Items()) nameWidth = std::max(nameWidth, item->ServiceName().size());
    Output out(std::cout, o.json ? OutputFormat::Json : OutputFormat::Human,
               {{"service", nameWidth}, {"status", 10}, {"startup", 8}, {"account", 12}, {"description", 0}});
    for (const auto& item : browser.Items())
        out.Row({item->ServiceName(), std::string(item->StateText()), std::string(item->StartTypeText()),
                 item->Account(), item->DisplayName()});
    out.Finish();
    return 0;
}

void PrintStatus(const services::CSrvItem& item, bool json) {
    const auto& s = item.Status();
    const std::vector<std::pair<std::string, std::string>> fields = {
        {"service", item.ServiceName()},
        {"description", item.DisplayName()},
        {"status", std::string(item.StateText())},
        {"startup", std::string(item.StartTypeText())},
        {"account", item.Account()},
        {"accepts", Accepts(s.controlsAccepted)},
        {"exit", ExitText(s)},
        {"command", item.Config().binaryPath},
    };
    if (json) {
        std::cout << '{';
        for (std::size_t i = 0; i < fields.size(); ++i)
            std::cout << (i ? ", " : "") << Output::JsonQuote(fields[i].first) << ": "
                      << Output::JsonQuote(fields[i].second);
        std::cout << "}\n";
        return;
    }
    // Every value but the state texts is the host's own: shown escaped, as captured text is.
    for (const auto& [key, value] : fields)
        if (!value.empty()) std::cout << key << std::string(12 - key.size(), ' ') << core::DisplayText(value) << "\n";
}

// Runs one control and follows it until the service leaves the pending state.
int RunControl(Action action, services::CSrvItem& item) {
    struct Step {
        std::uint32_t pending;
        std::uint32_t goal;
    };
    Step step{platform::kStateStartPending, platform::kStateRunning};
    switch (action) {
        case Action::Start:
            item.Start({});
            break;
        case Action::Stop:
            item.Stop();
            step = {platform::kStateStopPending, platform::kStateStopped};
            break;
        case Action::Pause:
            item.Pause();
            step = {platform::kStatePausePending, platform::kStatePaused};
            break;
        case Action::Continue:
            item.Continue();
            step = {platform::kStateContinuePending, platform::kStateRunning};
            break;
        default:
            return 2;
    }
    services::SteadyPollClock clock;
    services::PendingPoll poll(item, step.pending, clock);
    while (poll.Step()) std::this_thread::sleep_for(services::PendingPoll::kInterval);
    const std::string name = core::DisplayText(item.ServiceName());
    std::cout << name << ": " << item.StateText();
    if (const std::string exit = ExitText(item.Status());
        !exit.empty() && item.CurrentState() == platform::kStateStopped)
        std::cout << " (" << core::DisplayText(exit) << ")";
    std::cout << "\n";
    if (poll.TimedOut()) std::cerr << name << " is still " << item.StateText() << " after 30 seconds.\n";
    return item.CurrentState() == step.goal ? 0 : 1;
}

int RunConfig(const ServiceOptions& o, services::CSrvItem& item) {
    if (o.startup.empty() && o.account.empty()) {
        std::cerr << "config: give --startup auto|manual|disabled and/or --account USER\n";
        return 2;
    }
    if (o.startup == "auto")
        item.SetStartType(platform::kStartAuto);
    else if (o.startup == "manual")
        item.SetStartType(platform::kStartManual);
    else if (o.startup == "disabled")
        item.SetStartType(platform::kStartDisabled);
    if (!o.account.empty()) item.SetAccount(o.account);
    item.ChangeConfig();
    item.Refresh();
    std::cout << core::DisplayText(item.ServiceName()) << ": startup " << item.StartTypeText() << ", account "
              << core::DisplayText(item.Account()) << "\n";
    return 0;
}

int Run(Action action, const ServiceOptions& o) {
    auto context = ContextFor(o);
    if (!context) return 1;
    if (action == Action::List) return RunList(o, *context);
    try {
        auto manager = context->Connector().Connect(HostOf(o));
        if (!manager) throw services::ToException(manager.Err());
        auto name = manager.Value()->Find(o.name);
        if (!name) throw services::ToException(name.Err());
        services::CSrvItem item(context->Connector(), HostOf(o), name.Value());
        switch (action) {
            case Action::Status:
                PrintStatus(item, o.json);
                return 0;
            case Action::Config:
                return RunConfig(o, item);
            default:
                return RunControl(action, item);
        }
    } catch (const services::CSrvBrowserException& e) {
        return Fail(e);
    }
}

}  // namespace

void RegisterServiceCommand(CommandRegistry& registry) {
    auto options = std::make_shared<ServiceOptions>();
    auto* service = registry.App().add_subcommand(
        "service", "Services of a host's systemd: list, status, start, stop, pause, continue, config");
    service->require_subcommand(1);
    service->fallthrough();
    service->add_option(
        "--host", options->host,
        "Another host, reached as: ssh -xT -oBatchMode=yes -oConnectTimeout=10 -- HOST systemd-stdio-bridge");
    service->add_flag("--user", options->user, "The calling user's own service manager (as systemctl --user)");

    struct Verb {
        const char* name;
        Action action;
        const char* help;
    };
    static constexpr Verb kVerbs[] = {
        {"list", Action::List, "Every service with its status, start type and account"},
        {"status", Action::Status, "One service's status and configuration"},
        {"start", Action::Start, "Start a service and wait until it runs (or fails)"},
        {"stop", Action::Stop, "Stop a service and wait until it has stopped"},
        {"pause", Action::Pause, "Pause (freeze) a running service"},
        {"continue", Action::Continue, "Continue (thaw) a paused service"},
        {"config", Action::Config, "Change a service's start type or account"},
    };
    for (const Verb& verb : kVerbs) {
        auto* cmd = service->add_subcommand(verb.name, verb.help);
        if (verb.action != Action::List)
            cmd->add_option("NAME", options->name, "The service (\".service\" optional, letter case ignored)")
                ->required();
        if (verb.action == Action::List || verb.action == Action::Status)
            cmd->add_flag("--json", options->json, "JSON output");
        if (verb.action == Action::Config) {
            cmd->add_option("--startup", options->startup, "auto, manual or disabled")
                ->check(CLI::IsMember({"auto", "manual", "disabled"}));
            cmd->add_option("--account", options->account, "The account it runs as (LocalSystem: the system's own)");
        }
        const Action action = verb.action;
        cmd->callback([options, action, &registry] { registry.SetExitCode(Run(action, *options)); });
    }
}

}  // namespace cli
