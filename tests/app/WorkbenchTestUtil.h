// The workbench under test: a QApplication on the offscreen platform, the application object
// with its messages recorded, and screenshots kept when PALOMET_SCREENSHOTS names a folder.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>
#include <cstdlib>
#include <memory>
#include <string>

#include "agentd/AgentDaemon.h"
#include "agentd/PcapSource.h"
#include "app/CKestroApp.h"
#include "core/UserPrompt.h"

namespace testutil {

inline const QString kSample = QStringLiteral(PALOMET_SOURCE_DIR "/samples/sample.tns");

// One application for the whole run, made on first use and deleted after the last test,
// before static destruction (Qt's own objects must go while Qt is still there).
class QtEnvironment final : public ::testing::Environment {
public:
    void TearDown() override { s_app.reset(); }
    static QApplication& App() {
        static int argc = 1;
        static char name[] = "test_app";
        static char* argv[] = {name, nullptr};
        if (!s_app) s_app = std::make_unique<QApplication>(argc, argv);
        return *s_app;
    }

private:
    static inline std::unique_ptr<QApplication> s_app;
};
inline ::testing::Environment* const kQtEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

inline QApplication& App() { return QtEnvironment::App(); }

struct Workbench {
    core::RecordingPrompt prompt;
    core::WaitCursor wait;
    app::CKestroApp app{prompt, wait};

    explicit Workbench(const QStringList& files = {}) {
        App();
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

// Saves what the user would see of widget, when screenshots are asked for.
inline void Screenshot(QWidget& widget, const char* name) {
    const char* dir = std::getenv("PALOMET_SCREENSHOTS");
    if (dir == nullptr || *dir == '\0') return;
    QApplication::processEvents();
    widget.grab().save(QString::fromUtf8(dir) + QLatin1Char('/') + QString::fromUtf8(name) + QStringLiteral(".png"));
}

}  // namespace testutil
