// One contract for both service backends: every case runs against the simulated table and
// against a real systemd user manager, so the simulation cannot drift from systemd.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "ContractBackends.h"
#include "services/CSrvBrowser.h"
#include "services/ServiceTexts.h"
#include "services/ServicesDialogModel.h"

namespace services::test {
namespace {

// The Services dialog's model on a backend, run to the end of each operation.
struct DialogOn {
    DialogOn(ContractBackend& backend, core::UserPrompt& prompt)
        : context(std::make_unique<BorrowedConnector>(backend.Connector()), {}),
          model(context, prompt, cursor, clock) {}
    void RunToEnd(ServiceOperation operation) {
        for (bool pending = model.Run(operation); pending; pending = model.Poll())
            std::this_thread::sleep_for(PendingPoll::kInterval);
    }
    ServicesContext context;
    core::WaitCursor cursor;
    SteadyPollClock clock;
    ServicesDialogModel model;
};

enum class Backend { Simulated, Systemd };
void PrintTo(Backend backend, std::ostream* out) { *out << (backend == Backend::Simulated ? "simulated" : "systemd"); }

class ServiceContract : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        if (GetParam() == Backend::Simulated) {
            m_backend = std::make_unique<SimulatedBackend>();
        } else {
            if (const std::string why = EnterSystemdFixture(); !why.empty()) GTEST_SKIP() << why;
            m_backend = std::make_unique<SystemdBackend>();
        }
    }

    // An item for one of the test services, reset first (and again when the case ends).
    CSrvItem& Item(const std::string& unit) {
        m_backend->Reset(unit);
        m_touched.push_back(unit);
        m_items.push_back(std::make_unique<CSrvItem>(m_backend->Connector(), "localhost", unit));
        return *m_items.back();
    }

    void TearDown() override {
        if (!m_backend) return;
        for (const auto& unit : m_touched) m_backend->Reset(unit);
    }

    // Reads the item every 100 ms while it stays in pending; the states seen, in order.
    static std::vector<std::uint32_t> Follow(CSrvItem& item, std::uint32_t pending) {
        SteadyPollClock clock;
        PendingPoll poll(item, pending, clock, std::chrono::seconds(15));
        std::vector<std::uint32_t> seen;
        for (;;) {
            const bool again = poll.Step();
            seen.push_back(item.CurrentState());
            if (!again) break;
            std::this_thread::sleep_for(PendingPoll::kInterval);
        }
        return seen;
    }

    static std::uint32_t CodeOf(const std::function<void()>& call) {
        try {
            call();
        } catch (const CSrvBrowserException& e) {
            return e.code;
        }
        return 0;
    }

    std::unique_ptr<ContractBackend> m_backend;
    std::vector<std::string> m_touched;
    std::vector<std::unique_ptr<CSrvItem>> m_items;
    core::RecordingPrompt m_prompt;
};

TEST_P(ServiceContract, ListsServicesWithStateAndStartType) {
    CSrvBrowser browser(m_backend->Connector(), m_prompt);
    ASSERT_EQ(browser.Browse(CSrvBrowser::MakeMachineName("localhost")), 0U);
    std::size_t listed = 0;
    for (const auto& item : browser.Items()) {
        if (item->ServiceName() != "pm-listing.service") continue;
        ++listed;
        EXPECT_EQ(item->DisplayName(), "Palomet test service listing");
        EXPECT_EQ(item->StateText(), "Stopped");
        EXPECT_EQ(item->StartTypeText(), "Manual");
        EXPECT_EQ(item->Account(), "LocalSystem");
    }
    EXPECT_EQ(listed, 1U);
    EXPECT_TRUE(m_prompt.Messages().empty());
}

