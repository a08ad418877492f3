#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <cstdint>
#include <optional>

// The file operations the saved texts need where a plain QFile is not enough: a new file that
// is written whole or not at all and never replaces another, and reading only regular files.
// Each platform implements them with its own calls.
namespace tavro {

enum class NewFileResult {
    Written,    // the file holds every byte and has its name
    NameTaken,  // an entry of that name exists (any kind, a dangling link too); nothing written
    Failed,     // anything else (no folder, a full disk, ...); nothing is left behind
};

// Writes `bytes` as the new file `name` (a bare name) in `folder`. The bytes go to a
// temporary file in the same folder that the saved-text listing never takes (no ".TXT" name
// with a numeric stem); every write and the flush to the disk are checked, and only then does
// the file take its name, in one step that fails when the name exists. On any failure the
// temporary file is removed.
NewFileResult writeNewFile(const QString& folder, const QString& name, QByteArrayView bytes);

// A regular file (links followed) opened for reading. Anything else (a FIFO, a device, a
// socket, a folder) is refused without blocking, and no read goes past the size the file had
// when it was opened, so a file that grows meanwhile can't make a read endless.
class RegularFileReader {
  public:
    RegularFileReader() = default;
    ~RegularFileReader();
    RegularFileReader(const RegularFileReader&) = delete;
    RegularFileReader& operator=(const RegularFileReader&) = delete;

    // False when the path is no regular file or can't be opened.
    bool open(const QString& path);
    // The size when opened.
    qint64 size() const { return size_; }
    // The last-modified time: in UTC (a conversion to local time costs more than the read),
    // or on Windows in local time as Windows converts it, the notion the clock has there.
    QDateTime modified() const { return modified_; }
    // The next bytes, at most `count` and never past the size at opening (fewer when the file
    // shrank meanwhile); nothing on a read error.
    std::optional<QByteArray> read(qint64 count);

  private:
    void close();
    // The platform's own calls: one read of at most `count` bytes (the count read, 0 at the
    // end, -1 on an error), and closing the handle.
    static qint64 readSome(std::intptr_t handle, char* into, qint64 count);
    static void closeHandle(std::intptr_t handle);

    static constexpr std::intptr_t kNoHandle = -1;
    std::intptr_t handle_ = kNoHandle;  // a file descriptor, or a Windows HANDLE
    qint64 size_ = 0;
    qint64 position_ = 0;
    QDateTime modified_;
};

}  // namespace tavro
