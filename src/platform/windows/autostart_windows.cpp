// Start at login on Windows: the program's path under the user's Run key.
#include <QCoreApplication>
#include <QDir>
#include <QSettings>

#include "platform/autostart.h"

namespace tavro {

AutostartOutcome setStartAtLogin(bool on) {
    QSettings run(
        QStringLiteral("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"),
        QSettings::NativeFormat);
    const QString name = QStringLiteral("Tavro");
    const QString program = QDir::toNativeSeparators(QCoreApplication::applicationFilePath());
    if (on) {
        run.setValue(name, QLatin1Char('"') + program + QLatin1Char('"'));
    } else {
        run.remove(name);
    }
    run.sync();
    if (run.status() != QSettings::NoError) {
        return {false, QStringLiteral("could not change the Run key of the registry")};
    }
    return {true, on ? QStringLiteral("Tavro starts at login (%1)").arg(program)
                     : QStringLiteral("Tavro no longer starts at login")};
}

}  // namespace tavro
