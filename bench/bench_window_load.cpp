// Times the program's whole saved-text load (list, sort with a pass of pending events after
// every move, excerpts, list lines, tray entries) for 100, 1,000 and 10,000 saved texts, and
// how long the window goes without handling events meanwhile (the longest gap between ticks
// of a 5 ms timer). Runs on the display in DISPLAY, or offscreen without one.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <random>

#include "app/application.h"
#include "core/saved_text_model.h"
#include "core/saved_text_store.h"

namespace {

bool fillFolder(const QString& folder, int count) {
    std::mt19937 random(count);
    std::vector<QString> names;
    QDateTime time(QDate(2019, 4, 1), QTime(9, 0, 0));
    for (int i = 0; i < count; ++i) {
        time = time.addSecs(1 + int(random() % 86400));
        names.push_back(tavro::savedTextName(time));
    }
    std::shuffle(names.begin(), names.end(), random);
    const QByteArray text = tavro::encodeSavedText(QStringLiteral(
        "本日の会議は午後三時から第二会議室で行います。\r\n資料は共有フォルダに保存しました。"));
    for (const QString& name : names) {
        QFile file(folder + u'/' + name);
        if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size()) {
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    std::printf("window load of the saved texts (%s)\n", qPrintable(QApplication::platformName()));
    std::printf("%8s %14s %14s %18s\n", "texts", "reload ms", "start-up ms", "longest stall ms");
    for (const int count : {100, 1000, 10000}) {
        QTemporaryDir program;
        QDir(program.path()).mkdir(QStringLiteral("Temptext"));
        if (!fillFolder(program.path() + QStringLiteral("/Temptext"), count)) {
            std::fprintf(stderr, "cannot make the folder\n");
            return 1;
        }
        tavro::Application::Options options;
        options.programFolder = program.path();
        options.trayAvailable = true;
        tavro::Application application(options);
        tavro::SavedTextModel& savedTexts = application.savedTexts();
        QElapsedTimer startUp;
        startUp.start();
        application.start();
        const double startUpMs = startUp.nsecsElapsed() / 1e6;

        QElapsedTimer sinceTick;
        qint64 longestGap = 0;
        QTimer ticker;
        ticker.setInterval(5);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            longestGap = std::max(longestGap, sinceTick.nsecsElapsed());
            sinceTick.restart();
        });
        ticker.start();
        sinceTick.start();
        QElapsedTimer load;
        load.start();
        savedTexts.reload();
        const double loadMs = load.nsecsElapsed() / 1e6;
        longestGap = std::max(longestGap, sinceTick.nsecsElapsed());
        ticker.stop();
        if (savedTexts.rowCount() != count) {
            std::fprintf(stderr, "listed %d of %d\n", savedTexts.rowCount(), count);
            return 1;
        }
        std::printf("%8d %14.1f %14.1f %18.1f\n", count, loadMs, startUpMs, longestGap / 1e6);
        std::printf("@ window_load_%d_ms %.1f\n@ window_stall_%d_ms %.1f\n", count, loadMs, count,
                    longestGap / 1e6);
    }
    return 0;
}
