// Times how the clipboard history follows the real X11 clipboard, in this process, under a
// running X server (Xvfb will do), beside a bare Qt listener (a QClipboard::changed slot that
// reads the text on the window's thread, as a plain Qt program does):
//
//  (a) latency: another process takes the clipboard with a new text; the time until the text
//      is the newest history entry of the program (tavro::Application), or read by the bare listener. Measured
//      with a helper process of this program (`bench_clipboard --owner`, which sets the
//      clipboard on command and answers with the CLOCK_MONOTONIC time it did so) and with one
//      `xclip -i` run per change (timed from just before the spawn). Also timed: what each
//      clipboard call of Qt costs (formats(), hasImage(), text()).
//  (b) bursts: 13, 100 and 1,000 sequential `xclip -i` runs (each starts when the one before
//      has ended, about 5 ms apart), and 1,000 changes as fast as the helper can make them.
//      Counts the reports, the texts taken, the distinct texts, whether they came in order and
//      how many entries got the text of a later change; and the largest gaps between the ticks
//      of a 10 ms timer.
//  (c) stalls: the longest gap between the ticks of a 10 ms timer while a misbehaving owner
//      (tests/tools/bad_clipboard_owner) holds the clipboard: one that never answers, one that
//      never sends its text, one that sends a byte a second, and one that never answers and
//      takes the clipboard again every second.
//
// Only measures and prints. Lines starting with "@ " carry the figures for scripts.
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>

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
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "app/application.h"
#include "core/clipboard_formats.h"
#include "core/history_model.h"
#include "platform/clipboard_monitor.h"
#include "ui/main_window.h"
#include "ui/message_box.h"

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
// The burst maker: `--xclip-burst COUNT INTERVAL_MS PREFIX` runs `xclip -i` COUNT times, each
// run started INTERVAL_MS after the one before (or when it ends, if later), with the texts
// PREFIX0000, PREFIX0001, ... A process of its own, so the listener under test does not
// decide when the next copy comes.
int runXclipBurst(int count, int intervalMs, const char* prefix) {
    auto next = std::chrono::steady_clock::now();
    for (int i = 0; i < count; ++i) {
        next += std::chrono::milliseconds(intervalMs);
        char text[256];
        std::snprintf(text, sizeof text, "%s%04d", prefix, i);
        int input[2];
        if (pipe(input) != 0) {
            return 1;
        }
        const pid_t pid = fork();
        if (pid == 0) {
            dup2(input[0], STDIN_FILENO);
            close(input[0]);
            close(input[1]);
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, STDOUT_FILENO);
            dup2(null, STDERR_FILENO);
            execlp("xclip", "xclip", "-selection", "clipboard", "-i", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(input[0]);
        writeAll(input[1], QByteArray(text));
        close(input[1]);
        int status = 0;
        waitpid(pid, &status, 0);
        std::this_thread::sleep_until(next);
    }
    return 0;
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

// The server times of the clipboard's owner changes, as XFixes reports them to a connection
// and thread of their own: how long each change held the clipboard, whatever the listener
// under test makes of it.
class OwnerLog {
  public:
    OwnerLog() {
        connection_ = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(connection_) != 0) {
            return;
        }
        free(xcb_xfixes_query_version_reply(connection_,
                                            xcb_xfixes_query_version(connection_, 1, 0), nullptr));
        xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
            connection_, xcb_intern_atom(connection_, 0, 9, "CLIPBOARD"), nullptr);
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
        if (atom == nullptr || screen == nullptr) {
            free(atom);
            return;
        }
        xcb_xfixes_select_selection_input(connection_, screen->root, atom->atom,
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER);
        free(atom);
        xcb_flush(connection_);
        const std::uint8_t firstEvent =
            xcb_get_extension_data(connection_, &xcb_xfixes_id)->first_event;
        thread_ = std::thread([this, firstEvent] {
            while (!stop_) {
                pollfd fd{xcb_get_file_descriptor(connection_), POLLIN, 0};
                poll(&fd, 1, 100);
                while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
                    if ((event->response_type & 0x7f) == firstEvent + XCB_XFIXES_SELECTION_NOTIFY) {
                        const auto* notify =
                            reinterpret_cast<xcb_xfixes_selection_notify_event_t*>(event);
                        std::lock_guard<std::mutex> lock(mutex_);
                        times_.push_back(notify->selection_timestamp);
                    }
                    free(event);
                }
            }
        });
    }
    ~OwnerLog() {
        stop_ = true;
        if (thread_.joinable()) {
            thread_.join();
        }
        xcb_disconnect(connection_);
    }
    bool works() const { return thread_.joinable(); }
    size_t size() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return times_.size();
    }
    // The times (server milliseconds) of the changes from the index-th on.
    std::vector<std::uint32_t> since(size_t index) const {
        std::lock_guard<std::mutex> lock(mutex_);
        return {times_.begin() + std::ptrdiff_t(std::min(index, times_.size())), times_.end()};
    }

  private:
    xcb_connection_t* connection_ = nullptr;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<std::uint32_t> times_;
};

