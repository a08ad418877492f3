#include "core/file_access.h"

#include <algorithm>

namespace tavro {

namespace {
// The most one read call is asked to move.
constexpr qint64 kChunk = qint64(1) << 30;
}  // namespace

RegularFileReader::~RegularFileReader() {
    close();
}

void RegularFileReader::close() {
    if (handle_ != kNoHandle) {
        closeHandle(handle_);
    }
    handle_ = kNoHandle;
    size_ = 0;
    position_ = 0;
    modified_ = QDateTime();
}

std::optional<QByteArray> RegularFileReader::read(qint64 count) {
    if (handle_ == kNoHandle) {
        return std::nullopt;
    }
    const qint64 wanted = std::max<qint64>(0, std::min(count, size_ - position_));
    QByteArray bytes(wanted, Qt::Uninitialized);
    qint64 got = 0;
    while (got < wanted) {
        const qint64 n = readSome(handle_, bytes.data() + got, std::min(wanted - got, kChunk));
        if (n < 0) {
            return std::nullopt;
        }
        if (n == 0) {
            break;  // the file shrank since it was opened
        }
        got += n;
    }
    bytes.truncate(got);
    position_ += got;
    return bytes;
}

}  // namespace tavro
