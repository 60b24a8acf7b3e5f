// The workbench under test: the application object with its messages recorded and its
// settings in the test's own registry (so two workbenches of one test share what they
// remember), on the tests' one QApplication (support/QtApp.h, which also keeps screenshots).
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <memory>
#include <string>

#include "agentd/AgentDaemon.h"
#include "agentd/PcapSource.h"
#include "app/CKestroApp.h"
#include "core/UserPrompt.h"
#include "support/QtApp.h"
#include "support/Scratch.h"

namespace testutil {

inline const QString kSample = QStringLiteral(PALOMET_SOURCE_DIR "/samples/sample.tns");

struct Workbench {
    core::RecordingPrompt prompt;
    core::WaitCursor wait;
    app::CKestroApp app{prompt, wait, support::TempPath("registry.sqlite")};

    explicit Workbench(const QStringList& files = {}) {
        support::QtApp();
        app.InitInstance(files);
        QApplication::processEvents();
    }
    app::CMainFrame& Frame() { return app.MainFrame(); }
};

// An agent on loopback replaying samples/sample.pcap in a loop at the file's own pace
// (screens of some 1,500 frames); its endpoint mapper on a free port.
inline std::unique_ptr<agentd::AgentDaemon> StartReplayAgent() {
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

}  // namespace testutil
