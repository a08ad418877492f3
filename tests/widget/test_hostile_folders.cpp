// The window's saved texts in hostile folders: entries that are no regular files, a Temptext
// folder that went away or was replaced by a file, a program folder that can't be named, and
// quitting while a load runs.
#include <sys/stat.h>

#include <QFileInfo>
#include <QMetaObject>
#include <QStandardPaths>
#include <QSystemTrayIcon>

#include "form1_fixture.h"
#include "support/fifo_unblocker.h"
#include "ui/about_box.h"

namespace {

// The i-th of a run of saved-text names one second apart.
QString nameOf(int i) {
    return QStringLiteral("9901010%1.TXT").arg(i, 5, 10, QLatin1Char('0'));
}

QString userFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) +
           QStringLiteral("/Temptext");
}

}  // namespace

class HostileFolderTest : public Form1Test {
  protected:
    void SetUp() override {
        Form1Test::SetUp();
        QDir(userFolder()).removeRecursively();
    }
    void TearDown() override {
        Form1Test::TearDown();
        QDir(userFolder()).removeRecursively();
    }

    // Saves a history entry holding `text` with the list's menu.
    void saveEntry(const QString& text) {
        copyText(text);
        form->List1->setListIndex(0);
        form->AddTxt_Click();
    }

    // Many saved texts, written in descending order so that the load's sort moves names and
    // lets events through.
    void writeManyTexts(int count) {
        for (int i = count - 1; i >= 0; --i) {
            writeSaved(nameOf(i), QByteArrayLiteral("text"));
        }
    }
};

TEST_F(HostileFolderTest, EntriesThatAreNoRegularFilesAreSkippedAndCantBeRecalled) {
    writeSaved(nameOf(1), QByteArrayLiteral("one"));
    writeSaved(nameOf(4), QByteArrayLiteral("four"));
    const QByteArray fifo = QFile::encodeName(folder.path() + QStringLiteral("/fifo"));
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(QFile::decodeName(fifo), savedPath(nameOf(2))));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), savedPath(nameOf(3))));
    const QByteArray fifoInFolder = QFile::encodeName(savedPath(nameOf(5)));
    FifoUnblocker unblocker({fifo, fifoInFolder});

    tavro::Form1& f = makeForm();
    ASSERT_EQ(lines(f.Lsttext).size(), 2);
    EXPECT_TRUE(f.Lsttext->line(0).endsWith(nameOf(1)));
    EXPECT_TRUE(f.Lsttext->line(1).endsWith(nameOf(4)));
    EXPECT_EQ(f.T_rireki->ubound(), 1);

    // A FIFO made while the program runs: the next load skips it as well.
    ASSERT_EQ(::mkfifo(fifoInFolder.constData(), 0600), 0);
    f.LoadText();
    EXPECT_EQ(f.Lsttext->count(), 2);

    // Recalling any of them by name fails with the message; the clipboard keeps its text.
    copyText(QStringLiteral("before"));
    for (int i : {2, 3, 5}) {
        messages.clear();
        f.Setclip(nameOf(i));
        EXPECT_EQ(messages, QStringList{tavro::kOperationFailedMessage}) << i;
        EXPECT_EQ(clipboardText(), QStringLiteral("before")) << i;
    }
    f.T_rireki_Click(1);
    EXPECT_EQ(clipboardText(), QStringLiteral("four"));
    EXPECT_FALSE(unblocker.fired()) << "a read blocked on a FIFO";
}

TEST_F(HostileFolderTest, TemptextGoneOrInTheWayAndProgramFoldersThatCantHoldIt) {
    const QByteArray blocker("not a folder");
    const struct {
        const char* what;
        QString programFolder;            // empty: the test's own program folder
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
        tavro::Form1::Options options;
        options.programFolder = c.programFolder.isNull() ? folder.path() : c.programFolder;
        options.clock = [this] { return now; };
        options.trayAvailable = true;
        form = std::make_unique<tavro::Form1>(options);
        ASSERT_TRUE(form->Form_Load());
        tavro::Form1& f = *form;
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
        EXPECT_EQ(f.store().folder(), expected);
        EXPECT_EQ(QDir(expected).entryList(QDir::Files),
                  QStringList{QStringLiteral("980828153012.TXT")});
        ASSERT_EQ(f.Lsttext->count(), 1);
        EXPECT_TRUE(f.Lsttext->line(0).contains(QStringLiteral(" |kept\r\n")));
        if (c.fileBeforeStart || c.fileWhileRunning) {
            // The file in the way is left as it was.
            QFile file(tempText());
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            EXPECT_EQ(file.readAll(), blocker);
        }
        form.reset();
        QFile::remove(tempText());
    }
    // Never the root of the file system, never the current folder.
    EXPECT_EQ(QFileInfo::exists(QStringLiteral("/Temptext")), rootHadTemptext);
    EXPECT_EQ(QFileInfo::exists(relative), cwdHadRelative);
}

TEST_F(HostileFolderTest, QuittingWhileALoadRunsEndsTheProgramAtOnce) {
    constexpr int kTexts = 3000;
    writeManyTexts(kTexts);

    // 終了 chosen while the start-up load lets events through.
    bool quitRan = false;
    QMetaObject::invokeMethod(
        qApp,
        [&] {
            quitRan = true;
            form->quit_Click();
        },
        Qt::QueuedConnection);
    tavro::Form1& f = makeForm();
    ASSERT_TRUE(quitRan);
    EXPECT_LT(f.Lsttext->count(), kTexts) << "the load went on after the quit";
    EXPECT_EQ(f.trayIcon(), nullptr);
    EXPECT_TRUE(f.hasEnded());
    form.reset();

    // The same with the about box open: the program ends when the box closes.
    QMetaObject::invokeMethod(
        qApp,
        [&] {
            tavro::AboutBox::openBox();
            form->quit_Click();
        },
        Qt::QueuedConnection);
    makeForm();
    EXPECT_FALSE(form->hasEnded());
    ASSERT_NE(tavro::AboutBox::current(), nullptr);
    tavro::AboutBox::current()->close();
    EXPECT_TRUE(form->hasEnded());
    form.reset();

    // A reload after a save, and the window closed meanwhile: the save is kept, the reload
    // stops.
    tavro::Form1& g = makeForm();
    ASSERT_FALSE(g.hasEnded());
    ASSERT_EQ(g.Lsttext->count(), kTexts);
    QMetaObject::invokeMethod(
        qApp, [&] { form->close(); }, Qt::QueuedConnection);
    saveEntry(QStringLiteral("saved before the close"));
    EXPECT_EQ(savedBytes(QStringLiteral("980828153012.TXT")),
              QByteArrayLiteral("saved before the close"));
    EXPECT_LT(g.Lsttext->count(), kTexts + 1);
    EXPECT_TRUE(g.hasEnded());
    EXPECT_TRUE(messages.isEmpty());
}
