#include <QApplication>

#include "ui/form1.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavro"));
    QApplication::setOrganizationName(QStringLiteral("Tavro"));
    // The program lives in the tray: closing a dialog while the main window is hidden must
    // not end it. It ends when the main window is unloaded.
    QApplication::setQuitOnLastWindowClosed(false);

    tavro::Form1::Options options;
    options.programFolder = QCoreApplication::applicationDirPath();
    tavro::Form1 form(options);
    if (!form.Form_Load()) {
        return 0;
    }
    return QApplication::exec();
}
