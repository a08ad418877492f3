// How the Windows program's clipboard monitor follows another Windows program's copies, under
// Wine (bench/windows_clipboard.sh runs it). Built once against this tree and, for the figures
// before, once against an older tree's headers and libraries: both use only the monitor's
// interface (createClipboardMonitor, changed, start).
//
// The listener starts the monitor and runs this program again as the other program, for one
// measurement per run (so a monitor that hangs spoils no other figure):
// --burst N INTERVAL_MS: N copies, each INTERVAL_MS after the one before (0: back to back).
//     Counted: the reports (one per copy is right), the distinct texts kept, the failed reads
//     (a copy overwritten before it could be read: its entry repeats the text before it, as
//     the history does for any failed read) and the entries with another change's text (a
//     text read that is not the change's own: from a later change, from before the burst, or
//     one already given to an earlier entry).
// --large: one copy of a 10 MiB text (10,485,760 characters, 20 MiB as UTF-16): the resident
//     memory before it, while the report's text is held (as the history holds it), at its
//     peak, and after 13 small copies have replaced it.
// Lines starting with "@ " carry the figures for the script.
//
// As the other program:
// --copies N INTERVAL_MS PREFIX: N copies of PREFIX0000, PREFIX0001, ..., each made
//     INTERVAL_MS after the one before has been made (0: back to back).
// --copy-large CHARACTERS: one copy of a text of that many characters.
#include <windows.h>
// after windows.h
#include <psapi.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QSet>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/clipboard_monitor.h"

namespace {

// ---- the other program ----

// Puts `text` on the clipboard as a plain Windows program does, waiting while another program
// holds the clipboard open.
bool copy(const std::u16string& text) {
    for (int tries = 0; !OpenClipboard(nullptr); ++tries) {
        if (tries == 5000) {
            return false;
        }
        Sleep(1);
    }
    EmptyClipboard();
    const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(char16_t));
    bool done = false;
    if (block != nullptr) {
        std::memcpy(GlobalLock(block), text.c_str(), (text.size() + 1) * sizeof(char16_t));
        GlobalUnlock(block);
        done = SetClipboardData(CF_UNICODETEXT, block) != nullptr;
    }
    CloseClipboard();
    return done;
}

double nowMs() {
    static const LONGLONG frequency = [] {
        LARGE_INTEGER value;
        QueryPerformanceFrequency(&value);
        return value.QuadPart;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return double(counter.QuadPart) * 1000.0 / double(frequency);
}

std::u16string textOf(const QString& prefix, int i) {
    return (prefix + QStringLiteral("%1").arg(i, 4, 10, QLatin1Char('0'))).toStdU16String();
}

// Each copy holds the clipboard for at least `intervalMs` before the next one replaces it.
int makeCopies(int count, int intervalMs, const QString& prefix) {
    for (int i = 0; i < count; ++i) {
        if (!copy(textOf(prefix, i))) {
            return 1;
        }
        const double next = nowMs() + intervalMs;
        while (i + 1 < count && nowMs() < next) {
            Sleep(nowMs() + 1.5 < next ? 1 : 0);
        }
    }
    return 0;
}

// ---- the listener ----

void runFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool runUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs) {
            return false;
        }
        runFor(2);
    }
    return true;
}

struct Memory {
    qint64 residentKiB = 0;
    qint64 peakKiB = 0;
};

Memory memoryNow() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return {qint64(counters.WorkingSetSize / 1024), qint64(counters.PeakWorkingSetSize / 1024)};
}

class Listener {
  public:
    Listener() : monitor_(tavro::createClipboardMonitor()) {
        QObject::connect(monitor_.get(), &tavro::ClipboardMonitor::changed,
                         [this](const tavro::ClipboardChange& change) {
                             texts_.push_back(change.text);
                             lastReportMs_ = nowMs();
                         });
        monitor_->start();
    }

    // Runs this program as the other program with `arguments`; then waits until the text
    // `last` has been reported (the last change stays on the clipboard) and no report has
    // come for half a second.
    bool runOtherProgram(const QStringList& arguments, const QString& last) {
        QProcess other;
        other.start(QCoreApplication::applicationFilePath(), arguments);
        const bool ended =
            runUntil([&] { return other.state() == QProcess::NotRunning; }, 300000) &&
            other.exitStatus() == QProcess::NormalExit && other.exitCode() == 0;
        if (!ended) {
            other.kill();
            other.waitForFinished(5000);
        }
        const bool seen = runUntil(
            [&] {
                for (const std::optional<QString>& text : texts_) {
                    if (text == last) {
                        return true;
                    }
                }
                return false;
            },
            30000);
        runUntil([&] { return nowMs() - lastReportMs_ > 500; }, 30000);
        return ended && seen;
    }

    std::vector<std::optional<QString>>& texts() { return texts_; }

  private:
    std::unique_ptr<tavro::ClipboardMonitor> monitor_;
    std::vector<std::optional<QString>> texts_;
    double lastReportMs_ = 0;
};

