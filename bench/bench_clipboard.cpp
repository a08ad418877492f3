// Times how the clipboard history follows the real X11 clipboard, in this process, under a
// running X server (Xvfb will do):
//
//  1. latency: another process takes the clipboard with a new text; the time until the text is
//     the newest history entry of a tavro::Form1. The floor is the same round trip with a plain
//     QClipboard::changed listener that reads the text and nothing else. Both are measured with
//     a helper process of this program (`bench_clipboard --owner`, which sets the clipboard on
//     command and answers with the CLOCK_MONOTONIC time it did so) and with one `xclip -i` run
//     per change (timed from just before the spawn, so it includes starting xclip). Also timed:
//     each clipboard call the window's handler makes (formats(), hasImage(), text()).
//  2. burst: 1,000 changes as fast as the helper can make them, then 1,000 sequential
//     `xclip -i` runs, into the bare listener and into the window. Counts the clipboard
//     notifications, the texts taken and the distinct texts among them, checks that no
//     notification arrived while one was being handled, and measures the largest gaps between
//     the ticks of a 10 ms timer.
//
// Only measures and prints. Lines starting with "@ " carry the figures for scripts.
#include <time.h>
#include <unistd.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMimeData>
#include <QProcess>
#include <QSet>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "clip/history.h"
#include "shell/toolkit.h"
#include "ui/form1.h"
#include "ui/text_list.h"

namespace {

// The same clock in both processes, so a time stamp of the helper can be compared with one
// taken here.
std::int64_t nowNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return std::int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

void writeAll(int fd, const QByteArray& bytes) {
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, size_t(left));
        if (n <= 0) {
            return;
        }
        data += n;
        left -= n;
    }
}

// ---------------------------------------------------------------------------------------------
// The helper: a clipboard owner that reads commands from its standard input, one a line.
//   set TEXT          takes the clipboard with TEXT; answers "ack T_BEFORE T_AFTER"
//   burst N PREFIX    takes it N times in a row with PREFIX0000 ... (serving requests between);
//                     answers "done T_FIRST T_LAST"
//   quit              ends
int runOwner(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    QClipboard* clipboard = QGuiApplication::clipboard();
    QByteArray pending;
    QSocketNotifier notifier(STDIN_FILENO, QSocketNotifier::Read);

    auto handle = [&](const QByteArray& line) {
        if (line.startsWith("set ")) {
            const QString text = QString::fromUtf8(line.mid(4));
            const std::int64_t before = nowNs();
            clipboard->setText(text, QClipboard::Clipboard);
            const std::int64_t after = nowNs();
            writeAll(STDOUT_FILENO, "ack " + QByteArray::number(qint64(before)) + ' ' +
                                        QByteArray::number(qint64(after)) + '\n');
        } else if (line.startsWith("burst ")) {
            const QList<QByteArray> parts = line.split(' ');
            const int count = parts.value(1).toInt();
            const QString prefix = QString::fromUtf8(parts.value(2));
            std::int64_t first = 0;
            std::int64_t last = 0;
            for (int i = 0; i < count; ++i) {
                last = nowNs();
                if (i == 0) {
                    first = last;
                }
                clipboard->setText(prefix + QStringLiteral("%1").arg(i, 4, 10, QLatin1Char('0')),
                                   QClipboard::Clipboard);
                // Serve the readers of the previous text before taking the clipboard again.
                QCoreApplication::processEvents();
            }
            writeAll(STDOUT_FILENO, "done " + QByteArray::number(qint64(first)) + ' ' +
                                        QByteArray::number(qint64(last)) + '\n');
        } else if (line == "quit") {
            QCoreApplication::quit();
        }
    };
    QObject::connect(&notifier, &QSocketNotifier::activated, &app, [&] {
        char buffer[4096];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            notifier.setEnabled(false);
            QCoreApplication::quit();
            return;
        }
        pending.append(buffer, n);
        qsizetype end;
        while ((end = pending.indexOf('\n')) >= 0) {
            const QByteArray line = pending.left(end);
            pending.remove(0, end + 1);
            handle(line);
        }
    });
    writeAll(STDOUT_FILENO, "ready\n");
    return app.exec();
}

// ---------------------------------------------------------------------------------------------
// The measuring side.