TEST_P(ServiceContract, AgentChecksAndTheDialogStartsAStoppedAgent) {
    m_backend->Reset("palometsrv.service");
    m_touched.push_back("palometsrv.service");
    CSrvBrowser browser(m_backend->Connector(), m_prompt);
    EXPECT_EQ(browser.ServiceExists("localhost", "NoSuchAgent"), platform::kErrorServiceDoesNotExist);
    ASSERT_EQ(m_prompt.Messages().size(), 1U);
    EXPECT_EQ(m_prompt.Messages()[0].text, "The specified service does not exist as an installed service. (0x424)");
    m_prompt.Clear();
    EXPECT_EQ(browser.ServiceExists("127.0.0.1", "PalometSrv"), 0U);
    EXPECT_EQ(browser.IsServiceRunning("127.0.0.1", "PalometSrv"), platform::kErrorServiceNotActive);
    EXPECT_TRUE(m_prompt.Messages().empty());

    // "Agent is not running": the dialog opens on the agent's host with its service selected.
    DialogOn dialog(*m_backend, m_prompt);
    dialog.model.Open("127.0.0.1", "PalometSrv");
    ASSERT_TRUE(dialog.model.Selected().has_value());
    EXPECT_EQ(dialog.model.Row(*dialog.model.Selected()).service, "Palomet capture agent");
    EXPECT_TRUE(dialog.model.Buttons().start);
    dialog.RunToEnd(ServiceOperation::Start);
    EXPECT_EQ(dialog.model.Row(*dialog.model.Selected()).status, "Running");
    EXPECT_EQ(browser.IsServiceRunning("localhost", "palometsrv"), 0U);
    EXPECT_TRUE(m_prompt.Messages().empty());
}

TEST_P(ServiceContract, RefusedControlsCarryTheirCodes) {
    CSrvItem& masked = Item("pm-masked.service");
    masked.SetStartType(platform::kStartDisabled);
    masked.ChangeConfig();
    masked.Refresh();
    EXPECT_EQ(masked.StartTypeText(), "Disabled");
    EXPECT_EQ(CodeOf([&] { masked.Start({}); }), platform::kErrorServiceDisabled);
    EXPECT_EQ(CodeOf([&] { masked.Stop(); }), platform::kErrorServiceNotActive);
    EXPECT_EQ(CodeOf([&] { masked.Pause(); }), platform::kErrorServiceNotActive);

    CSrvItem& slow = Item("pm-slow.service");
    slow.Start({});
    slow.Refresh();
    EXPECT_EQ(slow.StateText(), "Starting");
    EXPECT_EQ(CodeOf([&] { slow.Stop(); }), platform::kErrorServiceCannotAcceptControl);

    CSrvItem& refusing = Item("pm-refuse.service");
    refusing.Start({});
    EXPECT_EQ(Follow(refusing, platform::kStateStartPending).back(), platform::kStateRunning);
    EXPECT_EQ(refusing.ControlsAccepted() & platform::kAcceptStop, 0U);
    EXPECT_FALSE(ButtonsFor(refusing.CurrentState(), refusing.ControlsAccepted(), {}).stop);
    EXPECT_EQ(CodeOf([&] { refusing.Stop(); }), platform::kErrorInvalidServiceControl);
    EXPECT_EQ(CodeOf([&] { refusing.Start({}); }), platform::kErrorServiceAlreadyRunning);
    EXPECT_EQ(CodeOf([&] { refusing.Start({"-v"}); }), platform::kErrorInvalidParameter);
}

