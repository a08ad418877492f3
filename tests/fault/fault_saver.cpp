// Drives the saved-text store for the fault campaign (campaign.sh): saves texts whose bytes
// can be told from their first line, and checks a folder afterwards.
//
//   fault_saver save FOLDER COUNT SIZE[,SIZE...] TAG   saves COUNT texts, sizes in turn
//   fault_saver loop FOLDER SECONDS TAG                saves texts of 64 B to 64 KB for a while
//   fault_saver check FOLDER LOG...                    checks the folder against the logs
//   fault_saver odd FOLDER                             loads a folder full of odd entries
//
// save and loop print "begin ID SIZE" before each save and "saved NAME ID" or "failed ID"
// after it, flushed at once, so that a log cut by kill -9 still tells what was tried and
// what was reported saved. check prints one line of counts and fails when a file the load
// lists (a temporary file included) is not a whole text, a text reported saved is not whole
// in its file, or one reported failed is there after all.
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QSet>
#include <QStringList>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "core/saved_text_store.h"

using namespace tavro;

namespace {

constexpr int kMinimumSize = 64;

quint64 hashOf(const QByteArray& text) {
    quint64 hash = 1469598103934665603ULL;  // FNV-1a
    for (const char c : text) {
        hash = (hash ^ quint8(c)) * 1099511628211ULL;
    }
    return hash;
}

// The campaign text of an id: a first line naming it and its size, then printable ASCII
// from a generator seeded by the id (no CR or LF, no '\' or '~', whose code page 932 bytes
// could differ), `size` bytes in all. Its file holds exactly these bytes.
QByteArray campaignBytes(const QByteArray& id, qsizetype size) {
    QByteArray bytes = "tavro-fault " + id + ' ' + QByteArray::number(size) + "\r\n";
    const qsizetype header = bytes.size();
    bytes.resize(std::max(size, header));
    quint64 state = hashOf(id) | 1;
    for (qsizetype i = header; i < bytes.size(); ++i) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        char c = char(' ' + state % 95);
        if (c == '\\' || c == '~') {
            c = '_';
        }
        bytes[i] = c;
    }
    return bytes;
}

void say(const QByteArray& line) {
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

bool saveOne(const SavedTextStore& store, const QByteArray& id, qsizetype size) {
    say("begin " + id + ' ' + QByteArray::number(size));
    const QString text = QString::fromLatin1(campaignBytes(id, size));
    if (const std::optional<QString> name = store.save(QDateTime::currentDateTime(), text)) {
        say("saved " + name->toLatin1() + ' ' + id);
        return true;
    }
    say("failed " + id);
    return false;
}

int save(const QString& folder, int count, const QByteArray& sizeList, const QByteArray& tag) {
    QList<qsizetype> sizes;
    for (const QByteArray& size : sizeList.split(',')) {
        sizes.append(std::max<qsizetype>(kMinimumSize, size.toLongLong()));
    }
    const SavedTextStore store(folder);
    bool all = true;
    for (int i = 0; i < count; ++i) {
        all &= saveOne(store, tag + '-' + QByteArray::number(i), sizes[i % sizes.size()]);
    }
    return all ? 0 : 2;
}

int loop(const QString& folder, int seconds, const QByteArray& tag) {
    const SavedTextStore store(folder);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    for (int i = 0; std::chrono::steady_clock::now() < end; ++i) {
        const QByteArray id = tag + '-' + QByteArray::number(i);
        saveOne(store, id, kMinimumSize + qsizetype(hashOf(id) % (64 * 1024)));
    }
    return 0;
}

struct Counts {
    int tried = 0;
    int whole = 0;
    int absent = 0;
    int cutShort = 0;
    int lost = 0;
    int otherEntriesLeft = 0;
};

int check(const QString& folder, const QStringList& logs) {
    Counts counts;
    QSet<QByteArray> tried;
    QSet<QByteArray> failed;
    QHash<QByteArray, QByteArray> reported;  // name -> id
    QSet<QByteArray> reportedTwice;
    for (const QString& log : logs) {
        QFile file(log);
        if (!file.open(QIODevice::ReadOnly)) {
            std::cerr << "no log " << log.toStdString() << '\n';
            return 1;
        }
        for (const QByteArray& line : file.readAll().split('\n')) {
            const QList<QByteArray> words = line.split(' ');
            if (words.size() == 3 && words[0] == "begin") {
                tried.insert(words[1]);
            } else if (words.size() == 3 && words[0] == "saved") {
                if (reported.contains(words[1])) {
                    reportedTwice.insert(words[1]);
                }
                reported.insert(words[1], words[2]);
            } else if (words.size() == 2 && words[0] == "failed") {
                failed.insert(words[1]);
            }
        }
    }
    counts.tried = int(tried.size());

    // What the next start lists, as it lists it.
    const SavedTextStore store(folder);
    QHash<QByteArray, QByteArray> wholeIds;  // name -> id of its whole text
    const QStringList listed = store.list().names;
    for (const QString& name : listed) {
        QFile file(store.pathOf(name));
        if (!file.open(QIODevice::ReadOnly)) {
            ++counts.cutShort;
            continue;
        }
        const QByteArray bytes = file.readAll();
        const QList<QByteArray> header = bytes.left(bytes.indexOf("\r\n")).split(' ');
        if (header.size() != 3 || header[0] != "tavro-fault") {
            std::cerr << "not a whole campaign text: " << name.toStdString() << " (" << bytes.size()
                      << " bytes)\n";
            ++counts.cutShort;
            continue;
        }
        if (bytes != campaignBytes(header[1], header[2].toLongLong())) {
            std::cerr << "cut short or changed: " << name.toStdString() << " (" << bytes.size()
                      << " of " << header[2].toStdString() << " bytes)\n";
            ++counts.cutShort;
            continue;
        }
        wholeIds.insert(name.toLatin1(), header[1]);
    }
    QSet<QByteArray> wholeTried;
    for (const QByteArray& id : std::as_const(wholeIds)) {
        if (tried.contains(id)) {
            wholeTried.insert(id);
        }
    }
    counts.whole = int(wholeTried.size());
    // A save reported failed must have left nothing.
    int failedButThere = 0;
    for (const QByteArray& id : std::as_const(wholeTried)) {
        if (failed.contains(id)) {
            std::cerr << "reported failed, but saved: " << id.toStdString() << '\n';
            ++failedButThere;
        }
    }
    counts.absent = counts.tried - counts.whole;
    for (auto it = reported.cbegin(); it != reported.cend(); ++it) {
        if (wholeIds.value(it.key()) != it.value() || reportedTwice.contains(it.key())) {
            std::cerr << "lost: " << it.value().toStdString() << " reported saved as "
                      << it.key().toStdString() << '\n';
            ++counts.lost;
        }
    }
    // Entries the load does not list: temporary files left by a killed save, say.
    counts.otherEntriesLeft =
        int(QDir(folder)
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)
                .size() -
            listed.size());
    std::printf("tried=%d whole=%d absent=%d cut_short=%d lost=%d other_entries_left=%d\n",
                counts.tried, counts.whole, counts.absent, counts.cutShort, counts.lost,
                counts.otherEntriesLeft);
    return counts.cutShort == 0 && counts.lost == 0 && failedButThere == 0 ? 0 : 1;
}

