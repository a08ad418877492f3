#include "core/saved_text_store.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStringDecoder>
#include <algorithm>
#include <cstring>
#include <utility>

#include "core/codepage932.h"
#include "core/time_format.h"

namespace tavro {

namespace {

constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";
constexpr qsizetype kUtf8BomLength = 3;
constexpr int kExtensionLength = 4;  // ".TXT"
// Names a save tries before it gives up, each taken by another copy meanwhile.
constexpr int kSaveAttempts = 100;

bool startsWithBom(QByteArrayView bytes) {
    return bytes.size() >= kUtf8BomLength &&
           std::memcmp(bytes.data(), kUtf8Bom, kUtf8BomLength) == 0;
}

// One line of a text: its content is [begin, end), the next line starts at `next`.
struct LineSpan {
    qsizetype begin = 0;
    qsizetype end = 0;
    qsizetype next = 0;
};

qsizetype findCr(QByteArrayView data, qsizetype from) {
    const void* hit = std::memchr(data.data() + from, '\r', size_t(data.size() - from));
    return hit ? static_cast<const char*>(hit) - data.data() : -1;
}

qsizetype findCr(QStringView data, qsizetype from) {
    return data.indexOf(u'\r', from);
}

// The line starting at `pos`: it ends at CR LF or at a lone CR; a lone LF belongs to the line.
// A line end right before the end of the data starts no further line.
template <typename View>
LineSpan nextLine(View data, qsizetype pos) {
    const qsizetype cr = findCr(data, pos);
    if (cr < 0) {
        return {pos, data.size(), data.size()};
    }
    const bool crLf = cr + 1 < data.size() && data[cr + 1] == '\n';
    return {pos, cr, cr + (crLf ? 2 : 1)};
}

// The text of one line's bytes. When the read limit cut the line short, a character split
// there is left out rather than shown broken.
QString decodeLine(QByteArrayView line, bool utf8, bool cutShort) {
    if (utf8) {
        if (!cutShort) {
            return QString::fromUtf8(line);
        }
        // Without a flush the decoder holds an incomplete sequence back.
        QStringDecoder decoder(QStringConverter::Utf8);
        return decoder.decode(line);
    }
    if (cutShort && endsInsideCodePage932Character(line)) {
        line.chop(1);
    }
    return decodeCodePage932(line);
}

// Reads up to `limit` bytes, however many calls the device needs for that.
QByteArray readUpTo(QIODevice& device, qint64 limit) {
    QByteArray bytes(limit, Qt::Uninitialized);
    qint64 total = 0;
    while (total < limit) {
        const qint64 got = device.read(bytes.data() + total, limit - total);
        if (got <= 0) {
            break;
        }
        total += got;
    }
    bytes.truncate(total);
    return bytes;
}

QDateTime truncatedToSeconds(const QDateTime& time) {
    if (!time.isValid()) {
        return time;
    }
    const qint64 ms = time.toMSecsSinceEpoch();
    const qint64 below = ((ms % 1000) + 1000) % 1000;
    return QDateTime::fromMSecsSinceEpoch(ms - below);
}

}  // namespace

QString savedTextName(const QDateTime& time) {
    return formatNameStamp(time) + QStringLiteral(".TXT");
}

QString nameFromListLine(const QString& listLine) {
    return listLine.right(kSavedTextNameLength);
}

bool passesNumericTest(const QString& fileName) {
    if (fileName.size() < kExtensionLength) {
        return false;
    }
    const QStringView stem = QStringView(fileName).chopped(kExtensionLength);
    qsizetype i = 0;
    if (i < stem.size() && (stem[i] == u'+' || stem[i] == u'-')) {
        ++i;
    }
    bool digit = false;
    bool point = false;
    for (; i < stem.size(); ++i) {
        const char16_t c = stem[i].unicode();
        if (c >= u'0' && c <= u'9') {
            digit = true;
        } else if (c == u'.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    return digit;
}

bool isPlainFileName(const QString& name) {
    if (name.isEmpty() || name == u"." || name == u"..") {
        return false;
    }
    for (const QChar c : name) {
        if (c == u'/' || c == u'\\' || c.unicode() == 0) {
            return false;
        }
    }
    return true;
}

namespace {

// The excerpt of a file's leading bytes; `cut` tells that the file goes on after them.
QString excerptOf(QByteArrayView data, bool cut) {
    const bool utf8 = startsWithBom(data);
    QString excerpt;
    for (qsizetype pos = utf8 ? kUtf8BomLength : 0;
         pos < data.size() && excerpt.size() < kExcerptStopLength;) {
        const LineSpan line = nextLine(data, pos);
        // Only a last line without a line end can have been cut by the limit. A lead byte
        // right before a line end never takes the line end with it: each line is decoded
        // on its own.
        const bool cutShort = cut && line.next == line.end;
        excerpt += decodeLine(data.sliced(line.begin, line.end - line.begin), utf8, cutShort);
        excerpt += u"\r\n";
        pos = line.next;
    }
    return excerpt;
}

}  // namespace

QString readExcerpt(QIODevice& device) {
    const QByteArray bytes = readUpTo(device, kExcerptByteLimit);
    return excerptOf(bytes, bytes.size() == kExcerptByteLimit && !device.atEnd());
}

QString savedTextListLine(const SavedText& text) {
    const QString time = formatListTime(text.modified);
    const qsizetype padding = std::max<qsizetype>(0, kListLineExcerptWidth - text.excerpt.size());
    QString line;
    line.reserve(time.size() + 2 + text.excerpt.size() + padding + text.name.size());
    line += time;
    line += u" |";
    line += text.excerpt;
    line += QString(padding, u' ');
    line += text.name;
    return line;
}

QString savedTextTrayCaption(const QString& excerpt) {
    return excerpt.size() < kTrayCaptionWholeBelow ? excerpt : excerpt.left(kTrayCaptionCutLength);
}

void sortNames(QStringList& names, const std::function<void()>& afterMove) {
    const qsizetype n = names.size();
    qsizetype gap = 1;
    while (3 * gap + 1 < n) {
        gap = 3 * gap + 1;
    }
    if (gap >= n) {
        return;  // a single name (or none): no gap is smaller than the count
    }
    const bool notify = bool(afterMove);
    for (; gap >= 1; gap /= 3) {
        for (qsizetype i = gap; i < n; ++i) {
            QString held = std::move(names[i]);
            qsizetype j = i;
            while (j >= gap && held < names[j - gap]) {
                names[j] = std::move(names[j - gap]);
                j -= gap;
                if (notify) {
                    afterMove();
                }
            }
            names[j] = std::move(held);
        }
    }
}

QByteArray encodeSavedText(const QString& text) {
    if (std::optional<QByteArray> bytes = encodeCodePage932(text)) {
        return *std::move(bytes);
    }
    return QByteArray(kUtf8Bom, kUtf8BomLength) + text.toUtf8();
}

QString decodeSavedText(const QByteArray& bytes) {
    if (startsWithBom(bytes)) {
        return QString::fromUtf8(QByteArrayView(bytes).sliced(kUtf8BomLength));
    }
    return decodeCodePage932(bytes);
}

SavedTextStore::SavedTextStore(QString folder, NewFileWriter writer)
    : folder_(std::move(folder)), writer_(std::move(writer)) {}

QString SavedTextStore::pathOf(const QString& name) const {
    return folder_.isEmpty() ? QString() : folder_ + u'/' + name;  // no folder: no path
}

SavedTextStore::Listing SavedTextStore::list() const {
    Listing listing;
    if (folder_.isEmpty()) {
        return listing;  // not the current folder
    }
    // Name filters match without regard to case unless asked otherwise; QDir::Files leaves
    // out folders and, without QDir::Hidden, hidden files. The entry types come from the
    // directory read itself, so a plain file costs no extra stat.
    QDirIterator it(folder_, {QStringLiteral("*.TXT")}, QDir::Files);
    while (it.hasNext()) {
        it.next();
        // QDir::Files lets links through whatever they lead to: a link to a FIFO or a device
        // is no saved text.
        if (!it.fileInfo().isFile()) {
            continue;
        }
        listing.anyFile = true;
        QString name = it.fileName();
        if (passesNumericTest(name)) {
            listing.names.append(std::move(name));
        }
    }
    std::sort(listing.names.begin(), listing.names.end());
    return listing;
}

std::optional<SavedText> SavedTextStore::read(const QString& name) const {
    if (!isPlainFileName(name)) {
        return std::nullopt;
    }
    RegularFileReader file;
    if (!file.open(pathOf(name))) {
        return std::nullopt;
    }
    // No more than the excerpt's bytes are read from the disk.
    const std::optional<QByteArray> head = file.read(kExcerptByteLimit);
    if (!head) {
        return std::nullopt;
    }
    SavedText text;
    text.name = name;
    text.excerpt =
        excerptOf(*head, head->size() == kExcerptByteLimit && file.size() > kExcerptByteLimit);
    // Taken from the open file, so it is the file just read; local time from here on.
    text.modified = truncatedToSeconds(file.modified());
    return text;
}

std::optional<QString> SavedTextStore::readWhole(const QString& name) const {
    if (!isPlainFileName(name)) {
        return std::nullopt;
    }
    RegularFileReader file;
    if (!file.open(pathOf(name)) || file.size() > kWholeTextByteLimit) {
        return std::nullopt;
    }
    const std::optional<QByteArray> bytes = file.read(file.size());
    if (!bytes) {
        return std::nullopt;
    }
    const QString decoded = decodeSavedText(*bytes);
    const QStringView data(decoded);
    if (data.isEmpty()) {
        return std::nullopt;  // no line at all
    }
    QString whole;
    whole.reserve(data.size() + 2);
    for (qsizetype pos = 0; pos < data.size();) {
        const LineSpan line = nextLine(data, pos);
        whole += data.sliced(line.begin, line.end - line.begin);
        whole += u"\r\n";
        pos = line.next;
    }
    whole.chop(2);
    return whole;
}

QString SavedTextStore::freeName(const QDateTime& now) const {
    return savedTextName(firstFreeTime(takenNames(), now));
}

QSet<QString> SavedTextStore::takenNames() const {
    // Every entry counts, whatever its case or kind: a folder or a dangling link of the name
    // would block the write as well.
    QSet<QString> taken;
    QDirIterator it(folder_, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        taken.insert(it.fileName().toUpper());
    }
    return taken;
}

QDateTime SavedTextStore::firstFreeTime(const QSet<QString>& taken, const QDateTime& from) {
    // Saved-text names are upper case already.
    QDateTime time = from;
    while (taken.contains(savedTextName(time))) {
        time = time.addSecs(1);
    }
    return time;
}

bool SavedTextStore::remakeFolder() const {
    const QFileInfo info(folder_);
    if (info.exists() || info.isSymLink()) {
        return false;  // there after all, or something else is in the way
    }
    return QDir().mkdir(folder_);
}

bool SavedTextStore::write(const QString& name, const QString& text) const {
    if (!isPlainFileName(name) || folder_.isEmpty()) {
        return false;
    }
    return writer_(folder_, name, encodeSavedText(text)) == NewFileResult::Written;
}

std::optional<QString> SavedTextStore::save(const QDateTime& now, const QString& text) const {
    if (folder_.isEmpty()) {
        return std::nullopt;
    }
    const QByteArray bytes = encodeSavedText(text);
    // The folder is listed once; a name another copy takes meanwhile is added to the list.
    QSet<QString> taken = takenNames();
    bool folderRemade = false;
    for (int attempt = 0; attempt < kSaveAttempts; ++attempt) {
        const QString name = savedTextName(firstFreeTime(taken, now));
        switch (writer_(folder_, name, bytes)) {
            case NewFileResult::Written:
                return name;
            case NewFileResult::NameTaken:
                // Another copy sharing the folder took the name since it was listed.
                taken.insert(name);
                break;
            case NewFileResult::Failed:
                // The folder may have been removed since the start; anything else that failed
                // fails again.
                if (folderRemade || !remakeFolder()) {
                    return std::nullopt;
                }
                folderRemade = true;
                break;
        }
    }
    return std::nullopt;
}

bool SavedTextStore::remove(const QString& name) const {
    if (!isPlainFileName(name)) {
        return false;
    }
    return QFile::remove(pathOf(name));
}

}  // namespace tavro
