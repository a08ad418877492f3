#include "core/saved_text_folder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "core/desktop_entry.h"

namespace tavro {

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
    // The texts live in the user's own data folder instead.
    const QString userFolder =
        QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) +
        QStringLiteral("/Temptext");
    const bool created = !QFileInfo::exists(userFolder) && QDir().mkpath(userFolder);
    return {userFolder, created};
}

}  // namespace tavro