// Runs the event loop until done() holds or timeoutMs passes; true when done() holds.
bool runUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    // Wakes the loop now and then so the deadline is noticed without any other event.
    QTimer wake;
    wake.start(50);
    while (!done()) {
        if (timer.elapsed() >= timeoutMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// The helper process, driven line by line.
class Owner {
  public:
    bool start(const QString& program) {
        process_.setProgram(program);
        process_.setArguments({QStringLiteral("--owner")});
        process_.setProcessChannelMode(QProcess::SeparateChannels);
        process_.setReadChannel(QProcess::StandardOutput);
        QObject::connect(&process_, &QProcess::readyReadStandardOutput, [this] {
            while (process_.canReadLine()) {
                lines_.push_back(process_.readLine().trimmed());
            }
        });
        QObject::connect(&process_, &QProcess::readyReadStandardError, [this] {
            std::fprintf(stderr, "owner: %s", process_.readAllStandardError().constData());
        });
        process_.start();
        if (!process_.waitForStarted(10000)) {
            return false;
        }
        QByteArray ready;
        return nextLine(&ready, 10000) && ready == "ready";
    }

    void send(const QByteArray& line) { process_.write(line + '\n'); }

    bool hasLine() const { return !lines_.empty(); }

    bool nextLine(QByteArray* line, int timeoutMs) {
        if (!runUntil([this] { return hasLine(); }, timeoutMs)) {
            return false;
        }
        *line = lines_.front();
        lines_.pop_front();
        return true;
    }

    void stop() {
        if (process_.state() == QProcess::NotRunning) {
            return;
        }
        send("quit");
        if (!process_.waitForFinished(5000)) {
            process_.kill();
            process_.waitForFinished(2000);
        }
    }

  private:
    QProcess process_;
    std::deque<QByteArray> lines_;
};

// Starts `xclip -selection clipboard -i` with text on its standard input.
std::unique_ptr<QProcess> startXclip(const QString& text) {
    auto process = std::make_unique<QProcess>();
    // xclip leaves a child behind that serves the text; it must not hold our pipes.
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    process->start(QStringLiteral("xclip"), {QStringLiteral("-selection"),
                                             QStringLiteral("clipboard"), QStringLiteral("-i")});
    process->write(text.toUtf8());
    process->closeWriteChannel();
    return process;
}

struct Stats {
    int samples = 0;
    double median = 0;
    double p95 = 0;
    double p99 = 0;
    double max = 0;
};

// Nearest-rank percentiles.
Stats statsOf(std::vector<double> values) {
    Stats stats;
    stats.samples = int(values.size());
    if (values.empty()) {
        return stats;
    }
    std::sort(values.begin(), values.end());
    auto rank = [&](double p) {
        size_t index = size_t(p * double(values.size()) + 0.999999);
        index = std::clamp<size_t>(index, 1, values.size());
        return values[index - 1];
    };
    stats.median = rank(0.5);
    stats.p95 = rank(0.95);
    stats.p99 = rank(0.99);
    stats.max = values.back();
    return stats;
}

// Everything the listeners note about the changes: the text a latency round waits for, and
// the counts of a burst.
struct Tracker {
    // ---- latency rounds ----
    QString expected;         // the text that must show up; empty between rounds
    std::int64_t seenNs = 0;  // when it did
    std::int64_t handlerStartNs = 0;
    std::vector<double> handlerMs;  // time inside the window's handler, per round

    // ---- bursts ----
    bool counting = false;
    QString prefix;               // only texts with this prefix count
    QString last;                 // the last text of the burst
    std::int64_t lastSeenNs = 0;  // when it became the newest text
    int notifications = 0;        // QClipboard::changed for the clipboard
    int updates = 0;              // texts taken (history updates for the window)
    int duplicates = 0;           // updates that repeated the newest text
    int nested = 0;               // notifications that arrived while one was being handled
    int busyTicks = 0;            // timer ticks that ran while a notification was handled
    QString previous;
    QSet<QString> distinct;

    void startBurst(const QString& burstPrefix, const QString& lastText) {
        prefix = burstPrefix;
        last = lastText;
        lastSeenNs = 0;
        notifications = updates = duplicates = nested = busyTicks = 0;
        previous.clear();
        distinct.clear();
        counting = true;
    }

    // A text became the newest one (read by the bare listener, or the window's newest entry).
    void took(const QString& text) {
        const std::int64_t now = nowNs();
        if (!expected.isEmpty() && seenNs == 0 && text == expected) {
            seenNs = now;
            if (handlerStartNs != 0) {
                handlerMs.push_back(double(now - handlerStartNs) / 1e6);
            }
        }
        if (counting) {
            if (text == previous) {
                ++duplicates;
            }
            previous = text;
            if (text.startsWith(prefix)) {
                distinct.insert(text);
            }
            if (text == last && lastSeenNs == 0) {
                lastSeenNs = now;
            }
        }
    }
};

enum class Source { Owner, Xclip };

// Makes count changes one at a time and returns the latencies in ms. Each change waits for the
// previous one to be seen. *misses counts the changes not seen within 5 s.
std::vector<double> measureLatency(Source source, Owner& owner, Tracker& tracker,
                                   const QString& tag, int count, int* misses) {
    std::vector<double> latencies;
    latencies.reserve(size_t(count));
    tracker.handlerMs.clear();
    *misses = 0;
    for (int i = 0; i < count; ++i) {
        tracker.expected = QStringLiteral("tavro-bench %1 %2 %3")
                               .arg(tag)
                               .arg(i, 4, 10, QLatin1Char('0'))
                               .arg(QCoreApplication::applicationPid());
        tracker.seenNs = 0;
        tracker.handlerStartNs = 0;
        std::int64_t t0 = 0;
        if (source == Source::Owner) {
            owner.send("set " + tracker.expected.toUtf8());
            QByteArray ack;
            if (!owner.nextLine(&ack, 5000) || !ack.startsWith("ack ")) {
                ++*misses;
                continue;
            }
            t0 = ack.split(' ').value(1).toLongLong();
            if (!runUntil([&] { return tracker.seenNs != 0; }, 5000)) {
                ++*misses;
                continue;
            }
        } else {
            t0 = nowNs();
            std::unique_ptr<QProcess> xclip = startXclip(tracker.expected);
            const bool seen = runUntil(
                [&] { return tracker.seenNs != 0 && xclip->state() == QProcess::NotRunning; },
                5000);
            if (!seen || tracker.seenNs == 0) {
                ++*misses;
                xclip->kill();
                xclip->waitForFinished(1000);
                continue;
            }
        }
        latencies.push_back(double(tracker.seenNs - t0) / 1e6);
    }
    tracker.expected.clear();
    return latencies;
}

void printLatency(const char* key, const char* what, const std::vector<double>& latencies,
                  int misses) {
    const Stats s = statsOf(latencies);
    std::printf("  %-40s n=%4d missed=%d  median %7.3f ms  p95 %7.3f ms  max %7.3f ms\n", what,
                s.samples, misses, s.median, s.p95, s.max);
    std::printf("@ %s_median_ms %.3f\n@ %s_p95_ms %.3f\n@ %s_missed %d\n", key, s.median, key,
                s.p95, key, misses);
}

// The figures of one burst.
struct BurstResult {
    int made = 0;
    int notifications = 0;
    int updates = 0;
    int duplicates = 0;
    int distinct = 0;  // distinct texts of the burst that were taken
    int nested = 0;
    int busyTicks = 0;
    bool lastSeen = false;  // the last text was taken
    double makeMs = 0;      // first change made -> last change made
    double drainMs = 0;     // first change made -> last text taken
    Stats gaps;             // gaps between the 10 ms timer's ticks, ms
    int messages = 0;       // messages the window tried to show
};

BurstResult measureBurst(Source source, Owner& owner, Tracker& tracker,
                         const std::function<bool()>& inHandler, const QString& tag, int count,
                         const int& messages) {
    BurstResult result;
    const int messagesBefore = messages;
    // No spaces: the helper takes the prefix as one word.
    const QString prefix =
        QStringLiteral("tavro-burst-%1-%2-").arg(tag).arg(QCoreApplication::applicationPid());
    auto textOf = [&](int i) {
        return prefix + QStringLiteral("%1").arg(i, 4, 10, QLatin1Char('0'));
    };

    std::vector<std::int64_t> ticks;
    ticks.reserve(100000);
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        ticks.push_back(nowNs());
        if (inHandler()) {
            ++tracker.busyTicks;
        }
    });
    ticker.start(10);
    // Let the ticker settle before the first change.
    runUntil([&] { return ticks.size() >= 5; }, 2000);

    tracker.startBurst(prefix, textOf(count - 1));
    std::int64_t first = 0;
    std::int64_t lastMade = 0;
    if (source == Source::Owner) {
        owner.send("burst " + QByteArray::number(count) + ' ' + prefix.toUtf8());
        QByteArray done;
        if (owner.nextLine(&done, 120000) && done.startsWith("done ")) {
            const QList<QByteArray> parts = done.split(' ');
            first = parts.value(1).toLongLong();
            lastMade = parts.value(2).toLongLong();
            result.made = count;
        }
    } else {
        first = nowNs();
        for (int i = 0; i < count; ++i) {
            std::unique_ptr<QProcess> xclip = startXclip(textOf(i));
            if (!runUntil([&] { return xclip->state() == QProcess::NotRunning; }, 10000)) {
                xclip->kill();
                xclip->waitForFinished(1000);
                continue;
            }
            if (xclip->exitStatus() == QProcess::NormalExit && xclip->exitCode() == 0) {
                ++result.made;
            }
        }
        lastMade = nowNs();
    }
    result.lastSeen = runUntil([&] { return tracker.lastSeenNs != 0; }, 30000);
    // Whatever notifications are still queued arrive within a moment.
    const std::int64_t settleUntil = nowNs() + 300 * 1000000LL;
    runUntil([&] { return nowNs() >= settleUntil; }, 1000);
    tracker.counting = false;
    ticker.stop();

    result.notifications = tracker.notifications;
    result.updates = tracker.updates;
    result.duplicates = tracker.duplicates;
    result.distinct = int(tracker.distinct.size());
    result.nested = tracker.nested;
    result.busyTicks = tracker.busyTicks;
    result.makeMs = double(lastMade - first) / 1e6;
    result.drainMs = result.lastSeen ? double(tracker.lastSeenNs - first) / 1e6 : 0;
    result.messages = messages - messagesBefore;
    std::vector<double> gaps;
    for (size_t i = 1; i < ticks.size(); ++i) {
        if (ticks[i] >= first) {
            gaps.push_back(double(ticks[i] - ticks[i - 1]) / 1e6);
        }
    }
    result.gaps = statsOf(gaps);
    return result;
}

