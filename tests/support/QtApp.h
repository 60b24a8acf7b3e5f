// The Qt side of the widget tests (header only: the support library itself has no Qt): one
// application for the whole run on the platform ctest names (offscreen), made before the
// first test (or on first use, for what runs earlier) and deleted after the last test, before
// static destruction (Qt's own objects must go while Qt is still there); and pictures of what
// the user would see, kept when PALOMET_SCREENSHOTS names a folder. Settings the widgets
// store go to a registry file in the program's scratch folder.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>
#include <cstdlib>
#include <memory>

#include "support/Scratch.h"

namespace support {

class QtEnvironment final : public ::testing::Environment {
public:
    void SetUp() override { App(); }
    void TearDown() override { s_app.reset(); }
    static QApplication& App() {
        static int argc = 1;
        static char name[] = "palomet-test";
        static char* argv[] = {name, nullptr};
        // Preferences the widgets keep (which panes show) go to a registry of the run's own,
        // never the user's.
        if (std::getenv("PALOMET_REGISTRY") == nullptr)
            ::setenv("PALOMET_REGISTRY", TempPath("gui-registry.sqlite").c_str(), 1);
        if (!s_app) s_app = std::make_unique<QApplication>(argc, argv);
        return *s_app;
    }

private:
    static inline std::unique_ptr<QApplication> s_app;
};
inline ::testing::Environment* const kQtEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

inline QApplication& QtApp() { return QtEnvironment::App(); }

// Shows widget and lets it paint; saves it as PALOMET_SCREENSHOTS/name.png when that is set.
inline void Screenshot(QWidget& widget, const char* name) {
    widget.show();
    QApplication::processEvents();
    const char* dir = std::getenv("PALOMET_SCREENSHOTS");
    if (dir == nullptr || *dir == '\0') return;
    widget.grab().save(QString::fromUtf8(dir) + QLatin1Char('/') + QString::fromUtf8(name) + QStringLiteral(".png"));
}

}  // namespace support
