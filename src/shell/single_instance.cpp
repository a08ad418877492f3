#include "shell/single_instance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QStandardPaths>

namespace tavro {

SingleInstance::SingleInstance(const QString& programFolder) {
    QString lockFolder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (lockFolder.isEmpty() || !QDir().mkpath(lockFolder)) {
        lockFolder = QDir::tempPath();
    }
    const QByteArray key = QCryptographicHash::hash(QDir(programFolder).canonicalPath().toUtf8(),
                                                    QCryptographicHash::Sha1);
    lockFilePath_ = lockFolder + QStringLiteral("/tavro-") +
                    QString::fromLatin1(key.toHex().left(16)) + QStringLiteral(".lock");
}

bool SingleInstance::acquire() {
    lock_ = std::make_unique<QLockFile>(lockFilePath_);
    // A stale lock (its process is gone) is removed by tryLock itself.
    lock_->setStaleLockTime(0);
    return lock_->tryLock(0);
}

}  // namespace tavro
