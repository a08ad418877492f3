// Start at login on freedesktop desktops: the program's desktop entry, with the autostart
// keys, in $XDG_CONFIG_HOME/autostart (~/.config/autostart).
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "core/desktop_entry.h"
#include "platform/autostart.h"

// Resources are registered outside any namespace.
static void initDesktopEntryResource() {
    Q_INIT_RESOURCE(desktop_entry);
}

namespace tavro {

namespace {

QString autostartFolder() {
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || QDir::isRelativePath(config)) {
        config = QDir::homePath() + QStringLiteral("/.config");
    }
    return config + QStringLiteral("/autostart");
}

QString menuEntry() {
    initDesktopEntryResource();
    QFile entry(QStringLiteral(":/desktop/") + kDesktopEntryId + QStringLiteral(".desktop"));
    return entry.open(QIODevice::ReadOnly) ? QString::fromUtf8(entry.readAll()) : QString();
}

}  // namespace

AutostartOutcome setStartAtLogin(bool on) {
    const QString path =
        autostartFolder() + QLatin1Char('/') + kDesktopEntryId + QStringLiteral(".desktop");
    if (!on) {
        if (!QFileInfo::exists(path)) {
            return {true, QStringLiteral("Tavro was not set to start at login (no %1)").arg(path)};
        }
        if (!QFile::remove(path)) {
            return {false, QStringLiteral("could not remove %1").arg(path)};
        }
        return {true, QStringLiteral("Tavro no longer starts at login: removed %1").arg(path)};
    }
    const QString program = QCoreApplication::applicationFilePath();
    const QByteArray text = autostartDesktopEntry(menuEntry(), program).toUtf8();
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (!QDir().mkpath(autostartFolder()) || !file.open(QIODevice::WriteOnly) ||
        file.write(text) != text.size() || !file.commit()) {
        return {false, QStringLiteral("could not write %1: %2").arg(path, file.errorString())};
    }
    return {true, QStringLiteral("Tavro starts at login (%1): wrote %2").arg(program, path)};
}

}  // namespace tavro