// withHandler: the window took the changes, so nesting and busy ticks mean something.
void printBurst(const char* key, const char* what, const BurstResult& r, bool withHandler) {
    std::printf("  %s\n", what);
    std::printf("    changes made %d in %.0f ms; last text taken after %.0f ms%s\n", r.made,
                r.makeMs, r.drainMs, r.lastSeen ? "" : " (NEVER)");
    std::printf(
        "    notifications %d, texts taken %d (repeating the previous one: %d), distinct "
        "texts %d\n",
        r.notifications, r.updates, r.duplicates, r.distinct);
    if (withHandler) {
        std::printf("    nested notifications %d, timer ticks inside the handler %d, messages %d\n",
                    r.nested, r.busyTicks, r.messages);
    }
    std::printf("    10 ms timer gaps: n=%d median %.2f ms, p99 %.2f ms, max %.2f ms\n",
                r.gaps.samples, r.gaps.median, r.gaps.p99, r.gaps.max);
    std::printf("@ %s_made %d\n@ %s_notifications %d\n@ %s_updates %d\n@ %s_duplicates %d\n", key,
                r.made, key, r.notifications, key, r.updates, key, r.duplicates);
    std::printf("@ %s_distinct %d\n@ %s_nested %d\n@ %s_busy_ticks %d\n", key, r.distinct, key,
                r.nested, key, r.busyTicks);
    std::printf("@ %s_gap_p99_ms %.2f\n@ %s_gap_max_ms %.2f\n", key, r.gaps.p99, key, r.gaps.max);
    std::printf("@ %s_make_ms %.0f\n@ %s_drain_ms %.0f\n@ %s_last_seen %d\n", key, r.makeMs, key,
                r.drainMs, key, r.lastSeen ? 1 : 0);
}