OwnerLog* ownerLog = nullptr;

// Everything the listener under test notes about the changes: the text a latency round waits
// for, and the counts of a burst.
struct Tracker {
    // ---- latency rounds ----
    QString expected;         // the text that must show up; empty between rounds
    std::int64_t seenNs = 0;  // when it did

    // ---- bursts ----
    bool counting = false;
    QString prefix;               // texts of the burst start with it
    QString last;                 // the last text of the burst
    std::int64_t lastSeenNs = 0;  // when it became the newest text
    int reports = 0;              // changes reported (QClipboard::changed, or Tavro's monitor)
    std::vector<QString> taken;   // the texts taken (history entries), in order

    void startBurst(const QString& burstPrefix, const QString& lastText) {
        prefix = burstPrefix;
        last = lastText;
        lastSeenNs = 0;
        reports = 0;
        taken.clear();
        counting = true;
    }

    // A text became the newest one (read by the bare listener, or the window's newest entry).
    void took(const QString& text) {
        const std::int64_t now = nowNs();
        if (!expected.isEmpty() && seenNs == 0 && text == expected) {
            seenNs = now;
        }
        if (counting) {
            taken.push_back(text);
            if (text == last && lastSeenNs == 0) {
                lastSeenNs = now;
            }
        }
    }
};

// The listener under test: the bare one, or the window.
struct Listener {
    const char* key;   // for the "@ " lines
    const char* name;  // for people
    Tracker tracker;
};

enum class Source { Owner, Xclip };

// How far apart the copies of an xclip burst start.
constexpr int kBurstIntervalMs = 5;

// Makes count changes one at a time and returns the latencies in ms. Each change waits for the
// previous one to be seen. *misses counts the changes not seen within 5 s.
std::vector<double> measureLatency(Source source, Owner& owner, Tracker& tracker,
                                   const QString& tag, int count, int* misses) {
    std::vector<double> latencies;
    latencies.reserve(size_t(count));
    *misses = 0;
    for (int i = 0; i < count; ++i) {
        tracker.expected = QStringLiteral("tavro-bench %1 %2 %3")
                               .arg(tag)
                               .arg(i, 4, 10, QLatin1Char('0'))
                               .arg(QCoreApplication::applicationPid());
        tracker.seenNs = 0;
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

void printLatency(const QByteArray& key, const char* what, const std::vector<double>& latencies,
                  int misses) {
    const Stats s = statsOf(latencies);
    std::printf("  %-44s n=%4d missed=%d  median %7.3f ms  p95 %7.3f ms  max %7.3f ms\n", what,
                s.samples, misses, s.median, s.p95, s.max);
    std::printf("@ %s_median_ms %.3f\n@ %s_p95_ms %.3f\n@ %s_missed %d\n", key.constData(),
                s.median, key.constData(), s.p95, key.constData(), misses);
    std::fflush(stdout);
}

// Notes the ticks of a 10 ms timer while it lives.
class Ticker {
  public:
    Ticker() {
        ticks_.reserve(100000);
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] { ticks_.push_back(nowNs()); });
        timer_.start(10);
        // Let it settle before anything is measured.
        runUntil([this] { return ticks_.size() >= 5; }, 2000);
    }
    // The gaps between ticks after `fromNs`, up to now (a gap still open counts too).
    Stats gapsSince(std::int64_t fromNs) const {
        std::vector<double> gaps;
        for (size_t i = 1; i < ticks_.size(); ++i) {
            if (ticks_[i] >= fromNs) {
                gaps.push_back(double(ticks_[i] - ticks_[i - 1]) / 1e6);
            }
        }
        if (!ticks_.empty()) {
            gaps.push_back(double(nowNs() - ticks_.back()) / 1e6);
        }
        return statsOf(gaps);
    }

  private:
    QTimer timer_;
    std::vector<std::int64_t> ticks_;
};

