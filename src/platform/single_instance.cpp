#include "platform/single_instance.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QStandardPaths>

namespace tavro {

SingleInstance::SingleInstance(const QString& programFolder) {
    // The user's runtime folder; where the platform has none apart from the user's home
    // (Windows gives the profile folder itself), the user's temporary folder instead, so no
    // lock file shows up among the user's own files.
    QString lockFolder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (lockFolder.isEmpty() ||
        lockFolder == QStandardPaths::writableLocation(QStandardPaths::HomeLocation) ||
        !QDir().mkpath(lockFolder)) {
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
    if (lock_->tryLock(0)) {
        return true;
    }
    // A lock that names this very process was left by an earlier run that had the same
    // process id (process ids start over in a new container or Wine session): no other copy
    // holds it.
    qint64 holder = 0;
    if (lock_->error() == QLockFile::LockFailedError &&
        lock_->getLockInfo(&holder, nullptr, nullptr) &&
        holder == QCoreApplication::applicationPid() && lock_->removeStaleLockFile()) {
        return lock_->tryLock(0);
    }
    return false;
}

}  // namespace tavro
