// The clipboard monitor of the platform (createClipboardMonitor), measured on its own: from a
// change made by another program to the change it reports, bursts of copies, the window's
// longest stall while a misbehaving owner holds the clipboard, and what the program's own
// write does beside a slow owner. The same code measures an X11 display (xclip) and a Wayland
// compositor (wl-copy), so their figures can stand side by side; it builds against older
// sources of the program too, for figures before a change.
//
// Usage: bench_clipboard_monitor x11|wayland|bridge [--bad-owner PATH] [--bad-source PATH]
//   x11      copies by xclip on $DISPLAY; the X11 faults (a slow owner beside a recall, the
//            reader's connection killed)
//   wayland  copies by wl-copy on $WAYLAND_DISPLAY
//   bridge   $DISPLAY is the compositor's Xwayland: an X11 copy, a Wayland copy and a recall,
//            each counted, with a window of the program focused
// Prints a readable report and "@ key value" lines for bench/run_benchmarks.sh.
#include <xcb/xcb.h>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QSet>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/clipboard_monitor.h"

namespace {

struct Report {
    qint64 atMs;
    std::optional<QString> text;
    bool content;
};

QElapsedTimer clock_;
std::vector<Report> reports;
QString mode;

void runFor(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}

template <typename Done>
bool runUntil(Done done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() >= ms) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// Another program copies `text`: xclip on X11, wl-copy on Wayland; both stay to serve it.
void copyByOtherProgram(const QString& text, bool wayland) {
    const QString tool =
        wayland ? QStringLiteral("wl-copy") : QStringLiteral("xclip -selection clipboard");
    QProcess::startDetached(
        QStringLiteral("sh"),
        {QStringLiteral("-c"), QStringLiteral("printf %s '%1' | %2 2>/dev/null").arg(text, tool)});
}

bool reported(const QString& text, size_t from) {
    for (size_t i = from; i < reports.size(); ++i) {
        if (reports[i].text == text) {
            return true;
        }
    }
    return false;
}

double percentile(std::vector<double> values, double p) {
    if (values.empty()) {
        return -1;
    }
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(p * double(values.size())))];
}

// Gaps of a 10 ms timer on the window's thread: how long it was held up.
struct Ticker {
    QTimer timer;
    qint64 last = -1;
    double maxGap = 0;
    Ticker() {
        timer.setInterval(10);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            const qint64 now = clock_.nsecsElapsed();
            if (last >= 0) {
                maxGap = std::max(maxGap, double(now - last) / 1e6);
            }
            last = now;
        });
        timer.start();
    }
};

void latency(const char* key, bool wayland, int count) {
    std::vector<double> ms;
    int missed = 0;
    for (int i = 0; i < count; ++i) {
        const QString text = QStringLiteral("lat-%1-%2").arg(key).arg(i);
        const size_t from = reports.size();
        const qint64 t0 = clock_.nsecsElapsed();
        copyByOtherProgram(text, wayland);
        if (runUntil([&] { return reported(text, from); }, 3000)) {
            ms.push_back(double(clock_.nsecsElapsed() - t0) / 1e6);
        } else {
            ++missed;
        }
        runFor(30);
    }
    std::printf(
        "latency, copy started -> change reported (n=%d): median %.1f ms, p95 %.1f ms, missed %d\n",
        count, percentile(ms, 0.5), percentile(ms, 0.95), missed);
    std::printf("@ %s_latency_median_ms %.1f\n@ %s_latency_p95_ms %.1f\n@ %s_latency_missed %d\n",
                key, percentile(ms, 0.5), key, percentile(ms, 0.95), key, missed);
}

