#include "core/saved_text_folder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "core/desktop_entry.h"

namespace tavro {

namespace {

// The user's own data folder for the program; empty when the user has none. Qt takes a
// relative XDG_DATA_HOME as it stands (a folder under the current one), where the XDG rules
// say to ignore it, and an unset HOME as the root.
QString userDataFolder() {
    QString location = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
#ifndef Q_OS_WIN
    const QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    const QString home = qEnvironmentVariable("HOME");
    if (QDir::isRelativePath(dataHome) && !dataHome.isEmpty() && location.startsWith(dataHome)) {
        location = home + QStringLiteral("/.local/share") + location.mid(dataHome.size());
    }
    const bool underDataHome = QDir::isAbsolutePath(dataHome) && location.startsWith(dataHome);
    if (!QDir::isAbsolutePath(home) && !underDataHome) {
        return QString();
    }
#endif
    return QDir::isAbsolutePath(location) ? location : QString();
}

}  // namespace

SavedTextFolder chooseSavedTextFolder(const QString& programFolder) {
    // A program folder that can't be named (empty) or a relative one would put the texts at
    // the root of the file system or in the current folder; an installed program's folder
    // (PREFIX/bin) is the system's, even where it can be written.
    if (QDir::isAbsolutePath(programFolder) && !runsFromInstalledPrefix(programFolder)) {
        const QString folder = programFolder + QStringLiteral("/Temptext");
        const QFileInfo info(folder);
        if (info.isDir()) {
            return {folder, false};
        }
        // Nothing of that name yet: make it. A file in the way (or a link to nowhere) is left
        // alone, as is a program folder that can't be written.
        if (!info.exists() && !info.isSymLink() && QDir().mkdir(folder)) {
            return {folder, true};
        }
    }
    // The texts live in the user's own data folder instead, if the user has one.
    const QString userData = userDataFolder();
    if (userData.isEmpty()) {
        return {};
    }
    const QString userFolder = userData + QStringLiteral("/Temptext");
    const bool created = !QFileInfo::exists(userFolder) && QDir().mkpath(userFolder);
    return {userFolder, created};
}

}  // namespace tavro
