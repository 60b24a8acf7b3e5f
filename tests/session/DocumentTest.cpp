// The capture document against the agent of this process: every step of the session
// opening with its words, buttons and last status; windows sharing one host's binding and
// session; trace files opened once, locked, or read-only; the configuration sent whole.
#include <fcntl.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "session/AgentTestKit.h"
#include "session/OpenTraceFile.h"

namespace session::test {
namespace {

using rpc::AgentOp;

struct OpeningCase {
    const char* name;
    std::string server = "localhost";
    std::uint32_t exists = 0, running = 0, ping = 0, create = 0;  // what the service check and agent answer
    core::PromptAnswer answer = core::PromptAnswer::Ok;
    bool listening = true;
    bool opens = true;  // expected from here on
    std::vector<std::string> said{};
    rpc::RpcStatus last = 0;
    int cursors = 1;
    int pings = 1;  // each Ping that reached the agent is answered by a SnapSessionClose at the end
};

void PrintTo(const OpeningCase& c, std::ostream* os) { *os << c.name; }

const OpeningCase kOpenings[] = {
    {.name = "TrimmedLowerCaseServer", .server = "  LocalHost "},
    {.name = "UnknownHost",
     .server = "no-such-host.invalid",
     .opens = false,
     .said = {"Invalid server name entered."},
     .cursors = 0,
     .pings = 0},
    {.name = "NoAgentService", .exists = 1060, .opens = false, .last = 1060, .pings = 0},
    {.name = "AgentStoppedAndLeftSo",
     .running = 1062,
     .answer = core::PromptAnswer::Cancel,
     .opens = false,
     .said = {"Agent is not running. Do you want to start it?"},
     .last = 1062,
     .pings = 0},
    {.name = "AgentStoppedAndServicesDialogRun",
     .running = 1062,
     .said = {"Agent is not running. Do you want to start it?"}},
    {.name = "ServiceStateUnknown", .running = 5, .opens = false, .last = 5, .pings = 0},
    {.name = "NothingListens",
     .listening = false,
     .opens = false,
     .said = {"Ping failed - 1722\n", "The RPC server is unavailable."},
     .last = 1722,
     .pings = 0},
    {.name = "PingRefused", .ping = 5, .opens = false, .said = {"Ping failed - 5\n", "Access is denied."}, .last = 5},
    {.name = "SessionNotCreatedStillOpens",
     .create = 1723,
     .said = {"SnapSessionCreate failed - 1723\n"},
     .last = 1723},
};

class Opening : public ::testing::TestWithParam<OpeningCase> {};

TEST_P(Opening, SaysWhatTheStepSays) {
    const OpeningCase& c = GetParam();
    InProcessAgent agent;
    agent.sessionStatus[0] = c.ping;
    agent.sessionStatus[1] = c.create;
    std::uint16_t refusing = 0;  // a port that was free a moment ago and refuses now
    {
        platform::TcpListener closed;
        closed.Listen(0x7F000001, 0);
        refusing = closed.Port();
    }
    TestApp app(c.listening ? agent.Port() : refusing, c.answer);
    app.services.exists = c.exists;
    app.services.running = c.running;
    const auto path = support::TempPath("opening.tns");
    auto doc = std::make_unique<CKestroDoc>(app.context);
    auto profile = std::make_unique<profiles::CSessionProfile>();
    profile->serverAddress = c.server;
    profile->traceFile = path;
    EXPECT_EQ(doc->OnNewDocument(std::move(profile)), c.opens);
    EXPECT_EQ(app.Said(), c.said);
    for (const auto& m : app.prompt.Messages()) {
        EXPECT_EQ(m.buttons, m.text.ends_with("start it?") ? core::PromptButtons::OkCancel : core::PromptButtons::Ok);
    }
    EXPECT_EQ(doc->LastStatus(), c.last);
    EXPECT_EQ(app.cursor.begun, c.cursors);
    EXPECT_EQ(app.cursor.ended, c.cursors);
    EXPECT_EQ(app.dialogs.size(), c.running == 1062 && c.opens ? 1u : 0u);
    EXPECT_EQ(agent.Calls(AgentOp::Ping), c.pings);
    EXPECT_EQ(app.services.asked, std::vector<std::string>(c.cursors, "localhost PalometSrv"));
    EXPECT_EQ(doc->Profile().serverAddress, c.server == "  LocalHost " ? "localhost" : c.server);
    EXPECT_EQ(app.openTraces.Contains(path), c.opens);
    doc.reset();
    EXPECT_EQ(app.bindings.References(AgentBindingTable::KeyOf(0x7F000001)), 0u)
        << "a failed opening gives its reference back";
    EXPECT_EQ(agent.Calls(AgentOp::SnapSessionClose), c.pings) << "never through a binding that was not made";
    EXPECT_EQ(app.openTraces.Size(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Steps, Opening, ::testing::ValuesIn(kOpenings),
                         [](const auto& test) { return std::string(test.param.name); });

// Two windows on one host, named two ways: one Ping, one session, closed with the last window.
TEST(BindingSharing, WindowsOnOneHostShareOneSession) {
    InProcessAgent agent;
    TestApp app(agent.Port());
    auto first = app.Open("  LocalHost ", support::TempPath("first.tns"));
    auto second = app.Open("127.0.0.1", support::TempPath("second.tns"));
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->Binding(), second->Binding());
    EXPECT_EQ(agent.Calls(AgentOp::Ping) + agent.Calls(AgentOp::SnapSessionCreate), 2);
    EXPECT_EQ(app.cursor.begun, 1) << "the second window makes no service check";
    first.reset();
    EXPECT_EQ(agent.Calls(AgentOp::SnapSessionClose), 0);
    second.reset();
    EXPECT_EQ(agent.Calls(AgentOp::SnapSessionClose), 1);
}

// A saved trace is opened read-only and makes no agent call, not even when it closes; a live
// trace is locked before it is emptied, so another program's capture is never truncated.
TEST(TraceFiles, SavedReadOnlyLiveLockedOneWindowEach) {
    InProcessAgent agent;
    TestApp app(agent.Port());
    const auto saved = support::TempPath("saved.tns");
    support::WriteText(saved, "any bytes");
    auto doc = app.Open("localhost", saved, /*saved=*/true);
    ASSERT_TRUE(doc);
    EXPECT_EQ(::fcntl(doc->TakeTraceFile().Fd(), F_GETFL) & O_ACCMODE, O_RDONLY);
    doc.reset();
    EXPECT_EQ(agent.Calls(AgentOp::Ping) + agent.Calls(AgentOp::SnapSessionClose), 0);

    const auto live = support::TempPath("live.tns");
    doc = app.Open("localhost", live);
    ASSERT_TRUE(doc);
    const core::FileHandle writer = doc->TakeTraceFile();
    ASSERT_TRUE(writer.WriteAt(0, std::vector<std::uint8_t>(100, 7)).Ok());
    TestApp otherProgram(agent.Port());
    EXPECT_EQ(otherProgram.Open("localhost", live), nullptr);
    EXPECT_EQ(otherProgram.Said(), std::vector<std::string>{"Trace file could not be opened!"});
    EXPECT_EQ(std::filesystem::file_size(live), 100u);

    auto profile = std::make_unique<profiles::CSessionProfile>();
    profile->traceFile = std::filesystem::relative(live).string();
    EXPECT_EQ(OpenTraceFile(app.context, std::move(profile)), nullptr);
    EXPECT_EQ(app.Said().back(), "Tracefile " + std::filesystem::relative(live).string() + "\n is already opened!");
}

// Identity, not spelling: relative, absolute and linked names of one file are one file;
// letter case makes another.
TEST(OpenTraces, CompareFilesByIdentity) {
    const std::string d = support::TempPath("ids");
    std::filesystem::create_directories(d);
    support::WriteText(d + "/a.tns", "x");
    support::WriteText(d + "/A.tns", "y");
    std::filesystem::create_symlink(d + "/a.tns", d + "/link.tns");
    const std::tuple<std::string, std::string, bool> cases[] = {
        {"/a.tns", "/./a.tns", true},        {"/a.tns", "/link.tns", true},   {"/a.tns", "/A.tns", false},
        {"/new.tns", "/x/../new.tns", true}, {"/new.tns", "/New.tns", false},  // these two do not exist
    };
    for (const auto& [added, asked, same] : cases) {
        OpenTraceList list;
        list.Add(d + added);
        EXPECT_EQ(list.Contains(d + asked), same) << added << " / " << asked;
        EXPECT_EQ(list.Contains(std::filesystem::relative(d + asked).string()), same);
        list.Remove(d + asked);
        EXPECT_EQ(list.Size(), same ? 0u : 1u);
    }
}

// The configuration goes to the agent as serialised however long (the agent refuses a cut
// one with 87); beyond what an agent accepts, the opening refuses it.
TEST(Configuration, IsSentWholeAndRefusedBeyondTheAgentLimit) {
    InProcessAgent agent;
    TestApp app(agent.Port());
    for (const std::size_t words : {1500u, 20000u}) {
        auto profile = std::make_unique<profiles::CSessionProfile>();
        profile->traceFile = support::TempPath("conf" + std::to_string(words) + ".tns");
        profile->captureConfiguration.firstList.assign(words, 9);
        CKestroDoc doc(app.context);
        ASSERT_EQ(doc.OnNewDocument(std::move(profile)), words == 1500);
        if (words == 1500) {
            EXPECT_EQ(doc.StartSnapper(0), platform::kRpcOk);
            EXPECT_EQ(doc.StopSnapper(), platform::kRpcOk);
        }
    }
    EXPECT_EQ(app.Said().back(), "The capture filter takes 80068 bytes; an agent accepts at most 65536.");
}

}  // namespace
}  // namespace session::test