int runBench(int argc, char** argv) {
    int latencyCount = 200;
    int burstCount = 1000;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--changes") == 0) {
            latencyCount = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--burst") == 0) {
            burstCount = std::atoi(argv[++i]);
        }
    }
    QApplication app(argc, argv);
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        std::fprintf(stderr, "needs the xcb platform (an X display), not %s\n",
                     qPrintable(QGuiApplication::platformName()));
        return 2;
    }
    QApplication::setQuitOnLastWindowClosed(false);
    int messages = 0;
    tavro::setMessageSink([&](const QString& text) {
        ++messages;
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    });

#ifndef NDEBUG
    std::printf("note: unoptimized build; configure with -DCMAKE_BUILD_TYPE=Release\n");
#endif
    std::printf("Clipboard history on X11 (display %s)\n\n", qgetenv("DISPLAY").constData());
    std::fflush(stdout);

    Owner owner;
    if (!owner.start(QCoreApplication::applicationFilePath())) {
        std::fprintf(stderr, "the clipboard helper did not start\n");
        return 1;
    }
    QClipboard* clipboard = QApplication::clipboard();
    Tracker tracker;
    auto never = [] { return false; };

    // ---- the floor: a bare listener that reads the text and nothing else ----
    int misses = 0;
    std::vector<double> floorOwner;
    std::vector<double> floorXclip;
    BurstResult floorBurst;
    BurstResult floorXclipBurst;
    {
        const QMetaObject::Connection listener =
            QObject::connect(clipboard, &QClipboard::changed, [&](QClipboard::Mode mode) {
                if (mode != QClipboard::Clipboard) {
                    return;
                }
                if (tracker.counting) {
                    ++tracker.notifications;
                    ++tracker.updates;
                }
                tracker.took(clipboard->text(QClipboard::Clipboard));
            });
        // A few unmeasured rounds first: the first reads set up Qt's atoms and caches.
        measureLatency(Source::Owner, owner, tracker, QStringLiteral("warm"), 10, &misses);
        floorOwner = measureLatency(Source::Owner, owner, tracker, QStringLiteral("floor"),
                                    latencyCount, &misses);
        const int floorOwnerMisses = misses;
        floorXclip = measureLatency(Source::Xclip, owner, tracker, QStringLiteral("floor-xclip"),
                                    latencyCount, &misses);
        std::printf("(a) latency: clipboard set by another process -> text taken\n");
        printLatency("floor_owner", "bare QClipboard listener, helper owner", floorOwner,
                     floorOwnerMisses);
        printLatency("floor_xclip", "bare QClipboard listener, xclip spawn", floorXclip, misses);
        std::fflush(stdout);
        floorBurst = measureBurst(Source::Owner, owner, tracker, never, QStringLiteral("floor"),
                                  burstCount, messages);
        floorXclipBurst = measureBurst(Source::Xclip, owner, tracker, never,
                                       QStringLiteral("floor-xclip"), burstCount, messages);
        QObject::disconnect(listener);
    }

    // ---- what each clipboard call of the window's handler costs ----
    // The same calls in the same order as Form1::ChangeClipBoard makes them, each timed, on a
    // fresh change every round (Qt caches a change's format list, not the owner check).
    {
        std::vector<double> formatsMs;
        std::vector<double> hasImageMs;
        std::vector<double> textMs;
        const QMetaObject::Connection listener =
            QObject::connect(clipboard, &QClipboard::changed, [&](QClipboard::Mode mode) {
                if (mode != QClipboard::Clipboard || tracker.expected.isEmpty()) {
                    return;
                }
                const std::int64_t t0 = nowNs();
                const QMimeData* content = clipboard->mimeData(QClipboard::Clipboard);
                const QStringList formats = content ? content->formats() : QStringList();
                const std::int64_t t1 = nowNs();
                const bool image = content && content->hasImage();
                const std::int64_t t2 = nowNs();
                const QString text = content ? content->text() : QString();
                const std::int64_t t3 = nowNs();
                if (text == tracker.expected && !image && !formats.isEmpty()) {
                    formatsMs.push_back(double(t1 - t0) / 1e6);
                    hasImageMs.push_back(double(t2 - t1) / 1e6);
                    textMs.push_back(double(t3 - t2) / 1e6);
                }
                tracker.took(text);
            });
        measureLatency(Source::Owner, owner, tracker, QStringLiteral("calls"), latencyCount,
                       &misses);
        QObject::disconnect(listener);
        const Stats f = statsOf(formatsMs);
        const Stats h = statsOf(hasImageMs);
        const Stats t = statsOf(textMs);
        std::printf(
            "  cost of each clipboard call, text owned by the helper (n=%d): "
            "formats() %.3f ms, hasImage() %.3f ms, text() %.3f ms (medians)\n",
            f.samples, f.median, h.median, t.median);
        std::printf("@ call_formats_ms %.3f\n@ call_hasimage_ms %.3f\n@ call_text_ms %.3f\n",
                    f.median, h.median, t.median);
        std::fflush(stdout);
    }

    // ---- the window ----
    QTemporaryDir programFolder;
    tavro::Form1::Options options;
    options.programFolder = programFolder.path();
    options.trayAvailable = false;
    auto form = std::make_unique<tavro::Form1>(options);
    auto inHandler = [&] { return form->watcher().inHook(); };

    // Connected before the window hooks the clipboard, so it runs before the window's handler
    // for every notification: a handler running at that moment means a nested notification.
    QObject::connect(clipboard, &QClipboard::changed, [&](QClipboard::Mode mode) {
        if (mode != QClipboard::Clipboard) {
            return;
        }
        tracker.handlerStartNs = nowNs();
        if (tracker.counting) {
            ++tracker.notifications;
            if (inHandler()) {
                ++tracker.nested;
            }
        }
    });
    if (!form->Form_Load()) {
        std::fprintf(stderr, "Form_Load failed\n");
        owner.stop();
        return 1;
    }
    QObject::connect(form->List1->model(), &QAbstractItemModel::rowsInserted, [&] {
        if (tracker.counting) {
            ++tracker.updates;
        }
    });
    // Connected after the hook: runs once the window's handler has returned.
    QObject::connect(clipboard, &QClipboard::changed, [&](QClipboard::Mode mode) {
        if (mode == QClipboard::Clipboard) {
            tracker.took(tavro::historyEntryText(form->List1->line(0)));
        }
    });
    runUntil([&] { return form->isVisible(); }, 5000);

    measureLatency(Source::Owner, owner, tracker, QStringLiteral("warm-window"), 10, &misses);
    const std::vector<double> formOwner = measureLatency(
        Source::Owner, owner, tracker, QStringLiteral("window"), latencyCount, &misses);
    const Stats handler = statsOf(tracker.handlerMs);
    const int formOwnerMisses = misses;
    const std::vector<double> formXclip = measureLatency(
        Source::Xclip, owner, tracker, QStringLiteral("window-xclip"), latencyCount, &misses);
    printLatency("form_owner", "Form1 history entry, helper owner", formOwner, formOwnerMisses);
    printLatency("form_xclip", "Form1 history entry, xclip spawn", formXclip, misses);
    std::printf(
        "  of which inside Form1's handler (ChangeClipBoard, helper owner): median %.3f ms,"
        " p95 %.3f ms\n",
        handler.median, handler.p95);
    const double ratioOwner =
        statsOf(formOwner).median / std::max(1e-9, statsOf(floorOwner).median);
    const double ratioXclip =
        statsOf(formXclip).median / std::max(1e-9, statsOf(floorXclip).median);
    std::printf("  median ratio Form1 / floor: helper owner %.2f, xclip spawn %.2f\n\n", ratioOwner,
                ratioXclip);
    std::printf("@ handler_median_ms %.3f\n@ handler_p95_ms %.3f\n", handler.median, handler.p95);
    std::printf("@ ratio_owner %.2f\n@ ratio_xclip %.2f\n", ratioOwner, ratioXclip);
    std::fflush(stdout);

    // ---- bursts ----
    std::printf("(b) bursts of %d changes\n", burstCount);
    printBurst("burst_floor", "bare listener, helper owner back to back:", floorBurst, false);
    printBurst("burst_floor_xclip", "bare listener, sequential xclip -i runs:", floorXclipBurst,
               false);
    const BurstResult ownerBurst = measureBurst(Source::Owner, owner, tracker, inHandler,
                                                QStringLiteral("owner"), burstCount, messages);
    printBurst("burst_owner", "Form1, helper owner back to back:", ownerBurst, true);
    std::fflush(stdout);
    const BurstResult xclipBurst = measureBurst(Source::Xclip, owner, tracker, inHandler,
                                                QStringLiteral("xclip"), burstCount, messages);
    printBurst("burst_xclip", "Form1, sequential xclip -i runs:", xclipBurst, true);
    std::printf("  history lines now %d (at most 13)\n", form->List1->count());
    std::printf("@ history_lines %d\n", form->List1->count());

    owner.stop();
    form.reset();
    tavro::setMessageSink({});
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // The X11 clipboard is what is measured; don't let the environment pick another platform.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    if (argc > 1 && std::strcmp(argv[1], "--owner") == 0) {
        return runOwner(argc, argv);
    }
    return runBench(argc, argv);
}
