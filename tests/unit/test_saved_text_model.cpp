// The saved texts as a model: rows in name order with their list lines and tray captions,
// the load in steps that lets events through, and commands that wait for it.
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QFile>
#include <QMimeData>
#include <QSignalSpy>

#include "core/saved_text_model.h"
#include "support/saved_text_helpers.h"

#ifdef Q_OS_LINUX
#include <sys/stat.h>

#include "support/fifo_unblocker.h"
#endif

using namespace tavro;

namespace {

// The i-th of a run of saved-text names, in name order.
QString nameOf(int i) {
    return QStringLiteral("98%1.TXT").arg(i, 10, 10, QLatin1Char('0'));
}

class SavedTextModelTest : public tavro::testing::TempTextFolderTest {
  protected:
    void SetUp() override {
        TempTextFolderTest::SetUp();
        model.useFolder({folder_, false});
    }

    QStringList column(int role) const {
        QStringList values;
        for (int row = 0; row < model.rowCount(); ++row) {
            values.append(model.index(row).data(role).toString());
        }
        return values;
    }

    SavedTextModel model;
    QAbstractItemModelTester tester{&model, QAbstractItemModelTester::FailureReportingMode::Fatal};
};

}  // namespace

TEST_F(SavedTextModelTest, RowsComeInNameOrderWithTheirLinesAndCaptions) {
    put(QStringLiteral("981231235959.TXT"), "last");
    put(QStringLiteral("980101000000.TXT"), QByteArray(40, 'a'));
    put(QStringLiteral("980828153012.TXT"), "abc");
    put(QStringLiteral("memo.TXT"), "not listed");
    ASSERT_TRUE(QDir(folder_).mkdir(QStringLiteral("980101000001.TXT")));  // nor a folder
    model.reload();
    EXPECT_EQ(column(SavedTextModel::FileNameRole),
              (QStringList{QStringLiteral("980101000000.TXT"), QStringLiteral("980828153012.TXT"),
                           QStringLiteral("981231235959.TXT")}));
    // The line ends with the name after the excerpt padded to 100; the caption is the excerpt
    // below 30 characters, else its first 25.
    const QString line = model.index(1).data().toString();
    EXPECT_EQ(line.size(), 11 + 2 + 100 + 16);  // "MM/DD HH:MM" first
    EXPECT_TRUE(line.endsWith(QStringLiteral("|abc\r\n") + QString(95, u' ') +
                              QStringLiteral("980828153012.TXT")));
    EXPECT_EQ(
        column(SavedTextModel::TrayCaptionRole),
        (QStringList{QString(25, u'a'), QStringLiteral("abc\r\n"), QStringLiteral("last\r\n")}));
    EXPECT_EQ(model.fileNameOfRow(2), QStringLiteral("981231235959.TXT"));
    EXPECT_EQ(model.fileNameOfRow(3), QString());

    // A dragged row carries its line as text and its file's name beside it.
    std::unique_ptr<QMimeData> dragged(model.mimeData({model.index(1)}));
    EXPECT_EQ(dragged->text(), line);
    EXPECT_EQ(dragged->data(QString::fromLatin1(kFileNameMimeType)),
              QByteArray("980828153012.TXT"));
}

TEST_F(SavedTextModelTest, ALoadShowsWhatItReadAtEachPassAndCommandsWaitForItsEnd) {
    for (int i = 0; i < 450; ++i) {
        put(nameOf(i), "text");
    }
    QStringList seen;
    bool asked = false;
    model.setEventPass([&] {
        seen.append(QStringLiteral("pass at %1 rows").arg(model.rowCount()));
        if (!asked) {
            asked = true;
            // A command asked for while the load lets events through, and another load.
            model.runWhenLoaded([&] { seen.append(QStringLiteral("command")); });
            model.reload();
            model.runWhenLoaded([&] { seen.append(QStringLiteral("second command")); });
        }
    });
    QObject::connect(&model, &SavedTextModel::loadStarted, [&] {
        seen.append(QStringLiteral("started with %1 rows").arg(model.rowCount()));
    });
    QObject::connect(&model, &SavedTextModel::loadFinished, [&] {
        seen.append(QStringLiteral("finished with %1 rows").arg(model.rowCount()));
    });
    model.reload();
    // Events went through once the names were listed, then every 200 files; rows between two
    // passes came in one insertion; the waiting commands ran in order after the load, and the
    // load asked for meanwhile ran once, in its turn.
    EXPECT_EQ(
        seen,
        (QStringList{QStringLiteral("started with 0 rows"), QStringLiteral("pass at 0 rows"),
                     QStringLiteral("pass at 199 rows"), QStringLiteral("pass at 399 rows"),
                     QStringLiteral("finished with 450 rows"), QStringLiteral("command"),
                     QStringLiteral("started with 0 rows"), QStringLiteral("pass at 0 rows"),
                     QStringLiteral("pass at 199 rows"), QStringLiteral("pass at 399 rows"),
                     QStringLiteral("finished with 450 rows"), QStringLiteral("second command")}));
    EXPECT_FALSE(model.isLoading());
}

