#include <QApplication>
#include <QPixmapCache>

#include "platform/program_folder.h"
#include "platform/shutdown.h"
#include "ui/form1.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavro"));
    // The program lives in the tray: closing a dialog while the main window is hidden must
    // not end it. It ends when the main window is unloaded.
    QApplication::setQuitOnLastWindowClosed(false);
    // The pixmap cache sweeps itself with a timer that wakes the idle program; this small
    // window draws fast enough without it.
    QPixmapCache::setCacheLimit(0);

    tavro::Form1::Options options;
    options.programFolder = tavro::programFolderPath();
    tavro::Form1 form(options);
    if (!form.Form_Load()) {
        return 0;
    }
    // Quitting while the start-up load let events through ends the program here.
    const int exitCode = form.hasEnded() ? 0 : QApplication::exec();
    tavro::limitShutdownWait(exitCode);
    return exitCode;
}