// A folder holding two texts beside every kind of entry that is no regular file; the load
// must list the two alone, every recall of the others must fail, and nothing may block.
int odd(const QString& folder) {
    const QString fifo = folder + QStringLiteral("/.fifo");
    const QByteArray nativeFifo = QFile::encodeName(fifo);
    if (::mkfifo(nativeFifo.constData(), 0600) != 0 ||
        ::mkfifo(QFile::encodeName(folder + QStringLiteral("/100000000003.TXT")).constData(),
                 0600) != 0) {
        std::perror("mkfifo");
        return 1;
    }
    const SavedTextStore store(folder);
    store.write(QStringLiteral("100000000001.TXT"), QStringLiteral("first"));
    store.write(QStringLiteral("100000000009.TXT"), QStringLiteral("last"));
    QFile::link(fifo, store.pathOf(QStringLiteral("100000000002.TXT")));
    QFile::link(QStringLiteral("/dev/zero"), store.pathOf(QStringLiteral("100000000004.TXT")));
    QFile::link(QStringLiteral("/dev/urandom"), store.pathOf(QStringLiteral("100000000005.TXT")));
    QFile::link(folder, store.pathOf(QStringLiteral("100000000006.TXT")));
    QFile::link(folder + QStringLiteral("/gone"), store.pathOf(QStringLiteral("100000000007.TXT")));
    const int socketFd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray socketPath =
        QFile::encodeName(store.pathOf(QStringLiteral("100000000008.TXT")));
    std::memcpy(address.sun_path, socketPath.constData(),
                std::min(socketPath.size(), qsizetype(sizeof(address.sun_path) - 1)));
    ::bind(socketFd, reinterpret_cast<sockaddr*>(&address), sizeof(address));

    int entries = 0;
    int refused = 0;
    QStringList listed = store.list().names;
    listed.sort();
    for (int i = 1; i <= 9; ++i) {
        const QString name = QStringLiteral("10000000000%1.TXT").arg(i);
        ++entries;
        const bool regular = i == 1 || i == 9;
        if (!regular && !listed.contains(name) && !store.read(name) && !store.readWhole(name)) {
            ++refused;
        }
    }
    ::close(socketFd);
    const bool ok = listed == QStringList{"100000000001.TXT", "100000000009.TXT"} &&
                    refused == entries - 2 &&
                    store.readWhole(QStringLiteral("100000000009.TXT")) == u"last";
    std::printf("odd entries: %d, refused %d, listed %lld\n", entries - 2, refused,
                static_cast<long long>(listed.size()));
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const QByteArray command = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    const QString folder = argc > 2 ? QFile::decodeName(argv[2]) : QString();
    if (command == "save" && argc == 6) {
        return save(folder, std::atoi(argv[3]), argv[4], argv[5]);
    }
    if (command == "loop" && argc == 5) {
        return loop(folder, std::atoi(argv[3]), argv[4]);
    }
    if (command == "check" && argc >= 3) {
        QStringList logs;
        for (int i = 3; i < argc; ++i) {
            logs.append(QFile::decodeName(argv[i]));
        }
        return check(folder, logs);
    }
    if (command == "odd" && argc == 3) {
        return odd(folder);
    }
    std::cerr << "usage: fault_saver save FOLDER COUNT SIZE[,SIZE...] TAG | loop FOLDER SECONDS "
                 "TAG | check FOLDER LOG... | odd FOLDER\n";
    return 64;
}
