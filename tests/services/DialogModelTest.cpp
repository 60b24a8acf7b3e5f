// The Services, Startup Configuration and Add User dialogs' rules without a display, on the
// simulated backend with a clock the test moves: buttons, parameters, polling and its
// bound, failures and their messages, the host, the start-up rules, the account list, and
// the agent check's policies.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>

#include "platform/HostNames.h"
#include "platform/simulated/SimulatedServiceManager.h"
#include "services/AddUserModel.h"
#include "services/BrowserAgentCheck.h"
#include "services/ServicesDialogModel.h"

namespace services {
namespace {

using platform::SimulatedService;

struct FakeClock final : PollClock {
    std::chrono::steady_clock::time_point now{};
    std::chrono::steady_clock::time_point Now() override { return now; }
};

class DialogModel : public ::testing::Test {
protected:
    DialogModel() {
        auto connector = std::make_unique<platform::SimulatedConnector>();
        m_simulated = connector.get();
        m_context = std::make_unique<ServicesContext>(
            std::move(connector), [](const std::string&) { return std::vector<std::unique_ptr<AccountSource>>(); });
        Add("", "palometsrv.service", "Palomet capture agent").startReads = 3;
        Add("", "cron.service", "Regular jobs").status.currentState = platform::kStateRunning;
        Add("pc2", "sshd.service", "Secure shell");
        m_model = std::make_unique<ServicesDialogModel>(*m_context, m_prompt, m_cursor, m_clock);
    }
    SimulatedService& Add(const std::string& host, const char* name, const char* display) {
        SimulatedService s;
        s.name = name;
        s.displayName = display;
        return m_simulated->Host(host).Add(s);
    }
    platform::SimulatedHost& Local() { return m_simulated->Host(""); }
    // One poll as the dialog's timer makes it, an interval after the one before.
    bool Poll() {
        m_clock.now += PendingPoll::kInterval;
        return m_model->Poll();
    }
    // Polls as the dialog's timer would, moving the clock on by one interval each time.
    int PollToEnd() {
        int polls = 0;
        while (m_model->Poll()) {
            m_clock.now += PendingPoll::kInterval;
            ++polls;
        }
        return polls;
    }
    std::vector<std::string> Said() const {
        std::vector<std::string> texts;
        for (const auto& m : m_prompt.Messages()) texts.push_back(m.text);
        return texts;
    }

