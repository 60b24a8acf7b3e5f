// Live windows on an agent reached through ssh:// against a real sshd: opened by the
// workbench (its service check rides the same SSH connection), and `palomet --live
// ssh://user@host:port` as a program, ended by SIGTERM as Ctrl-C would.
#include <QMdiSubWindow>
#include <QTest>
#include <cstdlib>
#include <filesystem>

#include "app/WorkbenchTestUtil.h"
#include "capture/TraceTestUtil.h"
#include "session/AgentTestKit.h"
#include "session/SshFixture.h"
#include "support/Programs.h"
#include "support/Scratch.h"
#include "support/WaitUntil.h"

namespace {

using session::test::SshFixture;

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
    const auto agent = testutil::StartReplayAgent();
    ASSERT_TRUE(agent);
    const auto trace = support::TempPath("ssh-live.tns");
    testutil::Workbench w;
    ASSERT_TRUE(w.app.OpenLiveCapture(m_host.Server(), *agent->EpmPort(), trace))
        << (w.prompt.Messages().empty() ? "" : w.prompt.Messages()[0].text);
    app::CChildFrame* child = w.Frame().ActiveChild();
    ASSERT_NE(child, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return child->View().BlockCount() >= 2; }, 30000));
    support::Screenshot(w.Frame(), "live-window-ssh");
    EXPECT_TRUE(w.prompt.Messages().empty()) << w.prompt.Messages()[0].text;
    EXPECT_EQ(m_host.Logins(), 1) << "the service check and the agent's streams share one login";
    QPointer<app::CChildFrame> closing(child);
    w.Frame().MdiArea().subWindowList().front()->close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return closing.isNull(); }, 30000));
    ExpectFinishedTrace(trace);
}

TEST_F(SshLive, PalometLiveTakesAnSshServerWithItsPort) {
    const auto agent = testutil::StartReplayAgent();
    ASSERT_TRUE(agent);
    const auto trace = support::TempPath("ssh-live-program.tns");
    std::filesystem::remove(trace);
    support::Process palomet("env QT_QPA_PLATFORM=offscreen PALOMET_EPM_PORT=" + std::to_string(*agent->EpmPort()) +
                             " PALOMET_SSH=" + m_host.Ssh() + " " + PALOMET_BIN_DIR "/palomet --live " +
                             m_host.Server() + " --out " + trace);
    ASSERT_TRUE(
        support::WaitUntil([&] { return std::filesystem::exists(trace) && std::filesystem::file_size(trace) > 2000; }));
    palomet.Signal(SIGTERM);
    palomet.Wait();
    ExpectFinishedTrace(trace);
}

}  // namespace
