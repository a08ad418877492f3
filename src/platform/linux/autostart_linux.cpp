// Start at login on freedesktop desktops: the program's desktop entry, with the autostart
// keys, in $XDG_CONFIG_HOME/autostart (~/.config/autostart).
#include <sys/stat.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
#include <optional>

#include "core/desktop_entry.h"
#include "platform/autostart.h"

// Resources are registered outside any namespace.
static void initDesktopEntryResource() {
    Q_INIT_RESOURCE(desktop_entry);
}

namespace tavro {

namespace {

// The user's autostart folder; empty when the user has none: the XDG rules ignore a relative
// XDG_CONFIG_HOME, and without a home (Qt would answer with the root) there is no user folder.
QString autostartFolder() {
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!QDir::isAbsolutePath(config)) {
        const QString home = qEnvironmentVariable("HOME");
        if (!QDir::isAbsolutePath(home)) {
            return QString();
        }
        config = home + QStringLiteral("/.config");
    }
    return config + QStringLiteral("/autostart");
}

// Makes the folder and its parents (new ones private to the user, as the XDG rules ask); why
// not, when it can't.
std::optional<QString> makeFolders(const QString& folder) {
    QString path;
    for (const QString& part : folder.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        path += QLatin1Char('/') + part;
        if (::mkdir(QFile::encodeName(path).constData(), 0700) != 0 && errno != EEXIST) {
            return QStringLiteral("could not make the folder %1: %2").arg(path, qt_error_string());
        }
    }
    if (!QFileInfo(folder).isDir()) {
        return QStringLiteral("%1 is in the way: it is not a folder").arg(folder);
    }
    return std::nullopt;
}

QString menuEntry() {
    initDesktopEntryResource();
    QFile entry(QStringLiteral(":/desktop/") + kDesktopEntryId + QStringLiteral(".desktop"));
    return entry.open(QIODevice::ReadOnly) ? QString::fromUtf8(entry.readAll()) : QString();
}

}  // namespace

AutostartOutcome setStartAtLogin(bool on) {
    const QString folder = autostartFolder();
    if (folder.isEmpty()) {
        return {false, QStringLiteral("no home folder to keep the start at login in "
                                      "(neither HOME nor XDG_CONFIG_HOME names one)")};
    }
    const QString path = folder + QLatin1Char('/') + kDesktopEntryId + QStringLiteral(".desktop");
    if (!on) {
        if (!QFileInfo::exists(path)) {
            return {true, QStringLiteral("Tavro was not set to start at login (no %1)").arg(path)};
        }
        if (!QFile::remove(path)) {
            return {false, QStringLiteral("could not remove %1").arg(path)};
        }
        return {true, QStringLiteral("Tavro no longer starts at login: removed %1").arg(path)};
    }
    // A path Qt can't name (not valid UTF-8: a Shift-JIS folder, say) comes back empty; a
    // desktop entry is UTF-8 text, so it could not hold it either.
    const QString program = QCoreApplication::applicationFilePath();
    if (program.isEmpty() || !QFileInfo(program).isExecutable()) {
        return {false, QStringLiteral("the path of this program is not valid UTF-8 text, which a "
                                      "desktop entry needs; move it to a folder so named")};
    }
    const std::optional<QString> entry = autostartDesktopEntry(menuEntry(), program);
    if (!entry) {
        return {false, QStringLiteral("the path of this program holds a control character, "
                                      "which a desktop entry can't hold")};
    }
    if (const std::optional<QString> problem = makeFolders(folder)) {
        return {false, *problem};
    }
    const QByteArray text = entry->toUtf8();
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit()) {
        return {false, QStringLiteral("could not write %1: %2").arg(path, file.errorString())};
    }
    return {true, QStringLiteral("Tavro starts at login (%1): wrote %2").arg(program, path)};
}

}  // namespace tavro
