// Times the core of loading the saved texts (list the folder, sort the names, read each
// excerpt, build the list lines and tray captions) for 100, 1,000 and 10,000 files, next to
// the floor of the same work: reading the folder and the first 4 KB of every file in a plain
// loop. Making the files is not timed. Nothing is dropped from the page cache, so every figure
// is a warm-cache figure.
#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include "core/saved_text_store.h"

using namespace tavro;

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

long peakRssKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Phrases of the kind people keep: business mail, addresses, numbers, half-width katakana,
// circled digits, URLs. All of them have a Shift-JIS form.
const char* const kPhrases[] = {
    "お世話になっております。",
    "本日の会議は午後三時から第二会議室で行います。",
    "資料は共有フォルダに保存しました。ご確認ください。",
    "よろしくお願いいたします。",
    "住所：東京都千代田区丸の内１－２－３　丸の内ビル５階",
    "電話番号 03-1234-5678（平日９時～１８時）",
    "ｸﾘｯﾌﾟﾎﾞｰﾄﾞの履歴から貼り付け",
    "①見積書の確認　②修正依頼　③提出",
    "〒100-0005",
    "https://example.jp/path?id=42&lang=ja",
    "明日の天気は晴れのち曇り、最高気温は２５度の予想です。",
    "ID: tavro-user-0042 / パスワードは別途お送りします。",
    "Meeting notes: 進捗は予定どおり。次回は来週水曜日。",
    "株式会社サンプル　営業部　山田太郎",
};

struct Folder {
    QTemporaryDir dir;
    qsizetype bytes = 0;
};

// Fills `path` with `count` saved texts of 20 to 2000 bytes, created in shuffled order; adds
// their size to `bytes`.
bool fillFolder(const QString& path, int count, std::mt19937& random, qsizetype& bytes) {
    std::vector<QByteArray> phrases;
    for (const char* phrase : kPhrases) {
        phrases.push_back(encodeSavedText(QString::fromUtf8(phrase)));
        if (phrases.back().startsWith("\xEF\xBB\xBF")) {
            std::fprintf(stderr, "phrase without a Shift-JIS form: %s\n", phrase);
            return false;
        }
    }
    std::uniform_int_distribution<int> pickPhrase(0, int(phrases.size()) - 1);
    std::uniform_int_distribution<int> pickLength(20, 2000);
    std::uniform_int_distribution<int> pickGap(1, 86400);
    std::bernoulli_distribution lineBreak(0.3);

    std::vector<QString> names;
    QDateTime time(QDate(2019, 4, 1), QTime(9, 0, 0));
    for (int i = 0; i < count; ++i) {
        time = time.addSecs(pickGap(random));
        names.push_back(savedTextName(time));
    }
    std::shuffle(names.begin(), names.end(), random);

    for (const QString& name : names) {
        const qsizetype target = pickLength(random);
        QByteArray text;
        while (text.size() < 20) {
            text += phrases[size_t(pickPhrase(random))];
        }
        for (;;) {
            QByteArray next = lineBreak(random) ? QByteArray("\r\n") : QByteArray();
            next += phrases[size_t(pickPhrase(random))];
            if (text.size() + next.size() > target) {
                break;
            }
            text += next;
        }
        QFile file(path + u'/' + name);
        if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
            return false;
        }
        bytes += text.size();
    }
    return true;
}

struct LoadTimes {
    double list = 0;
    double sort = 0;
    double read = 0;
    double total = 0;
    qsizetype lines = 0;
};

int g_moves = 0;
// Keeps the compiler from dropping work whose result is otherwise unused.
volatile qsizetype g_sink = 0;
[[gnu::noinline]] void countMove() {
    ++g_moves;
}

LoadTimes load(const SavedTextStore& store, const std::function<void()>& afterMove) {
    LoadTimes times;
    const Clock::time_point start = Clock::now();
    SavedTextStore::Listing listing = store.list();
    times.list = msSince(start);

    Clock::time_point phase = Clock::now();
    sortNames(listing.names, afterMove);
    times.sort = msSince(phase);

    phase = Clock::now();
    QStringList lines;
    QStringList captions;
    lines.reserve(listing.names.size());
    captions.reserve(listing.names.size());
    for (const QString& name : listing.names) {
        const std::optional<SavedText> text = store.read(name);
        if (!text) {
            continue;
        }
        lines.append(savedTextListLine(*text));
        captions.append(savedTextTrayCaption(text->excerpt));
    }
    times.read = msSince(phase);
    times.total = msSince(start);
    times.lines = lines.size();
    g_sink = g_sink + captions.size();
    return times;
}

