// New files written whole or not at all, and reads of regular files only, with Win32 calls.
#include <windows.h>

#include <QDir>
#include <QRandomGenerator>
#include <algorithm>

#include "core/file_access.h"

namespace tavro {

namespace {

// The most one ReadFile or WriteFile call is asked to move.
constexpr qint64 kChunk = qint64(1) << 30;
// Tries at a temporary name before giving up (each name is random, so clashes are rare).
constexpr int kTemporaryNameTries = 100;
// 100-nanosecond intervals from 1601-01-01 (FILETIME) to 1970-01-01.
constexpr qint64 kFileTimeOfUnixEpoch = 116444736000000000LL;

std::wstring nativePath(const QString& path) {
    return QDir::toNativeSeparators(path).toStdWString();
}

// Closes a handle when it goes out of scope.
class Handle {
  public:
    explicit Handle(HANDLE handle) : handle_(handle) {}
    ~Handle() {
        if (valid()) {
            ::CloseHandle(handle_);
        }
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
    // Closes now; false when closing reports an error. The handle is gone either way.
    bool close() {
        const HANDLE handle = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return ::CloseHandle(handle) != 0;
    }
    // Gives the handle up without closing it.
    HANDLE release() {
        const HANDLE handle = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return handle;
    }

  private:
    HANDLE handle_;
};

// Writes every byte and flushes them to the disk; a full disk shows up as a failed or short
// write, or as a failed flush.
bool writeAndFlush(HANDLE file, QByteArrayView bytes) {
    const char* data = bytes.data();
    qint64 left = bytes.size();
    while (left > 0) {
        const DWORD chunk = DWORD(std::min(left, kChunk));
        DWORD written = 0;
        if (!::WriteFile(file, data, chunk, &written, nullptr) || written == 0) {
            return false;
        }
        data += written;
        left -= written;
    }
    return ::FlushFileBuffers(file) != 0;
}

// The system's time zone, asked again at most once a second: asking costs more than reading
// a file's excerpt (under Wine).
const TIME_ZONE_INFORMATION* systemZone() {
    thread_local TIME_ZONE_INFORMATION zone{};
    thread_local bool known = false;
    thread_local ULONGLONG askedAt = 0;
    const ULONGLONG now = ::GetTickCount64();
    if (!known || now - askedAt >= 1000) {
        known = ::GetTimeZoneInformation(&zone) != TIME_ZONE_ID_INVALID;
        askedAt = now;
    }
    return known ? &zone : nullptr;
}

// A file time in local time as Windows gives it, by the zone's rules for that date: the
// notion of local time of the clock that names the saved texts. Qt's own conversion goes
// through the C runtime, which follows a TZ variable when one is set (and reads
// TZ=Asia/Tokyo as UTC), where Windows does not.
QDateTime localTimeOf(const FILETIME& time) {
    SYSTEMTIME utc{};
    SYSTEMTIME local{};
    if (!::FileTimeToSystemTime(&time, &utc) ||
        !::SystemTimeToTzSpecificLocalTime(systemZone(), &utc, &local)) {
        const qint64 ticks = qint64((quint64(time.dwHighDateTime) << 32) | time.dwLowDateTime);
        return QDateTime::fromMSecsSinceEpoch((ticks - kFileTimeOfUnixEpoch) / 10000, Qt::UTC);
    }
    return QDateTime(QDate(local.wYear, local.wMonth, local.wDay),
                     QTime(local.wHour, local.wMinute, local.wSecond, local.wMilliseconds));
}

// A name that the saved-text listing never takes.
QString temporaryName() {
    return QStringLiteral(".tavro-") +
           QString::number(QRandomGenerator::global()->generate64(), 16) + QStringLiteral(".tmp");
}

}  // namespace

NewFileResult writeNewFile(const QString& folder, const QString& name, QByteArrayView bytes) {
    const std::wstring target = nativePath(folder + u'/' + name);
    std::wstring temporary;
    HANDLE created = INVALID_HANDLE_VALUE;
    for (int i = 0; i < kTemporaryNameTries && created == INVALID_HANDLE_VALUE; ++i) {
        temporary = nativePath(folder + u'/' + temporaryName());
        created = ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
        if (created == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_EXISTS &&
            ::GetLastError() != ERROR_ALREADY_EXISTS) {
            return NewFileResult::Failed;
        }
    }
    Handle file(created);
    if (!file.valid()) {
        return NewFileResult::Failed;
    }
    const bool whole = writeAndFlush(file.get(), bytes);
    if (!file.close() || !whole) {
        ::DeleteFileW(temporary.c_str());
        return NewFileResult::Failed;
    }
    // Without MOVEFILE_REPLACE_EXISTING the move fails when the name exists.
    if (::MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) {
        return NewFileResult::Written;
    }
    const DWORD error = ::GetLastError();
    ::DeleteFileW(temporary.c_str());
    return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? NewFileResult::NameTaken
                                                                       : NewFileResult::Failed;
}

void RegularFileReader::closeHandle(std::intptr_t handle) {
    ::CloseHandle(reinterpret_cast<HANDLE>(handle));
}

bool RegularFileReader::open(const QString& path) {
    close();
    // Links are followed; sharing everything lets other programs go on using the file.
    const HANDLE file = ::CreateFileW(nativePath(path).c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    Handle opened(file);
    // A disk file, not a console, pipe or other device; and no folder.
    BY_HANDLE_FILE_INFORMATION info{};
    if (::GetFileType(file) != FILE_TYPE_DISK || !::GetFileInformationByHandle(file, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0) {
        return false;
    }
    handle_ = reinterpret_cast<std::intptr_t>(opened.release());
    size_ = qint64((quint64(info.nFileSizeHigh) << 32) | info.nFileSizeLow);
    modified_ = localTimeOf(info.ftLastWriteTime);
    return true;
}

qint64 RegularFileReader::readSome(std::intptr_t handle, char* into, qint64 count) {
    DWORD n = 0;
    if (!::ReadFile(reinterpret_cast<HANDLE>(handle), into, DWORD(count), &n, nullptr)) {
        return -1;
    }
    return n;
}

}  // namespace tavro
