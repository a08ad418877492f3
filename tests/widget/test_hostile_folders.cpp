// The program's saved texts in hostile folders: a Temptext folder that went away or was
// replaced by a file, a program folder that can't be named, and quitting while a load runs.
#include <QFileInfo>
#include <QMetaObject>
#include <QStandardPaths>

#include "app_fixture.h"
#include "ui/about_box.h"

namespace {

QString userFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) +
           QStringLiteral("/Temptext");
}

}  // namespace

class HostileFolderTest : public AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        QDir(userFolder()).removeRecursively();
    }
    void TearDown() override {
        AppTest::TearDown();
        QDir(userFolder()).removeRecursively();
    }

    // Saves a history entry holding `text` with the list's menu.
    void saveEntry(const QString& text) {
        copyText(text);
        historyList()->setSelectedRow(0);
        choose(QStringLiteral("saveEntryAction"));
    }
};

TEST_F(HostileFolderTest, TemptextGoneOrInTheWayAndProgramFoldersThatCantHoldIt) {
    const QByteArray blocker("not a folder");
    const struct {
        const char* what;
        QString programFolder;            // null: the test's own program folder
        bool fileBeforeStart = false;     // a plain file named Temptext before the start
        bool removeWhileRunning = false;  // Temptext removed after the start
        bool fileWhileRunning = false;    // ... and a plain file put in its place
        bool inUserFolder = false;        // where the save must land
    } cases[] = {
        {"Temptext removed while running", {}, false, true, false, false},
        {"a file named Temptext at the start", {}, true, false, false, true},
        {"Temptext replaced by a file while running", {}, false, true, true, true},
        {"a program folder that can't be named", QStringLiteral(""), false, false, false, true},
        {"a relative program folder", QStringLiteral("relative"), false, false, false, true},
    };
    const bool rootHadTemptext = QFileInfo::exists(QStringLiteral("/Temptext"));
    const QString relative = QDir::currentPath() + QStringLiteral("/relative");
    const bool cwdHadRelative = QFileInfo::exists(relative);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QDir(tempText()).removeRecursively();
        QFile::remove(tempText());
        QDir(userFolder()).removeRecursively();
        messages.clear();
        if (c.fileBeforeStart) {
            QFile file(tempText());
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(blocker);
        }
        tavro::Application::Options options;
        options.programFolder = c.programFolder.isNull() ? folder.path() : c.programFolder;
        options.clock = [this] { return now; };
        options.trayAvailable = true;
        app = std::make_unique<tavro::Application>(options);
        ASSERT_TRUE(app->start());
        if (c.removeWhileRunning) {
            ASSERT_TRUE(QDir(tempText()).removeRecursively());
        }
        if (c.fileWhileRunning) {
            QFile file(tempText());
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(blocker);
        }

        saveEntry(QStringLiteral("kept"));
        EXPECT_TRUE(messages.isEmpty());
        const QString expected = c.inUserFolder ? userFolder() : tempText();
        EXPECT_EQ(app->savedTexts().store().folder(), expected);
        EXPECT_EQ(QDir(expected).entryList(QDir::Files),
                  QStringList{QStringLiteral("980828153012.TXT")});
        ASSERT_EQ(count(savedTextList()), 1);
        EXPECT_TRUE(lines(savedTextList()).first().contains(QStringLiteral(" |kept\r\n")));
        if (c.fileBeforeStart || c.fileWhileRunning) {
            // The file in the way is left as it was.
            QFile file(tempText());
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            EXPECT_EQ(file.readAll(), blocker);
        }
        app.reset();
        QFile::remove(tempText());
    }
    // Never the root of the file system, never the current folder.
    EXPECT_EQ(QFileInfo::exists(QStringLiteral("/Temptext")), rootHadTemptext);
    EXPECT_EQ(QFileInfo::exists(relative), cwdHadRelative);
}

TEST_F(HostileFolderTest, QuittingWhileALoadRunsEndsTheProgramAtOnce) {
    // Many saved texts, so that the load lets events through.
    constexpr int kTexts = 3000;
    for (int i = 0; i < kTexts; ++i) {
        writeSaved(QStringLiteral("9901010%1.TXT").arg(i, 5, 10, QLatin1Char('0')), "text");
    }

    // 終了 chosen while the start-up load lets events through.
    bool quitRan = false;
    QMetaObject::invokeMethod(
        qApp,
        [&] {
            quitRan = true;
            choose(QStringLiteral("quitAction"));
        },
        Qt::QueuedConnection);
    startApp();
    ASSERT_TRUE(quitRan);
    EXPECT_LT(count(savedTextList()), kTexts) << "the load went on after the quit";
    EXPECT_EQ(app->trayIcon(), nullptr);
    EXPECT_TRUE(app->hasEnded());
    app.reset();

    // The same with the about box open: the program ends when the box closes.
    QMetaObject::invokeMethod(
        qApp,
        [&] {
            tavro::AboutBox::openBox();
            choose(QStringLiteral("quitAction"));
        },
        Qt::QueuedConnection);
    startApp();
    EXPECT_FALSE(app->hasEnded());
    ASSERT_NE(tavro::AboutBox::current(), nullptr);
    tavro::AboutBox::current()->close();
    EXPECT_TRUE(app->hasEnded());
    app.reset();

    // A reload after a save, and the window closed meanwhile: the save is kept, the reload
    // stops.
    startApp();
    ASSERT_FALSE(app->hasEnded());
    ASSERT_EQ(count(savedTextList()), kTexts);
    QMetaObject::invokeMethod(
        qApp, [&] { window().close(); }, Qt::QueuedConnection);
    saveEntry(QStringLiteral("saved before the close"));
    EXPECT_EQ(savedBytes(QStringLiteral("980828153012.TXT")),
              QByteArrayLiteral("saved before the close"));
    EXPECT_LT(count(savedTextList()), kTexts + 1);
    EXPECT_TRUE(app->hasEnded());
    EXPECT_TRUE(messages.isEmpty());
}
