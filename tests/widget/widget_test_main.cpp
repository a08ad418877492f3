// Widget tests run on Qt's offscreen platform, inside one QApplication.
//
// --font-folder=FOLDER makes the offscreen platform read its fonts from FOLDER: where it
// finds none of its own (the Windows build under Wine), the tests still measure and draw
// with the same faces as on Linux.
#include <gtest/gtest.h>

#include <QApplication>
#include <QByteArrayView>
#include <QDir>
#include <QStandardPaths>

#include "ui/resources.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    constexpr QByteArrayView kFontFolder = "--font-folder=";
    for (int i = 1; i < argc; ++i) {
        const QByteArrayView argument(argv[i]);
        if (argument.startsWith(kFontFolder)) {
            qputenv("QT_QPA_FONTDIR", argument.sliced(kFontFolder.size()).toByteArray());
        }
    }
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    // A user folder of each test process's own: ctest runs the tests of one program side by
    // side, and tests that empty that folder must not empty another's.
    QApplication::setApplicationName(
        QStringLiteral("TavroWidgetTests-%1").arg(QCoreApplication::applicationPid()));
    QApplication::setQuitOnLastWindowClosed(false);
    tavro::initResources();
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    QDir(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation))
        .removeRecursively();
    return result;
}