TEST_P(ServiceContract, StatesThroughStartFailurePauseAndContinue) {
    CSrvItem& failing = Item("pm-fail.service");
    failing.Start({});
    EXPECT_EQ(Follow(failing, platform::kStateStartPending).back(), platform::kStateStopped);
    EXPECT_EQ(failing.Status().win32ExitCode, platform::kErrorServiceSpecific);
    EXPECT_EQ(failing.Status().serviceSpecificExitCode, 3U);
    EXPECT_EQ(failing.Status().stopReason, "exited with status 3");

    CSrvItem& notify = Item("pm-notify.service");
    notify.Start({});
    const auto seen = Follow(notify, platform::kStateStartPending);
    EXPECT_EQ(seen.front(), platform::kStateStartPending);
    EXPECT_EQ(seen.back(), platform::kStateRunning);

    CSrvItem& freeze = Item("pm-freeze.service");
    freeze.Start({});
    Follow(freeze, platform::kStateStartPending);
    ASSERT_NE(freeze.ControlsAccepted() & platform::kAcceptPauseContinue, 0U) << "this host cannot freeze units";
    freeze.Pause();
    EXPECT_EQ(Follow(freeze, platform::kStatePausePending).back(), platform::kStatePaused);
    EXPECT_EQ(freeze.StateText(), "Paused");
    const ServiceButtons paused = ButtonsFor(freeze.CurrentState(), freeze.ControlsAccepted(), {});
    EXPECT_EQ(paused, (ServiceButtons{.cont = true, .startup = true}));
    freeze.Continue();
    EXPECT_EQ(Follow(freeze, platform::kStateContinuePending).back(), platform::kStateRunning);
    freeze.Stop();
    EXPECT_EQ(Follow(freeze, platform::kStateStopPending).back(), platform::kStateStopped);
    EXPECT_EQ(freeze.Status().win32ExitCode, 0U);
}

TEST_P(ServiceContract, StartTypesRoundTrip) {
    CSrvItem& item = Item("pm-startup.service");
    for (const std::uint32_t type : {platform::kStartAuto, platform::kStartDisabled, platform::kStartManual,
                                     platform::kStartDisabled, platform::kStartAuto, platform::kStartManual}) {
        item.SetStartType(type);
        item.ChangeConfig();
        item.Refresh();
        EXPECT_EQ(item.StartType(), type);
    }
    CSrvItem& noInstall = Item("pm-static.service");
    noInstall.SetStartType(platform::kStartAuto);
    EXPECT_EQ(CodeOf([&] { noInstall.ChangeConfig(); }), platform::kErrorNotSupported);
}

TEST_P(ServiceContract, AccountThroughDropInAndAWrongUser) {
    CSrvItem& item = Item("pm-account.service");
    item.SetAccount(".\\nobody");
    item.ChangeConfig();
    item.Refresh();
    EXPECT_EQ(item.Account(), "nobody");
    item.Start({});
    EXPECT_EQ(Follow(item, platform::kStateStartPending).back(), platform::kStateRunning);
    item.Stop();
    Follow(item, platform::kStateStopPending);
    item.SetAccount("LocalSystem");
    item.ChangeConfig();
    item.Refresh();
    EXPECT_EQ(item.Account(), "LocalSystem");

    item.SetAccount("nosuchuser");
    item.ChangeConfig();
    DialogOn dialog(*m_backend, m_prompt);
    dialog.model.Open("localhost", "pm-account");
    dialog.RunToEnd(ServiceOperation::Start);
    ASSERT_EQ(m_prompt.Messages().size(), 1U);
    EXPECT_EQ(m_prompt.Messages()[0].text,
              "Palomet test service with an account did not start: it exited with status 217: its user account does "
              "not exist.");
}

TEST_P(ServiceContract, HostileHostsAndAccountsAreRefused) {
    for (const char* host : {"-oProxyCommand=touch /tmp/owned", "host\nname", "a host", "\\\\-x"}) {
        auto manager = m_backend->Connector().Connect(host);
        ASSERT_FALSE(manager.Ok()) << host;
        EXPECT_EQ(manager.Err().code, platform::kErrorInvalidParameter) << host;
    }
    CSrvItem& item = Item("pm-listing.service");
    for (const char* account : {"a:b", "../etc/passwd", "-oops", "x\ny", ".\\a/b", "two words"}) {
        item.SetAccount(account);
        EXPECT_EQ(CodeOf([&] { item.ChangeConfig(); }), platform::kErrorInvalidParameter) << account;
    }
    item.Refresh();
    EXPECT_EQ(item.Account(), "LocalSystem");
}

INSTANTIATE_TEST_SUITE_P(Simulated, ServiceContract, ::testing::Values(Backend::Simulated));
INSTANTIATE_TEST_SUITE_P(Systemd, ServiceContract, ::testing::Values(Backend::Systemd));

}  // namespace
}  // namespace services::test
