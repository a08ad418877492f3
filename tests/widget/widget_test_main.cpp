// Widget tests run on Qt's offscreen platform, inside one QApplication.
#include <gtest/gtest.h>

#include <QApplication>
#include <QStandardPaths>

#include "ui/resources.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("TavroWidgetTests"));
    QApplication::setQuitOnLastWindowClosed(false);
    tavroInitResources();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
