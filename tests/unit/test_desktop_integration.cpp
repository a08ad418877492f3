// The program's place on a Linux desktop, as logic: which Qt platform it asks for, what its
// command line means, the desktop entry it writes to start at login, and the user's folder
// it falls back on.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <ostream>

#include "core/command_line.h"
#include "core/desktop_entry.h"
#include "core/qt_platform_choice.h"
#include "core/saved_text_folder.h"
#include "core/saved_text_store.h"

using namespace tavro;

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

TEST(PlatformChoice, WaylandSessionsRunThroughXWaylandUnlessTheUserChose) {
    struct Case {
        SessionEnvironment session;
        std::optional<QByteArray> expected;
    };
    const Case cases[] = {
        // A Wayland session with XWayland: xcb, however the session says it is Wayland.
        {{"", "wayland-0", "wayland", ":0"}, "xcb"},
        {{"", "wayland-0", "", ":1"}, "xcb"},
        {{"", "", "wayland", ":0"}, "xcb"},
        {{"", "wayland-0", "WAYLAND", ":0"}, "xcb"},
        {{"  ", "wayland-0", "wayland", ":0"}, "xcb"},
        // The user's choice stands, whatever it is.
        {{"wayland", "wayland-0", "wayland", ":0"}, std::nullopt},
        {{"xcb", "", "x11", ":0"}, std::nullopt},
        {{"offscreen", "wayland-0", "wayland", ":0"}, std::nullopt},
        // No XWayland: only Qt's own choice can work.
        {{"", "wayland-0", "wayland", ""}, std::nullopt},
        // X11 sessions and no desktop at all: Qt chooses.
        {{"", "", "x11", ":0"}, std::nullopt},
        {{"", "", "tty", ""}, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(chooseQtPlatform(c.session), c.expected)
            << "QT_QPA_PLATFORM=" << c.session.qtQpaPlatform.toStdString()
            << " WAYLAND_DISPLAY=" << c.session.waylandDisplay.toStdString()
            << " XDG_SESSION_TYPE=" << c.session.sessionType.toStdString()
            << " DISPLAY=" << c.session.x11Display.toStdString();
    }
}

TEST(CommandLineOptions, OwnOptionsAreReadAndEverythingElseIsLeftToQtOrRefused) {
    using Action = CommandLine::Action;
    struct Case {
        QStringList arguments;
        Action action;
        QString problem;
    };
    const Case cases[] = {
        {{}, Action::Run, {}},
        {{"--autostart", "on"}, Action::AutostartOn, {}},
        {{"--autostart", "off"}, Action::AutostartOff, {}},
        {{"--autostart=on"}, Action::AutostartOn, {}},
        {{"--autostart=off"}, Action::AutostartOff, {}},
        {{"--help"}, Action::Help, {}},
        {{"-h"}, Action::Help, {}},
        // Qt's one-dash options and their values are Qt's.
        {{"-platform", "xcb"}, Action::Run, {}},
        {{"-platform", "xcb", "--autostart", "on"}, Action::AutostartOn, {}},
        {{"--autostart"}, Action::Invalid, "--autostart takes on or off"},
        {{"--autostart", "yes"}, Action::Invalid, "--autostart takes on or off"},
        {{"--autostart="}, Action::Invalid, "--autostart takes on or off"},
        {{"--autostart", "--help"}, Action::Invalid, "--autostart takes on or off"},
        {{"--bogus"}, Action::Invalid, "unknown option --bogus"},
        {{"-platform", "xcb", "--quiet"}, Action::Invalid, "unknown option --quiet"},
        {{"--autostart", "on", "--help"}, Action::Invalid, "one option at a time"},
        {{"--help", "--help"}, Action::Invalid, "one option at a time"},
    };
    for (const Case& c : cases) {
        const CommandLine parsed = parseCommandLine(c.arguments);
        EXPECT_EQ(parsed.action, c.action) << c.arguments.join(' ').toStdString();
        EXPECT_EQ(parsed.problem, c.problem) << c.arguments.join(' ').toStdString();
    }
    EXPECT_EQ(usageLine(), QStringLiteral("usage: tavro [--autostart on|off] [--help]"));
}

TEST(DesktopEntry, ExecArgumentsAreQuotedAndEscapedByTheDesktopEntryRules) {
    const std::pair<QString, std::optional<QString>> cases[] = {
        {"/usr/bin/tavro", "/usr/bin/tavro"},
        {"/opt/t-1.0/tavro", "/opt/t-1.0/tavro"},
        {"/home/u/My Apps/tavro", "\"/home/u/My Apps/tavro\""},
        {"/home/u/100%/tavro", "/home/u/100%%/tavro"},
        // Inside quotes '$', '`', '"' and '\' take a backslash; the file doubles backslashes.
        {"/home/u/$HOME/tavro", "\"/home/u/\\\\$HOME/tavro\""},
        {"/home/u/a\"b/tavro", "\"/home/u/a\\\\\"b/tavro\""},
        {"/home/u/a\\b/tavro", "\"/home/u/a\\\\\\\\b/tavro\""},
        {"/home/u/it's/tavro", "\"/home/u/it's/tavro\""},
        // Line breaks, tabs and carriage returns are quoted, then written as the file's escapes.
        {"/home/u/a\nb/tavro", "\"/home/u/a\\nb/tavro\""},
        {"/home/u/a\tb\rc/tavro", "\"/home/u/a\\tb\\rc/tavro\""},
        // Other control characters have no form in a desktop entry.
        {"/home/u/a\x01b/tavro", std::nullopt},
        {"/home/u/a\x7f/tavro", std::nullopt},
    };
    for (const auto& [program, expected] : cases) {
        EXPECT_EQ(desktopExecArgument(program), expected) << program.toStdString();
    }
}

TEST(DesktopEntry, TheAutostartCopyRunsThisProgramAfterThePanel) {
    QFile installed(QStringLiteral(TAVRO_SOURCE_DIR "/data/io.github.tavro.Tavro.desktop"));
    ASSERT_TRUE(installed.open(QIODevice::ReadOnly));
    const QString entry = QString::fromUtf8(installed.readAll());
    const std::optional<QString> made =
        autostartDesktopEntry(entry, QStringLiteral("/opt/my apps/tavro"));
    ASSERT_TRUE(made.has_value());
    const QString& autostart = *made;

    // Every line of the menu entry stays, but Exec; the autostart keys come once, in order.
    QStringList expected = entry.trimmed().split(QLatin1Char('\n'));
    const qsizetype exec = expected.indexOf(QStringLiteral("Exec=tavro"));
    ASSERT_GE(exec, 0);
    expected[exec] = QStringLiteral("Exec=\"/opt/my apps/tavro\"");
    expected << QStringLiteral("X-GNOME-Autostart-Delay=3")
             << QStringLiteral("X-KDE-autostart-after=panel");
    EXPECT_EQ(autostart.split(QLatin1Char('\n')), expected + QStringList{QString()});

    // Writing it again changes nothing.
    EXPECT_EQ(autostartDesktopEntry(autostart, QStringLiteral("/opt/my apps/tavro")), autostart);

    // The keys go into the [Desktop Entry] group, not into a group after it.
    const QString withAction = QStringLiteral(
        "[Desktop Entry]\nName=T\nExec=old\nTryExec=old\n\n[Desktop Action x]\nExec=other\n");
    EXPECT_EQ(autostartDesktopEntry(withAction, QStringLiteral("/usr/bin/tavro")),
              QStringLiteral("[Desktop Entry]\nName=T\nExec=/usr/bin/tavro\n"
                             "X-GNOME-Autostart-Delay=3\nX-KDE-autostart-after=panel\n\n"
                             "[Desktop Action x]\nExec=other\n"));
}

TEST(DesktopEntry, AnInstallationIsABinFolderBesideItsMenuEntry) {
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString prefix = root.path() + QStringLiteral("/usr");
    ASSERT_TRUE(QDir().mkpath(prefix + QStringLiteral("/bin")));
    ASSERT_TRUE(QDir().mkpath(prefix + QStringLiteral("/share/applications")));
    ASSERT_TRUE(QDir().mkpath(root.path() + QStringLiteral("/build")));

    EXPECT_FALSE(runsFromInstalledPrefix(prefix + QStringLiteral("/bin")));  // no entry yet
    QFile entry(prefix + QStringLiteral("/share/applications/io.github.tavro.Tavro.desktop"));
    ASSERT_TRUE(entry.open(QIODevice::WriteOnly));
    entry.close();
    EXPECT_TRUE(runsFromInstalledPrefix(prefix + QStringLiteral("/bin")));
    EXPECT_TRUE(runsFromInstalledPrefix(prefix + QStringLiteral("/bin/")));
    // A build folder, or any folder not named bin, is the program's own.
    EXPECT_FALSE(runsFromInstalledPrefix(root.path() + QStringLiteral("/build")));
    EXPECT_FALSE(runsFromInstalledPrefix(prefix));
}

#ifndef Q_OS_WIN
namespace {

// Sets (or, given nothing, removes) environment variables until the end of the scope.
class ScopedEnvironment {
  public:
    void set(const char* name, const std::optional<QString>& value) {
        saved_.emplace_back(name, qEnvironmentVariableIsSet(name)
                                      ? std::optional<QByteArray>(qgetenv(name))
                                      : std::nullopt);
        value ? qputenv(name, value->toLocal8Bit()) : qunsetenv(name);
    }
    ~ScopedEnvironment() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            it->second ? qputenv(it->first, *it->second) : qunsetenv(it->first);
        }
    }

  private:
    std::vector<std::pair<const char*, std::optional<QByteArray>>> saved_;
};

}  // namespace

