// The saved texts as a model: rows in name order with their list lines and tray captions,
// the load in steps that lets events through, and commands that wait for it.
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QFile>
#include <QMimeData>
#include <QSignalSpy>

#include "core/saved_text_model.h"
#include "support/saved_text_helpers.h"

using namespace tavro;

namespace {

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
    model.reload();
    EXPECT_EQ(column(SavedTextModel::FileNameRole),
              (QStringList{QStringLiteral("980101000000.TXT"), QStringLiteral("980828153012.TXT"),
                           QStringLiteral("981231235959.TXT")}));
    // The line ends with the name after the excerpt padded to 100; the caption is the excerpt
    // below 30 characters, else its first 25.
    const QString line = model.index(1).data().toString();
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
        put(QStringLiteral("98%1.TXT").arg(i, 10, 10, QLatin1Char('0')), "text");
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
        put(QStringLiteral("98%1.TXT").arg(i, 10, 10, QLatin1Char('0')), "text");
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