// The figures of one burst.
struct BurstResult {
    int count = 0;
    int made = 0;
    int reports = 0;
    int taken = 0;
    int distinct = 0;      // distinct texts of the burst that were taken
    bool inOrder = true;   // never an older text after a newer one
    int laterText = 0;     // entries that got the text of a later change
    int heldLong = -1;     // changes that held the clipboard 5 ms or more (-1: not known)
    int heldLongKept = 0;  // of those, the ones whose entry has their own text
    bool lastSeen = false;
    double makeMs = 0;   // first change made -> last change made
    double drainMs = 0;  // first change made -> last text taken
    Stats gaps;          // gaps between the 10 ms timer's ticks, ms
};

BurstResult measureBurst(Source source, Owner& owner, Tracker& tracker, const QString& tag,
                         int count) {
    BurstResult result;
    result.count = count;
    // No spaces: the helper takes the prefix as one word.
    const QString prefix =
        QStringLiteral("tavro-burst-%1-%2-").arg(tag).arg(QCoreApplication::applicationPid());
    auto textOf = [&](int i) {
        return prefix + QStringLiteral("%1").arg(i, 4, 10, QLatin1Char('0'));
    };

    Ticker ticker;
    const size_t changesBefore = ownerLog->size();
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
        // A process of its own makes the copies, about 5 ms apart.
        const QStringList arguments = {QStringLiteral("--xclip-burst"), QString::number(count),
                                       QString::number(kBurstIntervalMs), prefix};
        QProcess loop;
        loop.setStandardOutputFile(QProcess::nullDevice());
        loop.setStandardErrorFile(QProcess::nullDevice());
        first = nowNs();
        loop.start(QCoreApplication::applicationFilePath(), arguments);
        if (!runUntil([&] { return loop.state() == QProcess::NotRunning; }, 120000)) {
            loop.kill();
            loop.waitForFinished(1000);
        }
        lastMade = nowNs();
    }
    result.lastSeen = runUntil([&] { return tracker.lastSeenNs != 0; }, 30000);
    // Whatever is still on its way arrives within a moment (a read given up takes a second).
    const std::int64_t settleUntil = nowNs() + 1500 * 1000000LL;
    runUntil([&] { return nowNs() >= settleUntil; }, 2000);
    tracker.counting = false;

    result.reports = tracker.reports;
    result.taken = int(tracker.taken.size());
    QSet<QString> distinct;
    int newest = -1;
    for (size_t i = 0; i < tracker.taken.size(); ++i) {
        const QString& text = tracker.taken[i];
        if (!text.startsWith(prefix)) {
            continue;
        }
        distinct.insert(text);
        const int index = text.mid(prefix.size()).toInt();
        if (index < newest) {
            result.inOrder = false;
        }
        newest = std::max(newest, index);
        // The i-th report is the i-th change: a higher number is a later change's text.
        if (index > int(i)) {
            ++result.laterText;
        }
    }
    result.distinct = int(distinct.size());
    // How long each change held the clipboard: up to the next change; the last one holds it.
    const std::vector<std::uint32_t> times = ownerLog->since(changesBefore);
    if (source == Source::Xclip) {
        result.made = int(times.size());
    }
    if (ownerLog->works() && times.size() == size_t(count) && result.taken == count) {
        result.heldLong = 0;
        for (int i = 0; i < count; ++i) {
            const bool held = i + 1 == count || times[size_t(i) + 1] - times[size_t(i)] >= 5;
            if (held) {
                ++result.heldLong;
                if (tracker.taken[size_t(i)] == textOf(i)) {
                    ++result.heldLongKept;
                }
            }
        }
    }
    result.makeMs = double(lastMade - first) / 1e6;
    result.drainMs = result.lastSeen ? double(tracker.lastSeenNs - first) / 1e6 : 0;
    result.gaps = ticker.gapsSince(first);
    return result;
}