void print(const QByteArray& key, const QString& value) {
    std::printf("@ %s %s\n", key.constData(), qPrintable(value));
}

void measureBurst(Listener& listener, int count, int intervalMs) {
    const QString prefix = QStringLiteral("burst-%1-%2-").arg(count).arg(intervalMs);
    const QString last = QString::fromStdU16String(textOf(prefix, count - 1));
    listener.texts().clear();
    const double start = nowMs();
    const bool complete = listener.runOtherProgram(
        {QStringLiteral("--copies"), QString::number(count), QString::number(intervalMs), prefix},
        last);
    const std::vector<std::optional<QString>> texts = std::move(listener.texts());
    listener.texts().clear();

    const bool oneEach = int(texts.size()) == count;
    int failed = 0;
    int otherChangesText = 0;
    int laterText = 0;
    QSet<int> kept;
    for (size_t i = 0; i < texts.size(); ++i) {
        if (!texts[i]) {
            ++failed;
            continue;
        }
        if (!texts[i]->startsWith(prefix)) {
            ++otherChangesText;  // a text from before the burst
            continue;
        }
        const int index = texts[i]->mid(prefix.size()).toInt();
        if (kept.contains(index) || (oneEach && index != int(i))) {
            ++otherChangesText;
        }
        if (oneEach && index > int(i)) {
            ++laterText;
        }
        kept.insert(index);
    }
    const QByteArray key = "burst_" + QByteArray::number(count) + "_" +
                           (intervalMs > 0 ? QByteArray("spaced") : QByteArray("fast"));
    std::printf(
        "%5d copies %s: reports %zu, distinct texts kept %lld, failed reads %d, entries with "
        "another change's text %d (a later one's: %s)%s, %.0f ms\n",
        count, intervalMs > 0 ? "5 ms apart  " : "back to back", texts.size(),
        qlonglong(kept.size()), failed, otherChangesText,
        oneEach ? qPrintable(QString::number(laterText)) : "not known",
        complete ? "" : " (INCOMPLETE)", nowMs() - start);
    print(key + "_reports", QString::number(texts.size()));
    print(key + "_kept", QString::number(kept.size()));
    print(key + "_failed", QString::number(failed));
    print(key + "_other_text", QString::number(otherChangesText));
    print(key + "_later_text", oneEach ? QString::number(laterText) : QStringLiteral("n/a"));
}

void measureLargeCopy(Listener& listener) {
    constexpr int kCharacters = 10 * 1024 * 1024;
    listener.texts().clear();
    runFor(500);
    const Memory before = memoryNow();
    listener.runOtherProgram({QStringLiteral("--copy-large"), QString::number(kCharacters)},
                             QString(kCharacters, QLatin1Char('x')));
    // The report's text is held, as the history holds it.
    const Memory holding = memoryNow();
    const bool whole = !listener.texts().empty() && listener.texts().back() &&
                       listener.texts().back()->size() == kCharacters;
    listener.texts().clear();
    listener.runOtherProgram({QStringLiteral("--copies"), QStringLiteral("13"), QStringLiteral("5"),
                              QStringLiteral("small-")},
                             QStringLiteral("small-0012"));
    listener.texts().clear();
    const Memory after = memoryNow();
    std::printf(
        "one copy of %d characters%s: resident %lld KiB before, %lld KiB holding its text "
        "(%.1f bytes per character), peak %lld KiB; %lld KiB after 13 small copies\n",
        kCharacters, whole ? "" : " (NOT READ WHOLE)", before.residentKiB, holding.residentKiB,
        double(holding.residentKiB - before.residentKiB) * 1024 / kCharacters, holding.peakKiB,
        after.residentKiB);
    print("large_before_kib", QString::number(before.residentKiB));
    print("large_holding_kib", QString::number(holding.residentKiB));
    print("large_bytes_per_char",
          QString::number(double(holding.residentKiB - before.residentKiB) * 1024 / kCharacters,
                          'f', 1));
    print("large_peak_kib", QString::number(holding.peakKiB));
    print("large_after_kib", QString::number(after.residentKiB));
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc == 5 && std::strcmp(argv[1], "--copies") == 0) {
        return makeCopies(std::atoi(argv[2]), std::atoi(argv[3]), QString::fromLocal8Bit(argv[4]));
    }
    if (argc == 3 && std::strcmp(argv[1], "--copy-large") == 0) {
        return copy(std::u16string(size_t(std::atoi(argv[2])), u'x')) ? 0 : 1;
    }
    const bool burst = argc == 4 && std::strcmp(argv[1], "--burst") == 0;
    if (!burst && !(argc == 2 && std::strcmp(argv[1], "--large") == 0)) {
        std::fprintf(stderr, "usage: %s --burst N INTERVAL_MS | --large\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    Listener listener;
    if (burst) {
        measureBurst(listener, std::atoi(argv[2]), std::atoi(argv[3]));
    } else {
        measureLargeCopy(listener);
    }
    return 0;
}