// The least any load has to do: read the folder, then open each file and read up to 4 KB.
double floorLoad(const QByteArray& folder) {
    const Clock::time_point start = Clock::now();
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder.constData())) {
        while (const dirent* entry = readdir(dir)) {
            const size_t length = std::strlen(entry->d_name);
            if (length > 4 && strcasecmp(entry->d_name + length - 4, ".TXT") == 0) {
                names.emplace_back(entry->d_name);
            }
        }
        closedir(dir);
    }
    char buffer[4096];
    std::string path;
    for (const std::string& name : names) {
        path.assign(folder.constData()).append("/").append(name);
        const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got > 0) {
            g_sink = g_sink + got + buffer[0];
        }
        close(fd);
    }
    return msSince(start);
}

template <typename F>
double median(int runs, F&& measure) {
    std::vector<double> values;
    for (int i = 0; i < runs; ++i) {
        values.push_back(measure());
    }
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    // For the start-up benchmark of the real program: the same kind of folder, and its floor.
    if (argc == 4 && std::strcmp(argv[1], "--fill") == 0) {
        std::mt19937 random(20240601);
        qsizetype bytes = 0;
        return fillFolder(QString::fromLocal8Bit(argv[2]), std::atoi(argv[3]), random, bytes) ? 0 : 1;
    }
    if (argc == 3 && std::strcmp(argv[1], "--floor") == 0) {
        floorLoad(argv[2]);  // warms the cache
        std::printf("%.2f\n", median(5, [&] { return floorLoad(argv[2]); }));
        return 0;
    }
#if !defined(__OPTIMIZE__)
    std::printf("note: unoptimized build; configure with -DCMAKE_BUILD_TYPE=Release\n");
#endif
#if defined(__SANITIZE_ADDRESS__)
    std::printf("note: sanitizers are on; the figures are not representative\n");
#endif
    std::printf("Saved-text load, warm page cache, median of the runs (ms)\n\n");
    std::printf("%7s %9s %4s | %7s %7s %8s %9s | %9s %9s | %8s %6s %6s | %9s\n", "files", "bytes",
                "runs", "list", "sort", "read+fmt", "load", "load+cb", "moves", "floor", "ratio",
                "ratio", "peak RSS");
    std::printf("%7s %9s %4s | %7s %7s %8s %9s | %9s %9s | %8s %6s %6s | %9s\n", "", "", "", "", "",
                "", "no cb", "counter", "", "", "load", "+cb", "KiB");

    std::mt19937 random(20240601);
    for (const int count : {100, 1000, 10000}) {
        Folder folder;
        if (!folder.dir.isValid() || !fillFolder(folder.dir.path(), count, random, folder.bytes)) {
            return 1;
        }
        const SavedTextStore store(folder.dir.path());
        const QByteArray nativeFolder = QFile::encodeName(folder.dir.path());
        const int runs = count >= 10000 ? 5 : 11;

        // One untimed pass of each so every run sees the same warm cache.
        load(store, {});
        floorLoad(nativeFolder);

        std::vector<LoadTimes> plain;
        const double total = median(runs, [&] {
            plain.push_back(load(store, {}));
            return plain.back().total;
        });
        const auto phaseMedian = [&plain](double LoadTimes::*field) {
            std::vector<double> values;
            for (const LoadTimes& t : plain) {
                values.push_back(t.*field);
            }
            std::sort(values.begin(), values.end());
            return values[values.size() / 2];
        };
        if (plain.front().lines != count) {
            std::fprintf(stderr, "loaded %lld of %d texts\n", qlonglong(plain.front().lines),
                         count);
            return 1;
        }
        g_moves = 0;
        const double withCallback = median(runs, [&] { return load(store, countMove).total; });
        const int movesPerLoad = g_moves / runs;
        const double floor = median(runs, [&] { return floorLoad(nativeFolder); });

        std::printf(
            "%7d %9lld %4d | %7.2f %7.2f %8.2f %9.2f | %9.2f %9d | %8.2f %6.2f %6.2f | %9ld\n",
            count, qlonglong(folder.bytes), runs, phaseMedian(&LoadTimes::list),
            phaseMedian(&LoadTimes::sort), phaseMedian(&LoadTimes::read), total, withCallback,
            movesPerLoad, floor, total / floor, withCallback / floor, peakRssKb());
    }
    std::printf(
        "\nlist/sort/read+fmt: phases of the load without a callback; load+cb: afterMove counts\n"
        "each move through a function call; floor: readdir + open/read 4 KB/close per file;\n"
        "peak RSS: the process's peak so far (getrusage ru_maxrss).\n");
    return 0;
}