void burst(const char* key, bool wayland, int count) {
    const size_t from = reports.size();
    const QString prefix = QStringLiteral("burst-%1-%2-").arg(key).arg(count);
    for (int i = 0; i < count; ++i) {
        copyByOtherProgram(prefix + QString::number(i), wayland);
        runFor(5);
    }
    runUntil([&] { return reported(prefix + QString::number(count - 1), from); }, 10000);
    runFor(1500);
    QSet<QString> distinct;
    int inversions = 0;
    int newest = -1;
    int reportsMade = 0;
    for (size_t i = from; i < reports.size(); ++i) {
        ++reportsMade;
        if (!reports[i].text || !reports[i].text->startsWith(prefix)) {
            continue;
        }
        const int index = reports[i].text->mid(prefix.size()).toInt();
        distinct.insert(*reports[i].text);
        inversions += index < newest ? 1 : 0;
        newest = std::max(newest, index);
    }
    std::printf(
        "%d copies started 5 ms apart: reports %d, distinct texts kept %lld, out of order %d\n",
        count, reportsMade, qlonglong(distinct.size()), inversions);
    std::printf(
        "@ %s_burst%d_reports %d\n@ %s_burst%d_distinct %lld\n@ %s_burst%d_out_of_order %d\n", key,
        count, reportsMade, key, count, qlonglong(distinct.size()), key, count, inversions);
}

// The window's longest stall while a bad owner holds the clipboard for two seconds, and
// whether the copy after it is reported.
void stall(const char* key, bool wayland, const QString& tool, const QString& toolMode) {
    Ticker ticker;
    QProcess owner;
    owner.start(tool, {toolMode, QStringLiteral("held")});
    runUntil([&] { return owner.canReadLine(); }, 5000);
    runFor(2000);
    const QString after = QStringLiteral("after-stall-%1").arg(key);
    const size_t from = reports.size();
    copyByOtherProgram(after, wayland);
    const bool next = runUntil([&] { return reported(after, from); }, 5000);
    std::printf("bad owner (%s): the window's longest stall %.1f ms; the next copy reported: %s\n",
                qPrintable(toolMode), ticker.maxGap, next ? "yes" : "NO");
    std::printf("@ %s_stall_ms %.1f\n@ %s_after_stall_reported %s\n", key, ticker.maxGap, key,
                next ? "yes" : "no");
    owner.kill();
    owner.waitForFinished(2000);
}

// A slow owner (each answer 400 ms late) copies "first"; the program writes "saved-one"
// 100 ms later. Sound: the slow change is reported first, and without the written text.
void ownWriteBesideSlowOwner(tavro::ClipboardMonitor& monitor, const QString& tool) {
    QProcess owner;
    owner.start(tool, {QStringLiteral("late"), QStringLiteral("first")});
    runUntil([&] { return owner.canReadLine(); }, 5000);
    const size_t from = reports.size();
    runFor(100);
    monitor.setText(QStringLiteral("saved-one"));
    runFor(2500);
    QStringList seen;
    for (size_t i = from; i < reports.size(); ++i) {
        seen.append(reports[i].text.value_or(QStringLiteral("(no text)")));
    }
    const bool sound = seen.size() == 2 && seen[1] == QLatin1String("saved-one") &&
                       seen[0] != QLatin1String("saved-one");
    std::printf("slow owner, then a write of the program's: reports in order [%s]: %s\n",
                qPrintable(seen.join(QStringLiteral(", "))), sound ? "sound" : "WRONG");
    std::printf("@ x11_own_write_order %s\n", sound ? "sound" : "wrong");
    owner.kill();
    owner.waitForFinished(2000);
}

// The reader's own connection killed by another client (as xkill does), then a copy.
void readerKilled(xcb_connection_t* qt) {
    const xcb_setup_t* setup = xcb_get_setup(qt);
    const std::uint32_t ownBase = setup->resource_id_base;
    const std::uint32_t mask = setup->resource_id_mask;
    xcb_window_t root = xcb_setup_roots_iterator(setup).data->root;
    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(qt, xcb_query_tree(qt, root), nullptr);
    int killed = 0;
    if (tree != nullptr) {
        const xcb_window_t* children = xcb_query_tree_children(tree);
        for (int i = 0; i < xcb_query_tree_children_length(tree); ++i) {
            // The reader's windows: 1x1 input-only windows of another client than Qt's (nothing
            // else on the benchmark's desktop makes such windows).
            xcb_get_geometry_reply_t* g =
                xcb_get_geometry_reply(qt, xcb_get_geometry(qt, children[i]), nullptr);
            xcb_get_window_attributes_reply_t* a = xcb_get_window_attributes_reply(
                qt, xcb_get_window_attributes(qt, children[i]), nullptr);
            const bool reader = g && a && g->width == 1 && g->height == 1 &&
                                a->_class == XCB_WINDOW_CLASS_INPUT_ONLY &&
                                (children[i] & ~mask) != ownBase;
            if (reader && killed == 0) {
                xcb_kill_client(qt, children[i]);
                ++killed;
            }
            std::free(g);
            std::free(a);
        }
        std::free(tree);
    }
    xcb_flush(qt);
    runFor(500);
    const size_t from = reports.size();
    copyByOtherProgram(QStringLiteral("after-kill"), false);
    const bool seen = runUntil([&] { return reported(QStringLiteral("after-kill"), from); }, 5000);
    std::printf("the reader's connection killed (%d): a later copy reported: %s\n", killed,
                seen ? "yes" : "NO");
    std::printf("@ x11_after_reader_killed %s\n", seen ? "yes" : "no");
}

