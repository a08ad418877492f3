#include <QApplication>
#include <QPixmapCache>
#include <cstdio>

#include "app/application.h"
#include "core/command_line.h"
#include "core/qt_platform_choice.h"
#include "platform/autostart.h"
#include "platform/console.h"
#include "platform/program_folder.h"
#include "platform/shutdown.h"

namespace {

QStringList argumentsAfterProgramName(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.append(QString::fromLocal8Bit(argv[i]));
    }
    return arguments;
}

int reportUsage(const QString& problem) {
    tavro::useParentConsole();
    std::fprintf(stderr, "tavro: %s\n%s\n", qPrintable(problem), qPrintable(tavro::usageLine()));
    return tavro::kUsageExitCode;
}

// Changes the start at login and reports it; no window, no check for a running copy.
int changeStartAtLogin(int argc, char* argv[], bool on) {
    QCoreApplication app(argc, argv);
    const tavro::AutostartOutcome outcome = tavro::setStartAtLogin(on);
    tavro::useParentConsole();
    std::fprintf(outcome.done ? stdout : stderr, "%s\n", qPrintable(outcome.message));
    return outcome.done ? 0 : 1;
}

}  // namespace

int main(int argc, char* argv[]) {
    // The program's own options need no desktop, so they are read before Qt connects to one.
    const tavro::CommandLine command =
        tavro::parseCommandLine(argumentsAfterProgramName(argc, argv));
    switch (command.action) {
        case tavro::CommandLine::Action::Help:
            tavro::useParentConsole();
            std::printf("%s\n", qPrintable(tavro::usageLine()));
            return 0;
        case tavro::CommandLine::Action::Invalid:
            return reportUsage(command.problem);
        case tavro::CommandLine::Action::AutostartOn:
        case tavro::CommandLine::Action::AutostartOff:
            return changeStartAtLogin(argc, argv,
                                      command.action == tavro::CommandLine::Action::AutostartOn);
        case tavro::CommandLine::Action::Run:
            break;
    }
    // In a Wayland session the program watches the clipboard through XWayland.
    if (const auto platform = tavro::chooseQtPlatform(tavro::currentSessionEnvironment())) {
        qputenv("QT_QPA_PLATFORM", *platform);
    }
    QApplication app(argc, argv);
    // Whatever Qt did not take as its own option is not understood.
    if (QCoreApplication::arguments().size() > 1) {
        return reportUsage(
            QStringLiteral("unknown argument %1").arg(QCoreApplication::arguments().at(1)));
    }
    QApplication::setApplicationName(QStringLiteral("Tavro"));
    // The program lives in the tray: closing a dialog while the main window is hidden must
    // not end it. It ends when the main window is unloaded.
    QApplication::setQuitOnLastWindowClosed(false);
    // The pixmap cache sweeps itself with a timer that wakes the idle program; this small
    // window draws fast enough without it.
    QPixmapCache::setCacheLimit(0);

    tavro::Application::Options options;
    options.programFolder = tavro::programFolderPath();
    tavro::Application application(options);
    if (!application.start()) {
        return 0;
    }
    // Quitting while the start-up load let events through ends the program here.
    const int exitCode = application.hasEnded() ? 0 : QApplication::exec();
    tavro::limitShutdownWait(exitCode);
    return exitCode;
}