TEST_F(SavedTextModelTest, StoppingEndsTheLoadAtOnceYetWaitingCommandsStillRun) {
    for (int i = 0; i < 450; ++i) {
        put(nameOf(i), "text");
    }
    bool commandRan = false;
    int passes = 0;
    model.setEventPass([&] {
        ++passes;
        model.runWhenLoaded([&] { commandRan = true; });
        model.stopLoading();
    });
    QSignalSpy finished(&model, &SavedTextModel::loadFinished);
    model.reload();
    EXPECT_EQ(passes, 1);
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(finished.count(), 1);
    EXPECT_TRUE(commandRan);  // a text saved before the quit is kept
    model.reload();           // the program is ending: no more loads
    EXPECT_EQ(finished.count(), 1);
}

TEST_F(SavedTextModelTest, ANewFolderIsFinalAtOnceAndASaveFallsBackToTheChosenFolder) {
    QSignalSpy finished(&model, &SavedTextModel::loadFinished);
    model.useFolder({folder_, true});
    EXPECT_EQ(finished.count(), 1);
    EXPECT_EQ(model.rowCount(), 0);

    // The folder went since: the text goes where the chooser says now.
    const QString elsewhere = folder_ + QStringLiteral("-elsewhere");
    ASSERT_TRUE(QDir(folder_).removeRecursively());
    ASSERT_TRUE(QFile(folder_).open(QIODevice::WriteOnly));  // a file in the way: no folder again
    model.setFolderChooser([&] { return SavedTextFolder{elsewhere, QDir().mkpath(elsewhere)}; });
    const QDateTime now(QDate(1998, 8, 28), QTime(15, 30, 12));
    EXPECT_EQ(model.save(now, QStringLiteral("kept")), QStringLiteral("980828153012.TXT"));
    EXPECT_EQ(model.store().folder(), elsewhere);
    EXPECT_EQ(tavro::testing::contents(elsewhere + QStringLiteral("/980828153012.TXT")), "kept");
    // The chosen folder can't take it either: the save fails, and says so by its result.
    ASSERT_TRUE(QDir(elsewhere).removeRecursively());
    ASSERT_TRUE(QFile(elsewhere).open(QIODevice::WriteOnly));
    EXPECT_EQ(model.save(now, QStringLiteral("lost")), std::nullopt);
    QFile::remove(elsewhere);
}

TEST_F(SavedTextModelTest, ManyTextsWrittenLastFirstComeInNameOrder) {
    for (const int count : {20, 10000}) {
        SCOPED_TRACE(count);
        QStringList names;
        for (int i = 0; i < count; ++i) {
            names.append(nameOf(i));
        }
        for (int i = count - 1; i >= 0; --i) {
            put(names[i], QStringLiteral("text %1").arg(i).toLatin1());
        }
        model.reload();
        EXPECT_EQ(column(SavedTextModel::FileNameRole), names);
        EXPECT_EQ(model.index(count - 1).data(SavedTextModel::TrayCaptionRole).toString(),
                  QStringLiteral("text %1\r\n").arg(count - 1));
    }
}

