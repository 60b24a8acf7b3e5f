// The capture document against the agent of this process: every step of the session
// opening with its words, buttons and last status; windows sharing one host's binding and
// session; trace files opened once, locked, or read-only; the configuration sent whole.
#include <fcntl.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "agent/OpenTraceFile.h"
#include "agent/DocumentTestKit.h"

namespace agent::test {
namespace {

using rpc::AgentOp;

struct OpeningCase {
    const char* name;
    std::string server;
    std::uint32_t serviceExists = 0;
    std::uint32_t serviceRunning = 0;
    core::PromptAnswer answer = core::PromptAnswer::Ok;
    bool agentListening = true;
    std::uint32_t pingStatus = 0;
    std::uint32_t createStatus = 0;
    // Expected:
    bool opens = true;
    std::vector<std::string> said{};
    rpc::RpcStatus lastStatus = 0;
    int cursors = 1;  // wait cursors shown (each one also ended)
    std::vector<std::string> dialogs{};
    int pings = 1;
};

void PrintTo(const OpeningCase& c, std::ostream* os) { *os << c.name; }

const OpeningCase kOpenings[] = {
    {.name = "TrimmedLowerCaseServer", .server = "  LocalHost "},
    {.name = "UnknownHost", .server = "no-such-host.invalid", .opens = false,
     .said = {"Invalid server name entered."}, .cursors = 0, .pings = 0},
    {.name = "NoAgentService", .server = "127.0.0.1", .serviceExists = 1060, .opens = false, .lastStatus = 1060,
     .pings = 0},
    {.name = "AgentStoppedAndNotStarted", .server = "127.0.0.1", .serviceRunning = 1062,
     .answer = core::PromptAnswer::Cancel, .opens = false, .said = {"Agent is not running. Do you want to start it?"},
     .lastStatus = 1062, .pings = 0},
    {.name = "AgentStoppedAndServicesDialogRun", .server = "127.0.0.1", .serviceRunning = 1062,
     .said = {"Agent is not running. Do you want to start it?"}, .dialogs = {"127.0.0.1 PalometSrv"}},
    {.name = "ServiceStateUnknown", .server = "127.0.0.1", .serviceRunning = 5, .opens = false, .lastStatus = 5,
     .pings = 0},
    {.name = "NothingListens", .server = "127.0.0.1", .agentListening = false, .opens = false,
     .said = {"Ping failed - 1722\n", "The RPC server is unavailable."}, .lastStatus = 1722, .pings = 0},
    {.name = "PingRefused", .server = "localhost", .pingStatus = 5, .opens = false,
     .said = {"Ping failed - 5\n", "Access is denied."}, .lastStatus = 5},
    {.name = "SessionNotCreatedStillOpens", .server = "localhost", .createStatus = 1723,
     .said = {"SnapSessionCreate failed - 1723\n"}, .lastStatus = 1723},
};

class Opening : public ::testing::TestWithParam<OpeningCase> {};

TEST_P(Opening, SaysWhatTheStepSays) {
    const OpeningCase& c = GetParam();
    InProcessAgent agent(agentd::test::ListConfig(0));
    agent.SetSessionStatus(AgentOp::Ping, c.pingStatus);
    agent.SetSessionStatus(AgentOp::SnapSessionCreate, c.createStatus);
    std::uint16_t port = agent.Port();
    if (!c.agentListening) {
        platform::TcpListener closed;  // a port that was free a moment ago and refuses now
        closed.Listen(0x7F000001, 0);
        port = closed.Port();
    }
    TestApp app(port, c.answer);
    app.services.exists = c.serviceExists;
    app.services.running = c.serviceRunning;
    const auto path = testutil::TempPath("opening.tns");
    auto doc = std::make_unique<CKestroDoc>(app.context);
    auto profile = std::make_unique<profiles::CSessionProfile>();
    profile->serverAddress = c.server;
    profile->traceFile = path;
    EXPECT_EQ(doc->OnNewDocument(std::move(profile)), c.opens);
    EXPECT_EQ(app.Said(), c.said);
    for (const auto& m : app.prompt.Messages()) {
        EXPECT_EQ(m.icon, core::PromptIcon::None);
        EXPECT_EQ(m.buttons, m.text.starts_with("Agent is not running") ? core::PromptButtons::OkCancel
                                                                        : core::PromptButtons::Ok);
    }
    EXPECT_EQ(doc->LastStatus(), c.lastStatus);
    EXPECT_EQ(app.cursor.begun, c.cursors);
    EXPECT_EQ(app.cursor.ended, c.cursors);
    EXPECT_EQ(app.dialogs, c.dialogs);
    EXPECT_EQ(agent.Calls(AgentOp::Ping), c.pings);
    if (c.server == "  LocalHost ") {
        EXPECT_EQ(doc->Profile().serverAddress, "localhost");
        EXPECT_EQ(app.services.asked, std::vector<std::string>{"localhost PalometSrv"});
    }
    EXPECT_EQ(app.openTraces.Contains(path), c.opens);
    doc.reset();
    EXPECT_EQ(app.bindings.References(0x7F000001), 0u) << "a failed opening gives its reference back";
    EXPECT_EQ(app.openTraces.Size(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Steps, Opening, ::testing::ValuesIn(kOpenings),
                         [](const auto& test) { return std::string(test.param.name); });

// Two windows on one host, named two ways: one Ping, one session, closed with the last window.
TEST(BindingSharing, WindowsOnOneHostShareOneSession) {
    InProcessAgent agent(agentd::test::ListConfig(0));
    TestApp app(agent.Port());
    auto first = app.Open("  LocalHost ", testutil::TempPath("first.tns"));
    auto second = app.Open("127.0.0.1", testutil::TempPath("second.tns"));
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->Binding(), second->Binding());
    EXPECT_EQ(app.bindings.References(0x7F000001), 2u);
    EXPECT_EQ(agent.Calls(AgentOp::Ping), 1);
    EXPECT_EQ(agent.Calls(AgentOp::SnapSessionCreate), 1);
    EXPECT_EQ(app.cursor.begun, 1) << "the second window makes no service check";
    first.reset();
    EXPECT_EQ(agent.Calls(AgentOp::SnapSessionClose), 0);
    second.reset();
    EXPECT_EQ(agent.Calls(AgentOp::SnapSessionClose), 1);
    EXPECT_EQ(app.bindings.References(0x7F000001), 0u);
}

TEST(BindingSharing, AnOpeningThatFailedBeforeBindingClosesNoSession) {
    InProcessAgent agent(agentd::test::ListConfig(0));
    TestApp app(agent.Port());
    app.services.exists = 1060;
    EXPECT_EQ(app.Open("localhost", testutil::TempPath("failed.tns")), nullptr);
    app.services.exists = 0;
    auto doc = app.Open("localhost", testutil::TempPath("after.tns"));
    ASSERT_TRUE(doc);
    EXPECT_EQ(agent.Calls(AgentOp::Ping), 1);
    doc.reset();
    EXPECT_EQ(agent.Calls(AgentOp::SnapSessionClose), 1);
}

// A saved trace makes no agent call, even when it closes, and is never opened for writing.
TEST(SavedTrace, OpensReadOnlyWithoutTheAgent) {
    InProcessAgent agent(agentd::test::ListConfig(0));
    TestApp app(agent.Port());
    const auto path = testutil::TempPath("saved.tns");
    std::ofstream(path) << "any bytes";
    auto doc = app.Open("localhost", path, /*saved=*/true);
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->GetTitle(), path);
    const core::FileHandle file = doc->TakeTraceFile();
    EXPECT_EQ(::fcntl(file.Fd(), F_GETFL) & O_ACCMODE, O_RDONLY);
    doc.reset();
    for (int op = 0; op < rpc::kAgentOpCount; ++op) EXPECT_EQ(agent.Calls(static_cast<AgentOp>(op)), 0);
    EXPECT_EQ(std::filesystem::file_size(path), 9u);
}

// Another program (here: another application with its own lists) writing the trace keeps it.
TEST(LiveTrace, IsLockedBeforeItIsEmptied) {
    InProcessAgent agent(agentd::test::ListConfig(0));
    TestApp app(agent.Port());
    TestApp other(agent.Port());
    const auto path = testutil::TempPath("locked.tns");
    auto doc = app.Open("localhost", path);
    ASSERT_TRUE(doc);
    const core::FileHandle writer = doc->TakeTraceFile();
    ASSERT_TRUE(writer.WriteAt(0, std::vector<std::uint8_t>(100, 7)).Ok());
    EXPECT_EQ(other.Open("localhost", path), nullptr);
    EXPECT_EQ(other.Said(), std::vector<std::string>{"Trace file could not be opened!"});
    EXPECT_EQ(std::filesystem::file_size(path), 100u);
}

TEST(LiveTrace, OneWindowPerFile) {
    InProcessAgent agent(agentd::test::ListConfig(0));
    TestApp app(agent.Port());
    const auto path = testutil::TempPath("once.tns");
    auto profile = [&](const std::string& file) {
        auto p = std::make_unique<profiles::CSessionProfile>();
        p->serverAddress = "localhost";
        p->traceFile = file;
        return p;
    };
    auto doc = OpenTraceFile(app.context, profile(path));
    ASSERT_TRUE(doc);
    const auto relative = std::filesystem::relative(path).string();
    EXPECT_EQ(OpenTraceFile(app.context, profile(relative)), nullptr);
    EXPECT_EQ(app.Said(), std::vector<std::string>{"Tracefile " + relative + "\n is already opened!"});
    doc.reset();
    EXPECT_NE(OpenTraceFile(app.context, profile(relative)), nullptr);
}

// Identity, not spelling: relative, absolute and linked names of one file are one file;
// letter case makes another.
TEST(OpenTraces, CompareFilesByIdentity) {
    const auto dir = std::filesystem::path(testutil::TempPath("ids"));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "a.tns") << "x";
    std::ofstream(dir / "A.tns") << "y";
    std::filesystem::remove(dir / "link.tns");
    std::filesystem::create_symlink(dir / "a.tns", dir / "link.tns");
    struct Case {
        std::string added;
        std::string asked;
        bool same;
    };
    const std::string d = dir.string();
    const Case cases[] = {
        {d + "/a.tns", d + "/./a.tns", true},
        {d + "/a.tns", std::filesystem::relative(dir / "a.tns").string(), true},
        {d + "/a.tns", d + "/link.tns", true},
        {d + "/a.tns", d + "/A.tns", false},
        {d + "/new.tns", d + "/sub/../new.tns", true},   // neither exists yet
        {d + "/new.tns", d + "/New.tns", false},
    };
    for (const auto& c : cases) {
        OpenTraceList list;
        list.Add(c.added);
        EXPECT_EQ(list.Contains(c.asked), c.same) << c.added << " / " << c.asked;
        list.Remove(c.asked);
        EXPECT_EQ(list.Size(), c.same ? 0u : 1u);
    }
}

// The configuration goes to the agent as serialised, however long; beyond what an agent
// accepts the opening refuses it.
TEST(Configuration, IsSentWholeAndRefusedBeyondTheAgentLimit) {
    InProcessAgent agent(agentd::test::ListConfig(0));
    TestApp app(agent.Port());
    for (const std::size_t words : {1500u, 20000u}) {
        auto profile = std::make_unique<profiles::CSessionProfile>();
        profile->serverAddress = "localhost";
        profile->traceFile = testutil::TempPath("conf" + std::to_string(words) + ".tns");
        profile->captureConfiguration.firstList.assign(words, 9);
        CKestroDoc doc(app.context);
        const bool opened = doc.OnNewDocument(std::move(profile));
        if (words == 1500) {
            ASSERT_TRUE(opened);
            EXPECT_EQ(doc.StartSnapper(0), rpc::kRpcOk) << "the agent refuses a cut configuration with 87";
            EXPECT_EQ(doc.StopSnapper(), rpc::kRpcOk);
        } else {
            EXPECT_FALSE(opened);
            EXPECT_EQ(app.Said().back(), "The capture filter takes 80068 bytes; an agent accepts at most 65536.");
        }
    }
}

}  // namespace
}  // namespace agent::test
