// New files written whole or not at all, and reads of regular files only, with POSIX and
// Linux calls.
#include <fcntl.h>
#include <stdio.h>  // renameat2
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QRandomGenerator>
#include <algorithm>
#include <cerrno>

#include "core/file_access_linux.h"

namespace tavro {

namespace {

// The most one write call is asked to move.
constexpr qsizetype kChunk = qsizetype(1) << 30;
// Tries at a temporary name before giving up (each name is random, so clashes are rare).
constexpr int kTemporaryNameTries = 100;

// Closes a file descriptor when it goes out of scope.
class FileDescriptor {
  public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closes now; false when the close reports an error (a network file system reports a
    // write it could not finish there). The descriptor is gone either way.
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

  private:
    int fd_;
};

bool writeAll(int fd, QByteArrayView bytes) {
    const char* data = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, size_t(std::min(left, kChunk)));
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;  // ENOSPC, EFBIG past a file-size limit, EIO, ...
        }
        if (written == 0) {
            return false;
        }
        data += written;
        left -= written;
    }
    return true;
}

// Writes the bytes and waits until they are on the disk. A full disk shows up here: as a
// failed or short write, or, where the file system allocates late, as a failed fsync.
bool writeAndSync(int fd, QByteArrayView bytes) {
    return writeAll(fd, bytes) && ::fsync(fd) == 0;
}

// Makes the new name itself last through a crash. Some file systems refuse to sync a
// folder; the file then still has its name and every byte, so the result is not used.
void syncFolder(int folderFd) {
    ::fsync(folderFd);
}

// A hidden name that the saved-text listing never takes.
QByteArray temporaryName() {
    return ".tavro-" + QByteArray::number(QRandomGenerator::global()->generate64(), 16) + ".tmp";
}

// The file as an unnamed inode of the folder (O_TMPFILE), linked under its name once whole:
// nothing is ever left behind, not even when the process is killed. Nothing when the
// system or file system can't do it this way.
std::optional<NewFileResult> writeUnnamed(int folderFd, const QByteArray& name,
                                          QByteArrayView bytes) {
    FileDescriptor file(::openat(folderFd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
    if (!file.valid()) {
        return std::nullopt;
    }
    if (!writeAndSync(file.get(), bytes)) {
        return NewFileResult::Failed;  // the unnamed file goes with its descriptor
    }
    // linkat fails with EEXIST when the name exists: nothing is ever replaced.
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(file.get());
    if (::linkat(AT_FDCWD, self.constData(), folderFd, name.constData(), AT_SYMLINK_FOLLOW) == 0) {
        syncFolder(folderFd);
        return NewFileResult::Written;
    }
    if (errno == EEXIST) {
        return NewFileResult::NameTaken;
    }
    return std::nullopt;  // no /proc, say: the named way below does without it
}

// The file under a hidden temporary name, renamed once whole by a rename that refuses to
// replace (or, where the file system lacks that, by a hard link, which never replaces).
NewFileResult writeNamed(int folderFd, const QByteArray& name, QByteArrayView bytes) {
    QByteArray temporary;
    int fd = -1;
    for (int i = 0; i < kTemporaryNameTries && fd < 0; ++i) {
        temporary = temporaryName();
        fd = ::openat(folderFd, temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                      0666);
        if (fd < 0 && errno != EEXIST) {
            return NewFileResult::Failed;
        }
    }
    if (fd < 0) {
        return NewFileResult::Failed;
    }
    FileDescriptor file(fd);
    const auto dropTemporary = [&] { ::unlinkat(folderFd, temporary.constData(), 0); };
    const bool whole = writeAndSync(file.get(), bytes);
    if (!file.close() || !whole) {
        dropTemporary();
        return NewFileResult::Failed;
    }
    if (::renameat2(folderFd, temporary.constData(), folderFd, name.constData(),
                    RENAME_NOREPLACE) == 0) {
        syncFolder(folderFd);
        return NewFileResult::Written;
    }
    int error = errno;
    if (error == EINVAL || error == ENOSYS) {
        if (::linkat(folderFd, temporary.constData(), folderFd, name.constData(), 0) == 0) {
            dropTemporary();
            syncFolder(folderFd);
            return NewFileResult::Written;
        }
        error = errno;
    }
    dropTemporary();
    return error == EEXIST ? NewFileResult::NameTaken : NewFileResult::Failed;
}

int openFolder(const QString& folder) {
    return ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

}  // namespace

NewFileResult writeNewFile(const QString& folder, const QString& name, QByteArrayView bytes) {
    const FileDescriptor folderFd(openFolder(folder));
    if (!folderFd.valid()) {
        return NewFileResult::Failed;
    }
    const QByteArray nativeName = QFile::encodeName(name);
    if (const std::optional<NewFileResult> result =
            writeUnnamed(folderFd.get(), nativeName, bytes)) {
        return *result;
    }
    return writeNamed(folderFd.get(), nativeName, bytes);
}

NewFileResult writeNewFileViaTemporaryName(const QString& folder, const QString& name,
                                           QByteArrayView bytes) {
    const FileDescriptor folderFd(openFolder(folder));
    if (!folderFd.valid()) {
        return NewFileResult::Failed;
    }
    return writeNamed(folderFd.get(), QFile::encodeName(name), bytes);
}

void RegularFileReader::closeHandle(std::intptr_t handle) {
    ::close(int(handle));
}

bool RegularFileReader::open(const QString& path) {
    close();
    const QByteArray native = QFile::encodeName(path);
    struct stat info {};
    // Looked at before opening: a FIFO would wait for a writer, and opening a device can do
    // things of its own.
    if (::stat(native.constData(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return false;
    }
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    // The entry may have been swapped since the look; what counts is the file now open.
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return false;
    }
    handle_ = fd;
    size_ = info.st_size;
    modified_ = QDateTime::fromMSecsSinceEpoch(
        qint64(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1000000, Qt::UTC);
    return true;
}

qint64 RegularFileReader::readSome(std::intptr_t handle, char* into, qint64 count) {
    for (;;) {
        const ssize_t n = ::read(int(handle), into, size_t(count));
        if (n >= 0 || errno != EINTR) {
            return n;
        }
    }
}

}  // namespace tavro