TEST_F(SavedTextModelTest, SavesTakeTheNextFreeSecondAndComeBackWhole) {
    put(QStringLiteral("980828153013.TXT"), "there before");
    const QDateTime now(QDate(1998, 8, 28), QTime(15, 30, 12));
    const struct {
        QString text;
        const char* name;
    } saves[] = {
        {QStringLiteral("first"), "980828153012.TXT"},
        {QStringLiteral("x\r\ny"), "980828153014.TXT"},
        {QStringLiteral("日本\r\n語ｶﾅ"), "980828153015.TXT"},
        {QStringLiteral("smile \U0001F600"), "980828153016.TXT"},
    };
    for (const auto& save : saves) {
        EXPECT_EQ(model.save(now, save.text), QString::fromLatin1(save.name));
        EXPECT_EQ(model.wholeText(QString::fromLatin1(save.name)), save.text);
    }
    EXPECT_EQ(tavro::testing::contents(path(QStringLiteral("980828153013.TXT"))), "there before");
    EXPECT_EQ(model.rowCount(), 0);  // a save leaves the rows as they are
}

TEST_F(SavedTextModelTest, ARowAddressesOnlyItsOwnFile) {
    // The list line of the 21-character name ends in the 16 characters of the other name; a
    // name shorter than 16 characters leaves padding in the line's last 16.
    const QString longName = QStringLiteral("12345678901234567.TXT");
    const QString tailName = QStringLiteral("678901234567.TXT");
    put(longName, "long name");
    put(tailName, "tail name");
    put(QStringLiteral("1.TXT"), "short name");
    put(nameOf(1), "one");
    model.reload();
    ASSERT_EQ(column(SavedTextModel::FileNameRole),
              (QStringList{QStringLiteral("1.TXT"), longName, tailName, nameOf(1)}));
    for (int row : {0, 1}) {
        EXPECT_EQ(model.fileNameOfRow(row), QString()) << row;
        EXPECT_FALSE(model.remove(row)) << row;
        EXPECT_EQ(model.wholeText(model.fileNameOfRow(row)), std::nullopt) << row;
    }
    EXPECT_EQ(tavro::testing::contents(path(tailName)), "tail name");
    EXPECT_EQ(tavro::testing::contents(path(longName)), "long name");
    EXPECT_EQ(model.wholeText(model.fileNameOfRow(2)), QStringLiteral("tail name"));
    EXPECT_FALSE(model.remove(-1));
    EXPECT_TRUE(model.remove(3));
    EXPECT_FALSE(QFile::exists(path(nameOf(1))));
    EXPECT_EQ(model.rowCount(), 4);  // until the next load
}

#ifdef Q_OS_LINUX
TEST_F(SavedTextModelTest, EntriesThatCantBeReadAreSkippedAndTheRestLoads) {
    put(nameOf(1), "one");
    put(nameOf(4), "four");
    const QByteArray fifo = QFile::encodeName(root_.path() + QStringLiteral("/fifo"));
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(QFile::decodeName(fifo), path(nameOf(2))));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), path(nameOf(3))));
    const QByteArray fifoInFolder = QFile::encodeName(path(nameOf(5)));
    FifoUnblocker unblocker({fifo, fifoInFolder});
    model.reload();
    // A FIFO made after a load: the next load skips it as well.
    ASSERT_EQ(::mkfifo(fifoInFolder.constData(), 0600), 0);
    model.reload();
    EXPECT_EQ(column(SavedTextModel::FileNameRole), (QStringList{nameOf(1), nameOf(4)}));
    EXPECT_EQ(column(SavedTextModel::TrayCaptionRole),
              (QStringList{QStringLiteral("one\r\n"), QStringLiteral("four\r\n")}));
    for (int i : {2, 3, 5}) {
        EXPECT_EQ(model.wholeText(nameOf(i)), std::nullopt) << i;
    }
    EXPECT_EQ(model.wholeText(nameOf(4)), QStringLiteral("four"));
    EXPECT_FALSE(unblocker.fired()) << "a read blocked on a FIFO";

    // A regular file of 4,096 bytes whose every read fails (with EINVAL), even for root.
    const QString unreadable = QStringLiteral("/sys/class/net/lo/speed");
    QFile probe(unreadable);
    char byte = 0;
    if (!probe.open(QIODevice::ReadOnly | QIODevice::Unbuffered) || probe.read(&byte, 1) >= 0) {
        GTEST_SKIP() << unreadable.toStdString() << " is missing or readable here";
    }
    ASSERT_TRUE(QFile::remove(path(nameOf(2))));
    ASSERT_TRUE(QFile::link(unreadable, path(nameOf(2))));
    model.reload();
    EXPECT_EQ(column(SavedTextModel::FileNameRole), (QStringList{nameOf(1), nameOf(4)}));
    EXPECT_EQ(model.wholeText(nameOf(2)), std::nullopt);
}
#endif