TEST(SavedTextFolder, TheUserFolderIsNeverTheCurrentFolderNorTheRoot) {
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString program = root.path() + QStringLiteral("/program");
    const QString current = root.path() + QStringLiteral("/current");
    const QString home = root.path() + QStringLiteral("/home");
    const QString data = root.path() + QStringLiteral("/data");
    ASSERT_TRUE(QDir().mkpath(program) && QDir().mkpath(current) && QDir().mkpath(home));
    // A file named Temptext beside the program sends the texts to the user's folder.
    QFile blocker(program + QStringLiteral("/Temptext"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    const bool testMode = QStandardPaths::isTestModeEnabled();
    QStandardPaths::setTestModeEnabled(false);
    const QString oldCurrent = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(current));
    ScopedEnvironment environment;
    environment.set("XDG_DATA_HOME", QStringLiteral("/x"));
    // What Qt puts after the data folder (the program's name, where it has one).
    const QString suffix =
        QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation).mid(2) +
        QStringLiteral("/Temptext");

    struct Case {
        std::optional<QString> dataHome, home;
        QString expected;
    };
    const Case cases[] = {
        {data, home, data + suffix},
        {data, std::nullopt, data + suffix},
        {std::nullopt, home, home + QStringLiteral("/.local/share") + suffix},
        // A relative XDG_DATA_HOME is ignored, as the XDG rules say.
        {QStringLiteral("rel/data"), home, home + QStringLiteral("/.local/share") + suffix},
        // No home: no user folder, not one at the root nor in the current folder.
        {QStringLiteral("rel/data"), std::nullopt, QString()},
        {std::nullopt, std::nullopt, QString()},
        {QString(), QString(), QString()},
        {std::nullopt, QStringLiteral("rel/home"), QString()},
    };
    for (const Case& c : cases) {
        ScopedEnvironment scope;
        scope.set("XDG_DATA_HOME", c.dataHome);
        scope.set("HOME", c.home);
        const QString where = QStringLiteral("XDG_DATA_HOME=%1 HOME=%2")
                                  .arg(c.dataHome.value_or("(unset)"), c.home.value_or("(unset)"));
        EXPECT_EQ(chooseSavedTextFolder(program).path, c.expected) << where.toStdString();
    }
    EXPECT_EQ(QDir(current).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());

    // Without a folder the store writes nothing, and lists nothing of the current folder.
    QFile there(current + QStringLiteral("/261207090000.TXT"));
    ASSERT_TRUE(there.open(QIODevice::WriteOnly));
    there.close();
    const SavedTextStore nowhere{QString()};
    EXPECT_FALSE(nowhere.save(QDateTime(QDate(2026, 12, 7), QTime(9, 0, 1)), QStringLiteral("t")));
    EXPECT_FALSE(nowhere.write(QStringLiteral("261207090002.TXT"), QStringLiteral("t")));
    EXPECT_FALSE(nowhere.list().anyFile);
    EXPECT_FALSE(nowhere.readWhole(QStringLiteral("261207090000.TXT")));
    EXPECT_EQ(QDir(current).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("261207090000.TXT")});
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("/261207090001.TXT")));
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("/261207090002.TXT")));

    QDir::setCurrent(oldCurrent);
    QStandardPaths::setTestModeEnabled(testMode);
}
#endif