void printBurst(const QByteArray& key, const char* what, const BurstResult& r) {
    std::printf("  %s\n", what);
    std::printf(
        "    changes made %d in %.0f ms (%.1f ms apart on average); last text taken after "
        "%.0f ms%s\n",
        r.made, r.makeMs, r.made > 1 ? r.makeMs / (r.made - 1) : 0.0, r.drainMs,
        r.lastSeen ? "" : " (NEVER)");
    std::printf(
        "    reports %d, texts taken %d, distinct texts kept %d of %d, in order: %s, entries "
        "with a later change's text: %d\n",
        r.reports, r.taken, r.distinct, r.count, r.inOrder ? "yes" : "NO", r.laterText);
    if (r.heldLong >= 0) {
        std::printf(
            "    changes that held the clipboard 5 ms or more: %d, of which kept their own "
            "text: %d\n",
            r.heldLong, r.heldLongKept);
    } else {
        std::printf("    (how long each change held the clipboard is not known)\n");
    }
    std::printf("    10 ms timer gaps: n=%d median %.2f ms, p99 %.2f ms, max %.2f ms\n",
                r.gaps.samples, r.gaps.median, r.gaps.p99, r.gaps.max);
    const char* k = key.constData();
    std::printf("@ %s_held_long %d\n@ %s_held_long_kept %d\n", k, r.heldLong, k, r.heldLongKept);
    std::printf("@ %s_made %d\n@ %s_reports %d\n@ %s_taken %d\n@ %s_distinct %d\n", k, r.made, k,
                r.reports, k, r.taken, k, r.distinct);
    std::printf("@ %s_in_order %s\n@ %s_later_text %d\n", k, r.inOrder ? "yes" : "no", k,
                r.laterText);
    std::printf("@ %s_gap_p99_ms %.2f\n@ %s_gap_max_ms %.2f\n", k, r.gaps.p99, k, r.gaps.max);
    std::printf("@ %s_make_ms %.0f\n@ %s_drain_ms %.0f\n@ %s_last_seen %d\n", k, r.makeMs, k,
                r.drainMs, k, r.lastSeen ? 1 : 0);
    std::fflush(stdout);
}

// A misbehaving owner: tests/tools/bad_clipboard_owner in one of its modes.
struct StallCase {
    const char* key;
    const char* what;
    const char* mode;
    int takes;  // how many times it takes the clipboard, a second apart
};

const StallCase kStallCases[] = {
    {"never", "an owner that never answers", "never", 1},
    {"targets", "an owner that never sends its text", "targets-only", 1},
    {"slow", "an owner that sends a byte a second", "slow", 1},
    {"retaking", "a silent owner taking the clipboard every second", "never", 4},
};