    platform::SimulatedConnector* m_simulated = nullptr;
    std::unique_ptr<ServicesContext> m_context;
    core::RecordingPrompt m_prompt;
    core::WaitCursor m_cursor;
    FakeClock m_clock;
    std::unique_ptr<ServicesDialogModel> m_model;
};

TEST(ServiceButtonsTable, FollowsStateAndAcceptedControls) {
    constexpr std::uint32_t kStop = platform::kAcceptStop;
    constexpr std::uint32_t kPause = platform::kAcceptPauseContinue;
    const ServiceButtons on{.start = true, .stop = true, .pause = true, .cont = true, .startup = true};
    const ServiceButtons off{};
    const struct {
        std::uint32_t state;
        std::uint32_t accepted;
        ServiceButtons previous;
        ServiceButtons expected;
    } cases[] = {
        {1, kStop | kPause, on, {.start = true, .startup = true}},
        {4, kStop | kPause, off, {.stop = true, .pause = true, .cont = true, .startup = true}},
        {4, kStop, on, {.stop = true, .startup = true}},  // stops but cannot pause
        {4, 0, on, {.startup = true}},
        {7, kStop | kPause, on, {.cont = true, .startup = true}},
        {7, kStop, on, {.startup = true}},
        {2, kStop | kPause, on, {.pause = true, .cont = true, .startup = true}},  // pause and continue keep their state
        {3, 0, off, {.startup = true}},
        {5, kStop | kPause, on, {.start = true, .stop = true, .startup = true}},  // start and stop keep theirs
        {6, 0, off, {.startup = true}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ButtonsFor(c.state, c.accepted, c.previous), c.expected) << c.state << "/" << c.accepted;
}

TEST(StartParameters, SplitAtSpaces) {
    EXPECT_EQ(SplitStartParameters("-v  --port 9"), (std::vector<std::string>{"-v", "--port", "9"}));
    EXPECT_TRUE(SplitStartParameters("   ").empty());
    EXPECT_EQ(SplitStartParameters(std::string(300, 'x')), std::vector<std::string>{std::string(255, 'x')});
}

TEST_F(DialogModel, OpensOnTheHostShownLastAndSelectsTheAgent) {
    m_model->Open();
    EXPECT_EQ(m_model->Title(), "Services \\\\" + platform::LocalComputerName());
    ASSERT_EQ(m_model->RowCount(), 2U);
    EXPECT_EQ(m_model->Row(0).service, "Palomet capture agent");  // by display name
    EXPECT_EQ(m_model->Buttons(), ServiceButtons{});              // nothing selected yet

    EXPECT_TRUE(m_model->ChangeHost("pc2"));
    ServicesDialogModel again(*m_context, m_prompt, m_cursor, m_clock);
    again.Open();
    EXPECT_EQ(again.Title(), "Services \\\\pc2");

    // The agent's own host and service, whatever was shown last.
    again.Open("127.0.0.1", "PalometSrv");
    EXPECT_EQ(again.Title(), "Services \\\\" + platform::LocalComputerName());
    ASSERT_TRUE(again.Selected().has_value());
    EXPECT_EQ(again.Row(*again.Selected()).service, "Palomet capture agent");
    EXPECT_EQ(again.Buttons(), (ServiceButtons{.start = true, .startup = true}));
    EXPECT_TRUE(Said().empty());
}

// The dialog draws what the model says changed, and nothing else: each step and what the
// model told it (R: another list, r: row texts, b: buttons).
TEST_F(DialogModel, TellsItsDialogWhatChanged) {
    struct Heard final : ServicesDialogModel::Listener {
        std::string log;
        void RowsReplaced() override { log += 'R'; }
        void RowsChanged() override { log += 'r'; }
        void ButtonsChanged() override { log += 'b'; }
    } heard;
    m_model->SetListener(&heard);
    Local().Service("cron.service")->stopReads = 2;
    const struct {
        const char* step;
        std::function<void()> act;
        const char* told;
    } steps[] = {
        {"open on cron", [&] { m_model->Open("", "cron"); }, "R"},
        {"select another row", [&] { m_model->Select(0); }, "b"},
        {"select cron", [&] { m_model->Select(1); }, "b"},
        {"stop it: pending", [&] { EXPECT_TRUE(m_model->Run(ServiceOperation::Stop)); }, "rb"},
        {"a poll that is still pending", [&] { EXPECT_TRUE(Poll()); }, "r"},
        {"the poll that ends it", [&] { EXPECT_FALSE(Poll()); }, "rb"},
        {"a poll with none running", [&] { EXPECT_FALSE(Poll()); }, ""},
        {"stop again: refused at once", [&] { EXPECT_FALSE(m_model->Run(ServiceOperation::Stop)); }, "rb"},
        {"a host refused before browsing", [&] { EXPECT_FALSE(m_model->ChangeHost("-x")); }, ""},
        {"another host", [&] { EXPECT_TRUE(m_model->ChangeHost("pc2")); }, "R"},
        {"nothing to stop polling", [&] { m_model->StopPolling(); }, ""},
    };
    for (const auto& s : steps) {
        heard.log.clear();
        s.act();
        EXPECT_EQ(heard.log, s.told) << s.step;
    }
}

TEST_F(DialogModel, HostChangesThatFailKeepTheHost) {
    m_model->Open("pc2");
    EXPECT_FALSE(m_model->ChangeHost("pc9"));
    EXPECT_FALSE(m_model->ChangeHost("-oProxyCommand=x"));
    EXPECT_EQ(m_model->Title(), "Services \\\\pc2");
    EXPECT_EQ(m_model->RowCount(), 1U);
    ASSERT_EQ(Said().size(), 2U);
    EXPECT_EQ(Said()[0], "ssh pc9: Could not resolve hostname pc9: Name or service not known (0x6ba)");
    EXPECT_EQ(Said()[1], "The host name \"-oProxyCommand=x\" must not begin with \"-\". (0x57)");
    ServicesDialogModel unreachable(*m_context, m_prompt, m_cursor, m_clock);
    unreachable.Open("pc9");
    EXPECT_EQ(unreachable.Title(), "Services");
    EXPECT_EQ(unreachable.RowCount(), 0U);
}

TEST_F(DialogModel, StartPollsUntilRunningAndDisablesButtonsMeanwhile) {
    m_model->Open("", "palometsrv");
    ASSERT_TRUE(m_model->Run(ServiceOperation::Start));
    EXPECT_TRUE(m_model->Busy());
    EXPECT_EQ(m_model->Buttons(), ServiceButtons{});
    EXPECT_EQ(m_model->Row(0).status, "Starting");
    PollToEnd();
    EXPECT_EQ(m_model->Row(0).status, "Running");
    EXPECT_EQ(m_model->Buttons(), (ServiceButtons{.stop = true, .pause = true, .cont = true, .startup = true}));
    EXPECT_TRUE(Said().empty());
}

TEST_F(DialogModel, ControlsThatFailOrHangAreTold) {
    Local().Service("palometsrv.service")->startReads = SimulatedService::kForever;
    m_model->Open("", "palometsrv");
    ASSERT_TRUE(m_model->Run(ServiceOperation::Start));
    EXPECT_EQ(PollToEnd(), 300);  // 30 s of 100 ms polls, then what the service reports
    EXPECT_EQ(m_model->Row(0).status, "Starting");

    Local().Service("cron.service")->exitStatus = 5;
    Local().Service("cron.service")->status.currentState = platform::kStateStopped;
    m_model->Select(1);
    std::string many;
    for (int i = 0; i < 101; ++i) many += "a ";
    EXPECT_FALSE(m_model->Run(ServiceOperation::Start, many));  // refused, not cut to 100
    EXPECT_FALSE(m_model->Run(ServiceOperation::Start, "--verbose"));
    m_model->Run(ServiceOperation::Start);
    PollToEnd();
    Local().FailNext("cron.service", {platform::kErrorAccessDenied, "Interactive authentication required."});
    EXPECT_FALSE(m_model->Run(ServiceOperation::Start));
    EXPECT_EQ(m_model->Row(1).status, "Stopped");
    const std::vector<std::string> expected = {
        "Palomet capture agent is still \"Starting\" after 30 seconds; the list shows what it reports now.",
        "At most 100 start parameters can be passed; 101 were given.",
        "A systemd unit takes no start parameters; set its command line in the unit instead. (0x57)",
        "Regular jobs did not start: it exited with status 5.",
        "Access is denied. (0x5)",
    };
    EXPECT_EQ(Said(), expected);
}

// A host's own texts (a unit's description, its account, its errors) reach no row, message
// or field as they are: escape sequences and reordering controls are shown escaped.
TEST_F(DialogModel, AHostsOwnTextsAreShownEscaped) {
    SimulatedService& evil = Add("pc2", "evil.service",
                                 "\x1b]0;owned\x07"
                                 "Backup \xe2\x80\xae"
                                 "gpj.exe");
    evil.account = "ann\xe2\x81\xa6x";
    m_simulated->Host("pc2").Accounts().push_back(evil.account);
    evil.exitStatus = 3;
    m_model->Open("pc2", "evil");
    ASSERT_EQ(m_model->Selected(), std::optional<std::size_t>(0));
    const std::string shown = "\\x1B]0;owned\\x07Backup \\xE2\\x80\\xAEgpj.exe";
    EXPECT_EQ(m_model->Row(0).service, shown);
    m_model->Run(ServiceOperation::Start);
    PollToEnd();
    m_simulated->Host("pc2").FailNext("evil.service", {1359, "unit says \x1b[2J\xe2\x80\xae"});
    m_model->Run(ServiceOperation::Start);
    const auto dialog = m_model->StartupDialog();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->Account(), "ann\\xE2\\x81\\xA6x");
    const std::vector<std::string> expected = {shown + " did not start: it exited with status 3.",
                                               "unit says \\x1B[2J\\xE2\\x80\\xAE (0x54f)"};
    EXPECT_EQ(Said(), expected);
}

TEST_F(DialogModel, StartupConfigurationReachesTheService) {
    Local().Traits().usesPasswords = true;
    m_model->Open("", "palometsrv");
    auto dialog = m_model->StartupDialog();
    ASSERT_TRUE(dialog);
    dialog->SetStartType(platform::kStartDisabled);
    dialog->ChooseThisAccount();
    dialog->SetAccount("capture");
    dialog->SetPassword("pw");
    dialog->SetConfirmation("pw");
    ASSERT_FALSE(dialog->Accept());
    m_model->ApplyStartup(*dialog);
    ASSERT_TRUE(Local().LastChange());
    EXPECT_EQ(Local().LastChange()->account, ".\\capture");
    EXPECT_EQ(Local().LastChange()->password, "pw");
    EXPECT_EQ(m_model->Row(0).startup, "Disabled");
    dialog = m_model->StartupDialog();
    dialog->AccountChosen("\\\\pc1", "ann");
    dialog->SetPassword("pw2");
    dialog->SetConfirmation("pw2");
    ASSERT_FALSE(dialog->Accept());
    m_model->ApplyStartup(*dialog);
    EXPECT_EQ(Local().LastChange()->account, "pc1\\ann");
}

TEST(StartupConfig, ControlsAndChecks) {
    const platform::ServiceManagerTraits systemd{};
    const platform::ServiceManagerTraits passwords{true, true, true};
    const std::uint32_t own = platform::kServiceOwnProcess;
    const std::uint32_t shared = platform::kServiceShareProcess;
    {
        StartupConfigModel m(platform::kStartAuto, own, 0, "LocalSystem", passwords);
        const auto c = m.Controls();
        EXPECT_TRUE(c.automatic && c.systemAccount && c.desktopEnabled && !c.accountEnabled && !c.passwordEnabled);
    }
    {
        StartupConfigModel m(platform::kStartManual, own, 0, "capture", systemd);
        const auto c = m.Controls();
        EXPECT_TRUE(c.manual && c.thisAccount && c.accountEnabled && !c.passwordEnabled && !c.desktopEnabled);
    }
    {
        StartupConfigModel m(platform::kStartDisabled, shared, 1, "capture", passwords);
        const auto c = m.Controls();
        EXPECT_TRUE(c.disabled && !c.logonEnabled && !c.accountEnabled && c.desktopChecked);
        EXPECT_FALSE(m.Accept());  // a shared process only changes start type and desktop use
    }
    const struct {
        platform::ServiceManagerTraits traits;
        const char* account;
        const char* password;
        const char* confirmation;
        std::optional<std::string> refusal;
    } checks[] = {
        {passwords, "", "a", "a", "User account can not be empty !"},
        {passwords, "capture", "", "", "Password can not be empty !"},
        {passwords, "capture", "a", "b", "Passwords are different !"},
        {passwords, "capture", "a", "a", std::nullopt},
        {systemd, "capture", "", "", std::nullopt},
        {
            systemd,
            "a:b",
            "",
            "",
            "The account name \"a:b\" must not contain \"/\", \":\" or a backslash.",
        },
    };
    for (const auto& c : checks) {
        StartupConfigModel m(platform::kStartManual, own, 1, "", c.traits);
        m.ChooseThisAccount();
        m.SetAccount(c.account);
        m.SetPassword(c.password);
        m.SetConfirmation(c.confirmation);
        EXPECT_EQ(m.Accept(), c.refusal) << c.account << "/" << c.password << "/" << c.confirmation;
        if (!c.refusal) {
            EXPECT_EQ(m.Interactive(), 0);
            EXPECT_EQ(m.Password(), c.traits.usesPasswords ? c.password : "");
        }
    }
    StartupConfigModel system(platform::kStartManual, own, 0, "capture", passwords);
    system.SetPassword("secret");
    system.ChooseSystemAccount();
    EXPECT_FALSE(system.Accept());
    EXPECT_EQ(system.Account(), "LocalSystem");
    EXPECT_EQ(system.Password(), "");
}

class FailingSource final : public AccountSource {
public:
    FailingSource(std::string name, platform::ServiceError error)
        : m_name(std::move(name)),
          m_error(std::move(error)) {}
    std::string Name() const override { return m_name; }
    platform::ServiceResult<std::vector<platform::AccountEntry>> Accounts() override { return m_error; }

private:
    std::string m_name;
    platform::ServiceError m_error;
};

TEST(AddUser, SourcesAccountsAndFailures) {
    core::RecordingPrompt prompt;
    core::WaitCursor cursor;
    std::vector<std::unique_ptr<AccountSource>> sources;
    sources.push_back(std::make_unique<FailingSource>("\\\\pc3", platform::ServiceError{5, "denied"}));
    sources.push_back(
        std::make_unique<ListedAccountSource>("pc1", std::vector<platform::AccountEntry>{{"ann", "", "Ann"}}));
    sources.push_back(std::make_unique<FailingSource>("\\\\pc4", platform::ServiceError{87, "bad"}));
    sources.push_back(std::make_unique<FailingSource>("\\\\pc5", platform::ServiceError{1722, "ssh pc5: timed out"}));
    sources.push_back(std::make_unique<ListedAccountSource>(
        "pc6", std::vector<platform::AccountEntry>{{"eve", "\x1b[2J", "Eve \xe2\x80\xae"}}));
    AddUserModel model(std::move(sources), prompt, cursor);
    model.Open();
    EXPECT_EQ(model.SourceNames(), (std::vector<std::string>{"\\\\pc1", "\\\\pc3", "\\\\pc4", "\\\\pc5", "\\\\pc6"}));
    EXPECT_EQ(model.Choose(0), std::make_pair(std::string("\\\\pc1"), std::string("ann")));
    for (std::size_t i = 1; i < 4; ++i) {
        model.SelectSource(i);
        EXPECT_TRUE(model.Rows().empty());
    }
    EXPECT_FALSE(model.Choose(0));
    ASSERT_EQ(prompt.Messages().size(), 3U);
    EXPECT_EQ(prompt.Messages()[0].text, "The user does not have access to the requested information.");
    EXPECT_EQ(prompt.Messages()[1].text, "The computer name is invalid.");
    EXPECT_EQ(prompt.Messages()[2].text, "ssh pc5: timed out (0x6ba)");
    // A host's account list is shown escaped; what is chosen is the account itself.
    model.SelectSource(4);
    const auto shown = model.ShownRow(0);
    EXPECT_EQ(shown.comment, "\\x1B[2J");
    EXPECT_EQ(shown.fullName, "Eve \\xE2\\x80\\xAE");
    EXPECT_EQ(model.Choose(0), std::make_pair(std::string("\\\\pc6"), std::string("eve")));
}

TEST(AgentCheck, PolicyDecidesWhichHostsAreChecked) {
    platform::SimulatedConnector connector;
    platform::SimulatedService agent;
    agent.name = "palometsrv.service";
    connector.Host("capture1").Add(agent);
    connector.Host("bare");
    const struct {
        AgentCheckPolicy policy;
        const char* host;
        std::uint32_t exists;
        std::uint32_t running;
        std::size_t messages;
    } cases[] = {
        {AgentCheckPolicy::WhenInstalled, "capture1", 0, 1062, 0},
        {AgentCheckPolicy::WhenInstalled, "bare", 0, 0, 0},  // an agent started by hand
        {AgentCheckPolicy::WhenInstalled, "unknown-host", 0, 0, 0},
        {AgentCheckPolicy::Required, "bare", 1060, 1060, 2},
        {AgentCheckPolicy::Required, "capture1", 0, 1062, 0},
        {AgentCheckPolicy::Off, "capture1", 0, 0, 0},
    };
    for (const auto& c : cases) {
        core::RecordingPrompt prompt;
        CSrvBrowser browser(connector, prompt);
        BrowserAgentCheck check(browser, c.policy);
        EXPECT_EQ(check.ServiceExists(c.host, kAgentServiceName), c.exists) << c.host;
        EXPECT_EQ(check.IsServiceRunning(c.host, kAgentServiceName), c.running) << c.host;
        EXPECT_EQ(prompt.Messages().size(), c.messages) << c.host;
    }
}

}  // namespace
}  // namespace services
