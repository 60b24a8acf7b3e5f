// palomet: the workbench. Every argument is a trace file to open, in order; --live (or
// --profile) opens a live capture window on an agent beside them.
#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

#include "app/CKestroApp.h"
#include "app/QuitOnSignals.h"
#include "profiles/CSessionProfile.h"
#include "profiles/ProfileStore.h"
#include "session/ServerName.h"
#include "widgets/QtUserPrompt.h"
#ifdef PALOMET_SIMULATED_SERVICES
#include "services/simulated/SimulatedServices.h"
#endif

namespace {

struct Arguments {
    QStringList files;
    QString live;
    QString out;
    QString profile;
};

void Name() {
    QCoreApplication::setApplicationName(QStringLiteral("Palomet Manager"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PALOMET_VERSION));
}

// Read with no window system behind it, so that --help, --version and a mistyped option
// answer on a terminal that has no display.
Arguments ReadArguments(int argc, char* argv[]) {
    QCoreApplication terminal(argc, argv);
    Name();
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Palomet Manager: browse trace files and live captures."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption live(QStringLiteral("live"),
                                  QStringLiteral("Open a live capture window on the agent at HOST, or on the agent "
                                                 "reached through ssh://[user@]host[:sshport] (endpoint mapper on "
                                                 "PORT, else $PALOMET_EPM_PORT, else 135)."),
                                  QStringLiteral("HOST[:PORT]"));
    const QCommandLineOption out(QStringLiteral("out"),
                                 QStringLiteral("Trace file the live capture writes (default: capture.tns in the "
                                                "user's data directory)."),
                                 QStringLiteral("FILE.tns"));
    const QCommandLineOption profile(QStringLiteral("profile"),
                                     QStringLiteral("Open a live capture window on the stored session profile NAME."),
                                     QStringLiteral("NAME"));
    parser.addOption(live);
    parser.addOption(out);
    parser.addOption(profile);
    parser.addPositionalArgument(QStringLiteral("files"), QStringLiteral("Trace files (.tns) to open."),
                                 QStringLiteral("[FILE.tns...]"));
    parser.process(terminal);
    return {parser.positionalArguments(), parser.value(live), parser.value(out), parser.value(profile)};
}

}  // namespace

int main(int argc, char* argv[]) {
    const Arguments arguments = ReadArguments(argc, argv);
#ifdef PALOMET_SIMULATED_SERVICES
    services::OfferSimulatedServices();
#endif
    QApplication application(argc, argv);
    Name();
    app::QuitOnSignals();

    widgets::QtUserPrompt prompt(nullptr);
    widgets::QtWaitCursor wait;
    app::CKestroApp workbench(prompt, wait);
    workbench.InitInstance({});
    prompt.SetParent(&workbench.MainFrame());

    std::uint16_t epmPort = 0;
    std::string host;
    if (!arguments.live.isEmpty()) {
        const auto live = session::ParseLiveServer(arguments.live.toStdString());
        if (!live) {
            prompt.Tell(
                "--live wants HOST or HOST:PORT, or ssh://[user@]host[:sshport][:PORT], with ports from 1 "
                "to 65535.",
                core::PromptIcon::Exclamation);
            return 2;
        }
        host = live->server;
        epmPort = live->epmPort;
    }
    for (const QString& file : arguments.files) workbench.OpenSavedTrace(QFileInfo(file).absoluteFilePath());
    if (!host.empty()) {
        const std::string trace = !arguments.out.isEmpty() ? QFileInfo(arguments.out).absoluteFilePath().toStdString()
                                                           : profiles::DefaultTraceFile();
        workbench.OpenLiveCapture(host, epmPort, trace);
    }
    if (!arguments.profile.isEmpty()) {
        profiles::ProfileStore store(prompt);
        auto found = store.Find(arguments.profile.toStdString());
        if (found)
            workbench.OpenTraceFile(std::make_unique<profiles::CSessionProfile>(std::move(found).Value()));
        else
            prompt.Tell(found.Err().text, core::PromptIcon::Exclamation);
    }
    // Windows opened together are shown side by side.
    if (workbench.MainFrame().Children().size() > 1) workbench.MainFrame().MdiArea().tileSubWindows();
    return QApplication::exec();
}