// The window's longest stall while the owner holds the clipboard for about three seconds
// after its last take, and until every read of it has ended. -1 when the owner didn't start.
double measureStall(const QString& tool, const StallCase& c, int round) {
    Ticker ticker;
    const std::int64_t first = nowNs();
    std::vector<std::unique_ptr<QProcess>> owners;
    for (int take = 0; take < c.takes; ++take) {
        auto owner = std::make_unique<QProcess>();
        owner->setProcessChannelMode(QProcess::MergedChannels);
        owner->start(tool, {QString::fromLatin1(c.mode),
                            QStringLiteral("stall-%1-%2-%3").arg(c.key).arg(round).arg(take)});
        QProcess* started = owner.get();
        owners.push_back(std::move(owner));
        // A window blocked by the owner may see its "owner" line only when the read ends.
        if (!runUntil([&] { return started->canReadLine(); }, 60000)) {
            return -1;
        }
        const std::int64_t next = nowNs() + (take + 1 < c.takes ? 1000 : 3000) * 1000000LL;
        runUntil([&] { return nowNs() >= next; }, 60000);
    }
    const double stall = ticker.gapsSince(first).max;
    for (std::unique_ptr<QProcess>& owner : owners) {
        owner->kill();
        owner->waitForFinished(2000);
    }
    // The owner's end is reported too; let it arrive before the next case.
    const std::int64_t settleUntil = nowNs() + 1500 * 1000000LL;
    runUntil([&] { return nowNs() >= settleUntil; }, 20000);
    return stall;
}

struct Results {
    std::vector<double> latencyOwner;
    std::vector<double> latencyXclip;
    int missesOwner = 0;
    int missesXclip = 0;
};

// Every measurement for one listener; `tracker` sees what it takes.
void measureAll(Listener& listener, Owner& owner, const QString& tool, int latencyCount,
                int helperBurst, Results* results) {
    Tracker& tracker = listener.tracker;
    const QByteArray key = listener.key;
    measureLatency(Source::Owner, owner, tracker, key + "-warm", 10, &results->missesOwner);
    results->latencyOwner = measureLatency(Source::Owner, owner, tracker, key + "-owner",
                                           latencyCount, &results->missesOwner);
    results->latencyXclip = measureLatency(Source::Xclip, owner, tracker, key + "-xclip",
                                           latencyCount, &results->missesXclip);
    std::printf("(a) %s: latency, clipboard set by another process -> text taken\n", listener.name);
    printLatency(key + "_owner", "helper owner", results->latencyOwner, results->missesOwner);
    printLatency(key + "_xclip", "xclip spawn", results->latencyXclip, results->missesXclip);

    std::printf("(b) %s: bursts\n", listener.name);
    for (int count : {13, 100, 1000}) {
        const QByteArray burstKey = "burst_" + key + "_xclip" + QByteArray::number(count);
        const BurstResult r =
            measureBurst(Source::Xclip, owner, tracker, key + QString::number(count), count);
        const QByteArray what =
            QByteArray::number(count) + " xclip -i runs back to back, started 5 ms apart:";
        printBurst(burstKey, what.constData(), r);
    }
    const BurstResult r =
        measureBurst(Source::Owner, owner, tracker, key + QStringLiteral("helper"), helperBurst);
    const QByteArray what =
        QByteArray::number(helperBurst) + " changes by the helper back to back:";
    printBurst("burst_" + key + "_owner", what.constData(), r);

    std::printf("(c) %s: the window's longest stall while a bad owner holds the clipboard\n",
                listener.name);
    int round = 0;
    for (const StallCase& c : kStallCases) {
        const double stall = measureStall(tool, c, round++);
        std::printf("  %-52s %9.1f ms\n", c.what, stall);
        std::printf("@ stall_%s_%s_ms %.1f\n", key.constData(), c.key, stall);
        std::fflush(stdout);
    }
}

