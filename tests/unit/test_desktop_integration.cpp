// The program's place on a Linux desktop, as logic: which Qt platform it asks for, what its
// command line means, the desktop entry it writes to start at login, and the user's folder
// it falls back on.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <ostream>
#include <tuple>

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
TEST(SavedTextFolder, TheUserFolderIsNeverTheCurrentFolderNorTheRoot) {
    QTemporaryDir root;
    const QString base = root.path(), home = base + "/home", data = base + "/data";
    const QByteArray home8 = home.toLocal8Bit(), data8 = data.toLocal8Bit();
    ASSERT_TRUE(QDir().mkpath(base + "/program") && QDir().mkpath(base + "/current"));
    // A file named Temptext beside the program sends the texts to the user's folder.
    ASSERT_TRUE(QFile(base + "/program/Temptext").open(QIODevice::WriteOnly));
    const QByteArray oldHome = qgetenv("HOME"), oldData = qgetenv("XDG_DATA_HOME");
    const QString oldCurrent = QDir::currentPath();
    const bool testMode = QStandardPaths::isTestModeEnabled();
    QStandardPaths::setTestModeEnabled(false);
    ASSERT_TRUE(QDir::setCurrent(base + "/current"));
    auto setOrUnset = [](const char* name, const char* value) {
        value ? qputenv(name, value) : qunsetenv(name);
    };
    qputenv("XDG_DATA_HOME", "/x");  // what Qt puts after the data folder: the program's name
    const QString tail =
        QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation).mid(2) + "/Temptext";
    const std::tuple<const char*, const char*, QString> cases[] = {
        {data8.constData(), nullptr, data + tail},
        {nullptr, home8.constData(), home + "/.local/share" + tail},
        {"rel/data", home8.constData(), home + "/.local/share" + tail},  // relative: ignored
        {"rel/data", nullptr, QString()},  // no home: no folder, at the root or here
        {nullptr, "", QString()},
        {nullptr, "rel/home", QString()},
    };
    for (const auto& [dataHome, userHome, expected] : cases) {
        setOrUnset("XDG_DATA_HOME", dataHome);
        setOrUnset("HOME", userHome);
        EXPECT_EQ(chooseSavedTextFolder(base + "/program").path, expected)
            << (dataHome ? dataHome : "-") << " " << (userHome ? userHome : "-");
    }
    // Without a folder the store writes nothing, and lists nothing of the current folder.
    ASSERT_TRUE(QFile(base + "/current/261207090000.TXT").open(QIODevice::WriteOnly));
    const SavedTextStore nowhere{QString()};
    EXPECT_FALSE(nowhere.save(QDateTime::currentDateTime(), QStringLiteral("t")));
    EXPECT_FALSE(nowhere.list().anyFile);
    EXPECT_EQ(QDir().entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{"261207090000.TXT"});
    QDir::setCurrent(oldCurrent);
    QStandardPaths::setTestModeEnabled(testMode);
    setOrUnset("HOME", oldHome.isNull() ? nullptr : oldHome.constData());
    setOrUnset("XDG_DATA_HOME", oldData.isNull() ? nullptr : oldData.constData());
}
#endif