// With the program's window focused on the compositor's Xwayland: how many changes each kind
// of copy is reported as.
void bridge(tavro::ClipboardMonitor& monitor) {
    QWidget window;
    window.resize(200, 100);
    window.show();
    runUntil([&] { return window.isActiveWindow(); }, 5000);
    runFor(1000);
    const auto countAfter = [&](const char* key, const char* what, auto copy) {
        const size_t from = reports.size();
        copy();
        runFor(2000);
        int content = 0;
        for (size_t i = from; i < reports.size(); ++i) {
            content += reports[i].content ? 1 : 0;
        }
        std::printf("%s: %d change(s) reported (%zu reports in all)\n", what, content,
                    reports.size() - from);
        std::printf("@ bridge_%s %d\n", key, content);
    };
    std::printf("window focused: %s\n", window.isActiveWindow() ? "yes" : "no");
    countAfter("x11_copy", "an X11 program's copy (xclip on Xwayland)",
               [] { copyByOtherProgram(QStringLiteral("bridge-x11"), false); });
    countAfter("wayland_copy", "a Wayland program's copy (wl-copy)",
               [] { copyByOtherProgram(QStringLiteral("bridge-wayland"), true); });
    countAfter("recall", "a recall (the program's own write)",
               [&] { monitor.setText(QStringLiteral("bridge-recall")); });
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    clock_.start();
    mode = argc > 1 ? QString::fromLatin1(argv[1]) : QStringLiteral("x11");
    QString badOwner;
    QString badSource;
    for (int i = 2; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--bad-owner") == 0) {
            badOwner = QString::fromLocal8Bit(argv[++i]);
        } else if (std::strcmp(argv[i], "--bad-source") == 0) {
            badSource = QString::fromLocal8Bit(argv[++i]);
        }
    }
    std::unique_ptr<tavro::ClipboardMonitor> monitor = tavro::createClipboardMonitor();
    std::printf("monitor: %s\n", monitor->metaObject()->className());
    QObject::connect(monitor.get(), &tavro::ClipboardMonitor::changed,
                     [](const tavro::ClipboardChange& change) {
                         reports.push_back({clock_.elapsed(), change.text,
                                            change.kind == tavro::ClipboardChange::Kind::Content});
                     });
    monitor->start();
    runFor(1500);  // the watchers connect and take in what the clipboard holds now
    const bool wayland = mode == QLatin1String("wayland");
    const QByteArray key = mode.toLatin1();
    if (mode == QLatin1String("bridge")) {
        bridge(*monitor);
    } else {
        latency(key.constData(), wayland, 50);
        burst(key.constData(), wayland, 13);
        burst(key.constData(), wayland, 100);
        if (wayland && !badSource.isEmpty()) {
            stall(key.constData(), true, badSource, QStringLiteral("stuck"));
        } else if (!wayland && !badOwner.isEmpty()) {
            stall(key.constData(), false, badOwner, QStringLiteral("never"));
            ownWriteBesideSlowOwner(*monitor, badOwner);
            auto* x11 = app.nativeInterface<QNativeInterface::QX11Application>();
            if (x11 != nullptr) {
                readerKilled(x11->connection());
            }
        }
    }
    std::fflush(stdout);
    monitor->stop();
    return 0;
}