int runBench(int argc, char** argv) {
    int latencyCount = 200;
    int helperBurst = 1000;
    QString tool = QStringLiteral(TAVRO_BAD_CLIPBOARD_OWNER);
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--changes") == 0) {
            latencyCount = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--burst") == 0) {
            helperBurst = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--bad-owner") == 0) {
            tool = QString::fromLocal8Bit(argv[++i]);
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
    OwnerLog log;
    ownerLog = &log;

    // ---- the floor: a bare listener that reads the text on the window's thread ----
    Listener floor{"floor", "bare Qt listener", {}};
    Results floorResults;
    {
        const QMetaObject::Connection listener =
            QObject::connect(clipboard, &QClipboard::changed, [&](QClipboard::Mode mode) {
                if (mode != QClipboard::Clipboard) {
                    return;
                }
                if (floor.tracker.counting) {
                    ++floor.tracker.reports;
                }
                floor.tracker.took(clipboard->text(QClipboard::Clipboard));
            });
        measureAll(floor, owner, tool, latencyCount, helperBurst, &floorResults);
        QObject::disconnect(listener);
    }
    std::printf("\n");

    // ---- what each clipboard call of Qt costs, on a fresh change every round ----
    {
        std::vector<double> formatsMs;
        std::vector<double> hasImageMs;
        std::vector<double> textMs;
        Tracker calls;
        const QMetaObject::Connection listener =
            QObject::connect(clipboard, &QClipboard::changed, [&](QClipboard::Mode mode) {
                if (mode != QClipboard::Clipboard || calls.expected.isEmpty()) {
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
                if (text == calls.expected && !image && !formats.isEmpty()) {
                    formatsMs.push_back(double(t1 - t0) / 1e6);
                    hasImageMs.push_back(double(t2 - t1) / 1e6);
                    textMs.push_back(double(t3 - t2) / 1e6);
                }
                calls.took(text);
            });
        int misses = 0;
        measureLatency(Source::Owner, owner, calls, QStringLiteral("calls"), latencyCount, &misses);
        QObject::disconnect(listener);
        const Stats f = statsOf(formatsMs);
        const Stats h = statsOf(hasImageMs);
        const Stats t = statsOf(textMs);
        std::printf(
            "cost of each Qt clipboard call on the window's thread, text owned by the helper "
            "(n=%d): formats() %.3f ms, hasImage() %.3f ms, text() %.3f ms (medians)\n\n",
            f.samples, f.median, h.median, t.median);
        std::printf("@ call_formats_ms %.3f\n@ call_hasimage_ms %.3f\n@ call_text_ms %.3f\n",
                    f.median, h.median, t.median);
        std::fflush(stdout);
    }

    // ---- the window ----
    QTemporaryDir programFolder;
    tavro::Application::Options options;
    options.programFolder = programFolder.path();
    options.trayAvailable = false;
    auto program = std::make_unique<tavro::Application>(options);
    if (!program->start()) {
        std::fprintf(stderr, "the program did not start\n");
        owner.stop();
        return 1;
    }
    Listener window{"form", "Tavro", {}};
    std::printf("Tavro reads the clipboard with %s\n",
                program->clipboardMonitor()->metaObject()->className());
    QObject::connect(program->clipboardMonitor(), &tavro::ClipboardMonitor::changed, [&] {
        if (window.tracker.counting) {
            ++window.tracker.reports;
        }
    });
    // Each history update puts its entry first.
    const tavro::HistoryModel& history = program->history();
    QObject::connect(&history, &QAbstractItemModel::rowsInserted,
                     [&] { window.tracker.took(history.entryText(0)); });
    runUntil([&] { return program->window().isVisible(); }, 5000);
    Results formResults;
    measureAll(window, owner, tool, latencyCount, helperBurst, &formResults);

    const double ratioOwner = statsOf(formResults.latencyOwner).median /
                              std::max(1e-9, statsOf(floorResults.latencyOwner).median);
    const double ratioXclip = statsOf(formResults.latencyXclip).median /
                              std::max(1e-9, statsOf(floorResults.latencyXclip).median);
    std::printf("\nmedian latency ratio Tavro / bare listener: helper owner %.2f, xclip %.2f\n",
                ratioOwner, ratioXclip);
    std::printf("@ ratio_owner %.2f\n@ ratio_xclip %.2f\n", ratioOwner, ratioXclip);
    std::printf("history lines now %d (at most 13); messages shown %d\n", history.rowCount(),
                messages);
    std::printf("@ history_lines %d\n@ messages %d\n", history.rowCount(), messages);

    owner.stop();
    program.reset();
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
    if (argc == 5 && std::strcmp(argv[1], "--xclip-burst") == 0) {
        return runXclipBurst(std::atoi(argv[2]), std::atoi(argv[3]), argv[4]);
    }
    return runBench(argc, argv);
}
