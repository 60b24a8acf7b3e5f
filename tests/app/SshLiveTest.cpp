// Live windows on an agent reached through ssh:// against a real sshd: opened by the
// workbench (its service check rides the same SSH connection), and `palomet --live
// ssh://user@host:port` as a program, ended by SIGTERM as Ctrl-C would.
#include <QMdiSubWindow>
#include <QTest>
#include <cstdlib>
#include <filesystem>

#include "agentd/AgentDaemon.h"
#include "agentd/PcapSource.h"
#include "app/WorkbenchTestUtil.h"
#include "capture/TraceTestUtil.h"
#include "session/AgentTestKit.h"
#include "session/SshFixture.h"

namespace {

using session::test::SshFixture;

// An agent on loopback replaying the sample in a loop at its own pace.
std::unique_ptr<agentd::AgentDaemon> StartAgent() {
    agentd::DaemonOptions options;
    options.epmPort = 0;
    agentd::AgentConfig config;
    config.sources = [](const capture::CPktSnapConf&) {
        return agentd::PcapSource::OpenReplay(PALOMET_SOURCE_DIR "/samples/sample.pcap",
                                              agentd::ReplayOptions{true, 1});
    };
    auto daemon = agentd::AgentDaemon::Start(options, std::move(config));
    EXPECT_TRUE(daemon) << daemon.Err().text;
    return daemon ? std::move(daemon).Value() : nullptr;
}

void ExpectFinishedTrace(const std::string& path) {
    auto reader = capture::TraceReader::Open(path);
    ASSERT_TRUE(reader.Ok());
    core::RecordingPrompt prompt;
    EXPECT_TRUE(reader.Value().Validate(prompt)) << (prompt.Messages().empty() ? "" : prompt.Messages()[0].text);
    EXPECT_GE(reader.Value().BlockCount(), 1U);
}

class SshLive : public ::testing::Test {
protected:
    void SetUp() override {
        PALOMET_NEED_SSHD(m_host);
        ::setenv("PALOMET_SSH", m_host.Ssh().c_str(), 1);
    }
    void TearDown() override { ::unsetenv("PALOMET_SSH"); }
    SshFixture m_host;
};

TEST_F(SshLive, AWindowThroughSshFillsAndClosesCleanly) {
    auto agent = StartAgent();
    ASSERT_TRUE(agent);
    const auto trace = testutil::TempPath("ssh-live.tns");
    testutil::Workbench w;
    ASSERT_TRUE(w.app.OpenLiveCapture(m_host.Server(), *agent->EpmPort(), trace))
        << (w.prompt.Messages().empty() ? "" : w.prompt.Messages()[0].text);
    app::CChildFrame* child = w.Frame().ActiveChild();
    ASSERT_NE(child, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return child->View().BlockCount() >= 2; }, 30000));
    testutil::Screenshot(w.Frame(), "live-window-ssh");
    EXPECT_TRUE(w.prompt.Messages().empty()) << w.prompt.Messages()[0].text;
    EXPECT_EQ(m_host.Logins(), 1) << "the service check and the agent's streams share one login";
    QPointer<app::CChildFrame> closing(child);
    w.Frame().MdiArea().subWindowList().front()->close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return closing.isNull(); }, 30000));
    ExpectFinishedTrace(trace);
}

TEST_F(SshLive, PalometLiveTakesAnSshServerWithItsPort) {
    auto agent = StartAgent();
    ASSERT_TRUE(agent);
    const auto trace = testutil::TempPath("ssh-live-program.tns");
    std::filesystem::remove(trace);
    session::test::Program palomet("env QT_QPA_PLATFORM=offscreen PALOMET_EPM_PORT=" +
                                   std::to_string(*agent->EpmPort()) + " PALOMET_SSH=" + m_host.Ssh() + " " +
                                   PALOMET_BIN_DIR "/palomet --live " + m_host.Server() + " --out " + trace);
    ASSERT_TRUE(session::test::WaitFor(
        [&] { return std::filesystem::exists(trace) && std::filesystem::file_size(trace) > 2000; }));
    palomet.Signal(SIGTERM);
    palomet.Wait();
    ExpectFinishedTrace(trace);
}

}  // namespace
