// The workbench under test: the application object with its messages recorded, on the tests'
// one QApplication (support/QtApp.h, which also keeps screenshots).
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <string>

#include "app/CKestroApp.h"
#include "core/UserPrompt.h"
#include "support/QtApp.h"

namespace testutil {

inline const QString kSample = QStringLiteral(PALOMET_SOURCE_DIR "/samples/sample.tns");

struct Workbench {
    core::RecordingPrompt prompt;
    core::WaitCursor wait;
    app::CKestroApp app{prompt, wait};

    explicit Workbench(const QStringList& files = {}) {
        support::QtApp();
        app.InitInstance(files);
        QApplication::processEvents();
    }
    app::CMainFrame& Frame() { return app.MainFrame(); }
};

}  // namespace testutil
