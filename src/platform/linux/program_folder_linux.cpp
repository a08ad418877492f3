// The program's folder from /proc/self/exe, by its bytes.
#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>

#include "platform/program_folder.h"

namespace tavro {

namespace {

// The target of /proc/self/exe, byte for byte; empty when it can't be read.
QByteArray programFileBytes() {
    QByteArray path(PATH_MAX, Qt::Uninitialized);
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", path.data(), size_t(path.size()));
        if (length < 0) {
            return QByteArray();
        }
        if (length < path.size()) {
            path.truncate(length);
            return path;
        }
        path.resize(path.size() * 2);  // cut short: try again with more room
    }
}

}  // namespace

QString programFolderPath() {
    const QByteArray file = programFileBytes();
    const qsizetype slash = file.lastIndexOf('/');
    if (slash < 0) {
        return QString();
    }
    const QByteArray folder = slash == 0 ? QByteArray("/") : file.left(slash);
    const QString decoded = QFile::decodeName(folder);
    if (QFile::encodeName(decoded) == folder) {
        return decoded;
    }
    // Bytes that are no valid UTF-8 (a Shift-JIS name unpacked from a Windows archive, say)
    // have no QString that leads back to them, so no path Qt opens can name the folder. It is
    // opened by its bytes instead and named through that descriptor: /proc/self/fd/N is plain
    // ASCII, stays valid while the process runs and leads to this very folder, even if it is
    // renamed meanwhile. (Making it the current folder would work too, but the current folder
    // belongs to the whole process and to every relative path in it.) The descriptor stays
    // open for the life of the process.
    const int fd = ::open(folder.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return QString();
    }
    const QString viaDescriptor = QStringLiteral("/proc/self/fd/%1").arg(fd);
    if (!QFileInfo(viaDescriptor).isDir()) {
        ::close(fd);  // no /proc: the folder can't be named
        return QString();
    }
    return viaDescriptor;
}

}  // namespace tavro
