// The saved texts in the window: saving a history entry, putting a saved text back on the
// clipboard, deleting one, the list's handlers that make these commands available, and
// commands that arrive while a load is sorting.
#include <QAction>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMetaObject>
#include <QPushButton>
#include <QStandardPaths>

#include "form1_fixture.h"

namespace {

const QString kSelectEntryMessage = QStringLiteral("ﾃｷｽﾄ保存するﾃﾞｰﾀをﾘｽﾄから選択してください");
const QString kSelectToDeleteMessage = QStringLiteral("削除するﾃｷｽﾄを選択してください");
const QString kSelectToRecallMessage =
    QStringLiteral("ｸﾘｯﾌﾟﾎﾞｰﾄﾞに格納するﾃｷｽﾄﾃﾞｰﾀを選択してください");
const QString kFailedMessage =
    QStringLiteral("ひょっとしてその動作は、できないかもしれません\r\n諦めてください");

const QColor kWhite(255, 255, 255);
const QColor kSilver(192, 192, 192);

// The i-th of a run of saved-text names, in name order.
QString name(int i) {
    return QStringLiteral("98080100%1.TXT").arg(i, 4, 10, QLatin1Char('0'));
}

}  // namespace

class SavedTextCommandsTest : public Form1Test {
  protected:
    // Whether the two saved-text commands are available, and shown so: white when they
    // are, silver when not.
    ::testing::AssertionResult commandsAvailable(bool available) const {
        const tavro::Form1& f = *form;
        const QColor colour = available ? kWhite : kSilver;
        const QColor text2 = f.Label3[2]->palette().color(QPalette::WindowText);
        const QColor text3 = f.Label3[3]->palette().color(QPalette::WindowText);
        if (f.Cmdaddclip->isEnabled() == available && f.CmdDeltext->isEnabled() == available &&
            text2 == colour && text3 == colour) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure()
               << "Cmdaddclip " << f.Cmdaddclip->isEnabled() << ", CmdDeltext "
               << f.CmdDeltext->isEnabled() << ", Label3[2] " << text2.name().toStdString()
               << ", Label3[3] " << text3.name().toStdString();
    }

    // The row of the list line of the given file: its name follows the excerpt's padding.
    int rowOf(const QString& fileName) const {
        for (int i = 0; i < form->Lsttext->count(); ++i) {
            if (form->Lsttext->line(i).endsWith(QLatin1Char(' ') + fileName)) {
                return i;
            }
        }
        return -1;
    }

    void copyAt(const QTime& time, const QString& text) {
        now.setTime(time);
        copyText(text);
    }
};

TEST_F(SavedTextCommandsTest, SavingNeedsASelectedEntryAndTheButtonItsMarker) {
    tavro::Form1& f = makeForm();
    copyText(QStringLiteral("abc"));

    // From the list's menu: no entry selected gives the message and no file.
    f.AddTxt->trigger();
    EXPECT_EQ(messages, QStringList{kSelectEntryMessage});
    EXPECT_TRUE(savedNames().isEmpty());
    EXPECT_EQ(f.Lsttext->count(), 0);

    // The button without its marker does nothing at all, with or without a selection.
    messages.clear();
    f.Focus_clear(5);
    f.cmdaddtext_Click();
    f.List1->setListIndex(0);
    f.cmdaddtext_Click();
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_TRUE(savedNames().isEmpty());

    // With its marker the button saves like the menu entry.
    f.Focus_clear(1);
    f.cmdaddtext_Click();
    EXPECT_EQ(savedNames(), QStringList{QStringLiteral("980828153012.TXT")});
    EXPECT_TRUE(messages.isEmpty());

    // And with its marker but nothing selected it answers with the message.
    f.List1->setListIndex(-1);
    f.cmdaddtext_Click();
    EXPECT_EQ(messages, QStringList{kSelectEntryMessage});
    EXPECT_EQ(savedNames().size(), 1);
}

TEST_F(SavedTextCommandsTest, SaveWritesTheEntryTextUnderTheClockName) {
    writeSaved(QStringLiteral("970101000000.TXT"), QByteArrayLiteral("older"));
    tavro::Form1& f = makeForm();
    copyAt(QTime(12, 34, 56), QStringLiteral("abc"));
    copyAt(QTime(12, 34, 57), QStringLiteral("日本\r\n語ｶﾅ"));
    copyAt(QTime(12, 34, 58), QStringLiteral("smile \U0001F600"));
    QApplication::clipboard()->clear();  // an entry that repeats the last text
    f.TextAct(1);

    const struct {
        int row;
        QTime at;
        QByteArray bytes;
    } saves[] = {
        {3, QTime(15, 30, 12), QByteArrayLiteral("abc")},
        // Shift-JIS, line breaks as they were.
        {2, QTime(15, 30, 20), QByteArrayLiteral("\x93\xfa\x96\x7b\r\n\x8c\xea\xb6\xc5")},
        // A character Shift-JIS lacks: UTF-8 behind a byte-order mark.
        {1, QTime(15, 30, 30), QByteArrayLiteral("\xef\xbb\xbfsmile \xf0\x9f\x98\x80")},
    };
    for (const auto& save : saves) {
        now.setTime(save.at);
        f.List1->setListIndex(save.row);
        f.AddTxt_Click();
        const QString fileName = tavro::savedTextName(now);
        EXPECT_EQ(savedBytes(fileName), save.bytes) << fileName.toStdString();
        // The newest name is the last line, and, among the first 14, a tray entry.
        const int last = f.Lsttext->count() - 1;
        EXPECT_TRUE(f.Lsttext->line(last).endsWith(fileName)) << fileName.toStdString();
        EXPECT_EQ(f.T_rireki->ubound(), last);
        // The selection, the commands and the history stay as they were.
        EXPECT_EQ(f.List1->listIndex(), save.row);
        EXPECT_TRUE(commandsAvailable(true));
        EXPECT_EQ(f.List1->count(), 4);
    }
    EXPECT_EQ(
        savedNames(),
        (QStringList{QStringLiteral("970101000000.TXT"), QStringLiteral("980828153012.TXT"),
                     QStringLiteral("980828153020.TXT"), QStringLiteral("980828153030.TXT")}));
    // The list line: the excerpt behind " |", padded to 100 characters, then the name.
    const QString first = f.Lsttext->line(1);
    EXPECT_EQ(first.size(), 11 + 2 + 100 + 16);
    EXPECT_EQ(first.mid(11, 7), QStringLiteral(" |abc\r\n"));
    EXPECT_EQ(f.T_rireki->caption(1), QStringLiteral("abc\r\n"));
    EXPECT_EQ(f.T_rireki->caption(2), QStringLiteral("日本\r\n語ｶﾅ\r\n"));

    // The entry repeating the last text after the clipboard was emptied is saved as well.
    now.setTime(QTime(15, 31, 0));
    f.List1->setListIndex(0);
    f.AddTxt_Click();
    EXPECT_EQ(savedBytes(QStringLiteral("980828153100.TXT")),
              QByteArrayLiteral("\xef\xbb\xbfsmile \xf0\x9f\x98\x80"));
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(SavedTextCommandsTest, SavesInTheSameSecondNeverOverwrite) {
    tavro::Form1& f = makeForm();
    copyText(QStringLiteral("first"));
    copyText(QStringLiteral("second"));
    copyText(QStringLiteral("third"));
    // A file of the second after already exists.
    writeSaved(QStringLiteral("980828153013.TXT"), QByteArrayLiteral("there before"));

    for (int row : {2, 1, 0}) {
        f.List1->setListIndex(row);
        f.AddTxt_Click();
    }
    EXPECT_EQ(savedBytes(QStringLiteral("980828153012.TXT")), QByteArrayLiteral("first"));
    EXPECT_EQ(savedBytes(QStringLiteral("980828153013.TXT")), QByteArrayLiteral("there before"));
    EXPECT_EQ(savedBytes(QStringLiteral("980828153014.TXT")), QByteArrayLiteral("second"));
    EXPECT_EQ(savedBytes(QStringLiteral("980828153015.TXT")), QByteArrayLiteral("third"));
    EXPECT_EQ(savedNames().size(), 4);
    EXPECT_EQ(f.Lsttext->count(), 4);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(SavedTextCommandsTest, RecallGivesTheFileTextBackWithoutItsFinalLineBreak) {
    writeSaved(QStringLiteral("980101000001.TXT"), QByteArrayLiteral("a\r\nb"));
    writeSaved(QStringLiteral("980101000002.TXT"), QByteArrayLiteral("a\r\nb\r\n"));
    writeSaved(QStringLiteral("980101000003.TXT"), QByteArrayLiteral("a\rb\nc"));
    writeSaved(QStringLiteral("980101000004.TXT"), QByteArrayLiteral("\x93\xfa\x96\x7b"));
    writeSaved(QStringLiteral("980101000005.TXT"), QByteArray());
    tavro::Form1& f = makeForm();

    const struct {
        const char* file;
        QString text;
    } recalls[] = {
        {"980101000001.TXT", QStringLiteral("a\r\nb")},
        {"980101000002.TXT", QStringLiteral("a\r\nb")},
        // A lone CR ends a line; a lone LF belongs to it.
        {"980101000003.TXT", QStringLiteral("a\r\nb\nc")},
        {"980101000004.TXT", QStringLiteral("日本")},
    };
    for (const auto& recall : recalls) {
        f.Setclip(QString::fromLatin1(recall.file));
        EXPECT_EQ(clipboardText(), recall.text) << recall.file;
        EXPECT_EQ(f.List1->line(0), QStringLiteral("15:30:12 | ") + recall.text) << recall.file;
    }
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(f.List1->count(), 4);

    // An empty file and a missing one: the message, the clipboard and history unchanged.
    for (const char* file : {"980101000005.TXT", "980101000009.TXT"}) {
        messages.clear();
        f.Setclip(QString::fromLatin1(file));
        EXPECT_EQ(messages, QStringList{kFailedMessage}) << file;
        EXPECT_EQ(clipboardText(), QStringLiteral("日本")) << file;
        EXPECT_EQ(f.List1->count(), 4) << file;
    }

    // A two-line history entry saved and recalled comes back exactly.
    copyText(QStringLiteral("x\r\ny"));
    f.List1->setListIndex(0);
    f.AddTxt_Click();
    copyText(QStringLiteral("other"));
    f.Setclip(QStringLiteral("980828153012.TXT"));
    EXPECT_EQ(clipboardText(), QStringLiteral("x\r\ny"));
}

TEST_F(SavedTextCommandsTest, TrayRecallTakesTheWholeTextOfTheListedFile) {
    const QByteArray longText =
        QByteArrayLiteral("a saved text far longer than the tray shows\r\nsecond line\r\n");
    writeSaved(QStringLiteral("980101000001.TXT"), longText);
    writeSaved(QStringLiteral("980101000002.TXT"), QByteArrayLiteral("short"));
    tavro::Form1& f = makeForm();
    ASSERT_EQ(f.T_rireki->ubound(), 1);
    EXPECT_EQ(f.T_rireki->caption(0), QStringLiteral("a saved text far longer t"));
    EXPECT_EQ(f.T_rireki->caption(1), QStringLiteral("short\r\n"));

    f.Lsttext->setListIndex(1);
    ASSERT_TRUE(f.CmdDeltext->isEnabled());
    now.setTime(QTime(9, 0, 0));
    f.T_rireki->element(0)->trigger();
    EXPECT_EQ(clipboardText(),
              QStringLiteral("a saved text far longer than the tray shows\r\nsecond line"));
    EXPECT_EQ(f.List1->line(0), QStringLiteral("09:00:00 | ") + clipboardText());
    // The list's selection and the commands are left as they were; the window stays hidden.
    EXPECT_EQ(f.Lsttext->listIndex(), 1);
    EXPECT_TRUE(commandsAvailable(true));
    // Never shown at any moment: a window once shown keeps its platform window.
    EXPECT_EQ(f.windowHandle(), nullptr);

    f.T_rireki_Click(1);
    EXPECT_EQ(clipboardText(), QStringLiteral("short"));
    EXPECT_EQ(f.List1->count(), 2);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(SavedTextCommandsTest, RecallOfTheSelectedTextResetsTheCommands) {
    writeSaved(QStringLiteral("980101000001.TXT"), QByteArrayLiteral("one"));
    writeSaved(QStringLiteral("980101000002.TXT"), QByteArrayLiteral("two"));
    tavro::Form1& f = makeForm();
    showActive();
    copyText(QStringLiteral("before"));

    // Nothing selected.
    f.Addclip->trigger();
    EXPECT_EQ(messages, QStringList{kSelectToRecallMessage});
    EXPECT_EQ(clipboardText(), QStringLiteral("before"));

    // A real click on the second line selects it and makes the commands available.
    messages.clear();
    const QRect second = f.Lsttext->visualItemRect(f.Lsttext->item(1));
    QTest::mouseClick(f.Lsttext->viewport(), Qt::LeftButton, {}, second.center());
    ASSERT_EQ(f.Lsttext->listIndex(), 1);
    EXPECT_TRUE(commandsAvailable(true));
    // The click leaves the focus on the list (Qt's offscreen platform on Windows doesn't
    // move it for a synthetic click).
    f.Lsttext->setFocus(Qt::MouseFocusReason);

    // The button without its marker: nothing, no message, the selection kept.
    f.Focus_clear(5);
    f.Cmdaddclip_Click();
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(clipboardText(), QStringLiteral("before"));
    EXPECT_EQ(f.Lsttext->listIndex(), 1);

    // The menu entry recalls it and resets everything.
    now.setTime(QTime(10, 0, 0));
    f.Addclip_Click();
    EXPECT_EQ(clipboardText(), QStringLiteral("two"));
    EXPECT_EQ(f.List1->line(0), QStringLiteral("10:00:00 | two"));
    EXPECT_EQ(f.Lsttext->listIndex(), -1);
    EXPECT_TRUE(commandsAvailable(false));
    EXPECT_EQ(QApplication::focusWidget(), f.cmdok);
    EXPECT_EQ(shownMarkers(), QList<int>{0});
    EXPECT_TRUE(messages.isEmpty());

    // The button with its marker does the same.
    f.Lsttext->setListIndex(0);
    f.Cmdaddclip->setFocus();
    ASSERT_EQ(shownMarkers(), QList<int>{2});
    f.Cmdaddclip_Click();
    EXPECT_EQ(clipboardText(), QStringLiteral("one"));
    EXPECT_EQ(f.Lsttext->listIndex(), -1);
    EXPECT_TRUE(commandsAvailable(false));
    EXPECT_EQ(QApplication::focusWidget(), f.cmdok);

    // A save reloads the list: the commands stay available with nothing selected, and the
    // recall answers with its message.
    f.Lsttext->setListIndex(0);
    f.List1->setListIndex(0);
    f.AddTxt_Click();
    EXPECT_EQ(f.Lsttext->listIndex(), -1);
    EXPECT_TRUE(commandsAvailable(true));
    f.Addclip_Click();
    EXPECT_EQ(messages, QStringList{kSelectToRecallMessage});
}

TEST_F(SavedTextCommandsTest, DeleteNeedsASelectionAndRemovesTheFile) {
    writeSaved(QStringLiteral("980101000001.TXT"), QByteArrayLiteral("one"));
    writeSaved(QStringLiteral("980101000002.TXT"), QByteArrayLiteral("two"));
    writeSaved(QStringLiteral("980101000003.TXT"), QByteArrayLiteral("three"));
    tavro::Form1& f = makeForm();
    showActive();

    f.Deltext->trigger();
    EXPECT_EQ(messages, QStringList{kSelectToDeleteMessage});
    EXPECT_EQ(savedNames().size(), 3);

    // A save reloads the list, so the line selected before is no longer current.
    messages.clear();
    copyText(QStringLiteral("new"));
    f.Lsttext->setListIndex(0);
    f.List1->setListIndex(0);
    f.AddTxt_Click();
    f.Deltext_Click();
    EXPECT_EQ(messages, QStringList{kSelectToDeleteMessage});
    EXPECT_EQ(savedNames().size(), 4);
    ASSERT_TRUE(QFile::remove(savedPath(QStringLiteral("980828153012.TXT"))));
    f.LoadText();

    // The button without its marker does nothing, even with a selection.
    messages.clear();
    f.Lsttext->setListIndex(1);
    f.Focus_clear(5);
    f.CmdDeltext_Click();
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(savedNames().size(), 3);

    f.Deltext_Click();
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(savedNames(), (QStringList{QStringLiteral("980101000001.TXT"),
                                         QStringLiteral("980101000003.TXT")}));
    ASSERT_EQ(f.Lsttext->count(), 2);
    EXPECT_TRUE(f.Lsttext->line(1).endsWith(QStringLiteral("980101000003.TXT")));
    EXPECT_EQ(f.T_rireki->ubound(), 1);
    EXPECT_EQ(f.T_rireki->caption(1), QStringLiteral("three\r\n"));
    EXPECT_EQ(f.Lsttext->listIndex(), -1);
    EXPECT_TRUE(commandsAvailable(false));
    EXPECT_EQ(QApplication::focusWidget(), f.cmdok);

    // The button with its marker.
    f.Lsttext->setListIndex(0);
    f.CmdDeltext->setFocus();
    ASSERT_EQ(shownMarkers(), QList<int>{3});
    f.CmdDeltext_Click();
    EXPECT_EQ(savedNames(), QStringList{QStringLiteral("980101000003.TXT")});
    EXPECT_EQ(f.Lsttext->count(), 1);
    EXPECT_TRUE(commandsAvailable(false));

    // The last one: the tray's saved-text entry goes too.
    f.Lsttext->setListIndex(0);
    f.Deltext_Click();
    EXPECT_TRUE(savedNames().isEmpty());
    EXPECT_EQ(f.Lsttext->count(), 0);
    EXPECT_FALSE(f.T_rireki->isVisible(0));
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(SavedTextCommandsTest, FileGoneBehindTheProgramsBackFailsAndReloads) {
    writeSaved(QStringLiteral("980101000001.TXT"), QByteArrayLiteral("one"));
    writeSaved(QStringLiteral("980101000002.TXT"), QByteArrayLiteral("two"));
    writeSaved(QStringLiteral("980101000003.TXT"), QByteArrayLiteral("three"));
    tavro::Form1& f = makeForm();
    copyText(QStringLiteral("before"));
    ASSERT_TRUE(QFile::remove(savedPath(QStringLiteral("980101000002.TXT"))));

    // Recall from the tray.
    f.T_rireki_Click(1);
    EXPECT_EQ(messages, QStringList{kFailedMessage});
    EXPECT_EQ(clipboardText(), QStringLiteral("before"));

    // Recall of the selected line: the failure, and the commands reset all the same.
    messages.clear();
    f.Lsttext->setListIndex(1);
    f.Addclip_Click();
    EXPECT_EQ(messages, QStringList{kFailedMessage});
    EXPECT_EQ(clipboardText(), QStringLiteral("before"));
    EXPECT_EQ(f.Lsttext->listIndex(), -1);
    EXPECT_TRUE(commandsAvailable(false));
    EXPECT_EQ(f.List1->count(), 1);

    // Delete: the failure message, and the list shows the folder as it is now.
    messages.clear();
    ASSERT_EQ(f.Lsttext->count(), 3);
    f.Lsttext->setListIndex(1);
    f.Deltext_Click();
    EXPECT_EQ(messages, QStringList{kFailedMessage});
    ASSERT_EQ(f.Lsttext->count(), 2);
    EXPECT_EQ(rowOf(QStringLiteral("980101000002.TXT")), -1);
    EXPECT_EQ(f.T_rireki->ubound(), 1);
    EXPECT_EQ(f.Lsttext->listIndex(), -1);
    EXPECT_TRUE(commandsAvailable(false));
    EXPECT_EQ(savedNames().size(), 2);
}

TEST_F(SavedTextCommandsTest, LongNamedFileNeverActsOnTheFileItsLineEndsIn) {
    // The line of the 21-character name ends in the 16 characters of the other file's name.
    const QString longName = QStringLiteral("12345678901234567.TXT");
    const QString tailName = QStringLiteral("678901234567.TXT");
    writeSaved(longName, QByteArrayLiteral("long name"));
    writeSaved(tailName, QByteArrayLiteral("tail name"));
    tavro::Form1& f = makeForm();
    copyText(QStringLiteral("before"));
    const int longRow = rowOf(longName);
    const int tailRow = rowOf(tailName);
    ASSERT_GE(longRow, 0);
    ASSERT_GE(tailRow, 0);
    ASSERT_TRUE(f.Lsttext->line(longRow).endsWith(tailName));

    f.T_rireki_Click(longRow);
    EXPECT_EQ(messages, QStringList{kFailedMessage});
    EXPECT_EQ(clipboardText(), QStringLiteral("before"));

    messages.clear();
    f.Lsttext->setListIndex(longRow);
    f.Addclip_Click();
    EXPECT_EQ(messages, QStringList{kFailedMessage});
    EXPECT_EQ(clipboardText(), QStringLiteral("before"));

    messages.clear();
    f.Lsttext->setListIndex(longRow);
    f.Deltext_Click();
    EXPECT_EQ(messages, QStringList{kFailedMessage});
    EXPECT_EQ(savedBytes(tailName), QByteArrayLiteral("tail name"));
    EXPECT_EQ(savedBytes(longName), QByteArrayLiteral("long name"));
    EXPECT_EQ(f.Lsttext->count(), 2);
    EXPECT_EQ(f.List1->count(), 1);

    // A name shorter than 16 characters: the line's last 16 characters take in padding, and
    // the recall fails.
    writeSaved(QStringLiteral("1.TXT"), QByteArrayLiteral("short name"));
    f.LoadText();
    ASSERT_EQ(rowOf(QStringLiteral("1.TXT")), 0);
    messages.clear();
    f.T_rireki_Click(0);
    EXPECT_EQ(messages, QStringList{kFailedMessage});
    EXPECT_EQ(clipboardText(), QStringLiteral("before"));

    // The other file itself is recalled normally.
    messages.clear();
    f.T_rireki_Click(rowOf(tailName));
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(clipboardText(), QStringLiteral("tail name"));
}

TEST_F(SavedTextCommandsTest, TwentySavedTextsFillTheListAndFourteenTrayEntries) {
    for (int i = 0; i < 20; ++i) {
        writeSaved(name(i), QStringLiteral("text %1").arg(i).toLatin1());
    }
    tavro::Form1& f = makeForm();
    ASSERT_EQ(f.Lsttext->count(), 20);
    for (int i = 0; i < 20; ++i) {
        EXPECT_TRUE(f.Lsttext->line(i).endsWith(name(i))) << i;
    }
    ASSERT_EQ(f.T_rireki->ubound(), 13);
    for (int i = 0; i < 14; ++i) {
        EXPECT_EQ(f.T_rireki->caption(i), QStringLiteral("text %1\r\n").arg(i)) << i;
    }

    // Deleting line 3 removes its file; the reload recreates the tray's first 14.
    f.Lsttext->setListIndex(2);
    f.Deltext_Click();
    EXPECT_FALSE(QFileInfo::exists(savedPath(name(2))));
    ASSERT_EQ(f.Lsttext->count(), 19);
    ASSERT_EQ(f.T_rireki->ubound(), 13);
    EXPECT_EQ(f.T_rireki->caption(2), QStringLiteral("text 3\r\n"));
    EXPECT_EQ(f.T_rireki->caption(13), QStringLiteral("text 14\r\n"));
    f.T_rireki_Click(13);
    EXPECT_EQ(clipboardText(), QStringLiteral("text 14"));

    // A new save with a later name is listed last but gets no tray entry.
    f.List1->setListIndex(0);
    f.AddTxt_Click();
    ASSERT_EQ(f.Lsttext->count(), 20);
    EXPECT_TRUE(f.Lsttext->line(19).endsWith(QStringLiteral("980828153012.TXT")));
    EXPECT_EQ(f.T_rireki->ubound(), 13);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(SavedTextCommandsTest, TheTrayListsOnlySavedTextsThatExist) {
    // What the first saved-text entry of the tray shows after a start with these files.
    struct Case {
        const char* files;  // names, comma-separated; "=dir" makes a folder of that name
        bool visible;
        const char* caption;
    };
    const Case cases[] = {
        {"", false, nullptr},
        {"memo.TXT", false, nullptr},
        {"980101000001.TXT=dir", false, nullptr},
        {"memo.TXT,980101000002.TXT", true, "text 980101000002.TXT\r\n"},
    };
    for (const Case& c : cases) {
        QDir(tempText()).removeRecursively();
        QDir().mkpath(tempText());
        for (const QString& entry : QString::fromLatin1(c.files).split(u',', Qt::SkipEmptyParts)) {
            const QString name = entry.section(u'=', 0, 0);
            if (entry.endsWith(QLatin1String("=dir"))) {
                ASSERT_TRUE(QDir(tempText()).mkdir(name));
            } else {
                writeSaved(name, "text " + name.toLatin1());
            }
        }
        tavro::Form1& f = makeForm();
        EXPECT_EQ(f.T_rireki->isVisible(0), c.visible) << c.files;
        if (c.caption != nullptr) {
            EXPECT_EQ(f.T_rireki->caption(0), QString::fromLatin1(c.caption)) << c.files;
        }
        form.reset();
    }

    // Deleting the last numbered text while memo.TXT remains takes its entry away.
    tavro::Form1& f = makeForm();
    f.Lsttext->setListIndex(0);
    f.Deltext_Click();
    EXPECT_EQ(f.Lsttext->count(), 0);
    EXPECT_FALSE(f.T_rireki->isVisible(0));
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(SavedTextCommandsTest, ListHandlersSwitchTheCommandsOnAndOff) {
    tavro::Form1& f = makeForm();
    // Any value but 0 makes them available.
    for (int value : {1, -1, 2}) {
        f.TextAct(0);
        EXPECT_TRUE(commandsAvailable(false));
        f.TextAct(value);
        EXPECT_TRUE(commandsAvailable(true));
    }
    f.TextAct(0);

    // A click while the tray has no saved-text entry changes nothing.
    ASSERT_FALSE(f.T_rireki->isVisible(0));
    f.Lsttext_Click();
    EXPECT_TRUE(commandsAvailable(false));

    writeSaved(QStringLiteral("980101000001.TXT"), QByteArrayLiteral("one"));
    writeSaved(QStringLiteral("980101000002.TXT"), QByteArrayLiteral("two"));
    f.LoadText();
    ASSERT_TRUE(f.T_rireki->isVisible(0));
    f.Lsttext_Click();
    EXPECT_TRUE(commandsAvailable(true));

    // Focus arriving with a line selected makes them available.
    showActive();
    f.Lsttext->setListIndex(1);
    f.TextAct(0);
    f.Lsttext->setFocus(Qt::TabFocusReason);
    ASSERT_EQ(QApplication::focusWidget(), f.Lsttext);
    EXPECT_TRUE(commandsAvailable(true));

    // Keys in the list delete nothing while the delete button's marker is hidden.
    ASSERT_TRUE(shownMarkers().isEmpty());
    QTest::keyClick(f.Lsttext, Qt::Key_Delete);
    QTest::keyClick(f.Lsttext, Qt::Key_A);
    EXPECT_EQ(savedNames().size(), 2);
    EXPECT_TRUE(messages.isEmpty());
    // With the marker shown a key deletes the selected text.
    f.Lsttext->setListIndex(1);
    f.Focus_clear(3);
    QTest::keyClick(f.Lsttext, Qt::Key_Delete);
    EXPECT_EQ(savedNames(), QStringList{QStringLiteral("980101000001.TXT")});
    EXPECT_TRUE(commandsAvailable(false));
}

TEST_F(SavedTextCommandsTest, FocusArrivingWithNoLineSelectedMakesTheCommandsUnavailable) {
    writeSaved(QStringLiteral("980101000001.TXT"), QByteArrayLiteral("one"));
    writeSaved(QStringLiteral("980101000002.TXT"), QByteArrayLiteral("two"));
    tavro::Form1& f = makeForm();
    showActive();
    f.TextAct(1);
    ASSERT_EQ(f.Lsttext->listIndex(), -1);
    // Taking the focus makes the first line current without selecting it: that must not
    // count as a click that makes the commands available again.
    // From the history list, Tab moves the focus on to the saved-text list.
    f.List1->setFocus(Qt::TabFocusReason);
    QTest::keyClick(f.List1, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), f.Lsttext);
    EXPECT_EQ(f.Lsttext->listIndex(), -1);
    EXPECT_TRUE(commandsAvailable(false));
    // The delete and recall commands answer with their messages, deleting nothing.
    f.Deltext_Click();
    f.Addclip_Click();
    EXPECT_EQ(messages, (QStringList{kSelectToDeleteMessage, kSelectToRecallMessage}));
    EXPECT_EQ(savedNames().size(), 2);
}

TEST_F(SavedTextCommandsTest, RightClickOpensTheTextMenuOnlyWhileTheCommandsAreAvailable) {
    writeSaved(QStringLiteral("980101000001.TXT"), QByteArrayLiteral("one"));
    tavro::Form1& f = makeForm();
    showActive();
    const QPoint point = f.Lsttext->visualItemRect(f.Lsttext->item(0)).center();
    QTest::mousePress(f.Lsttext->viewport(), Qt::RightButton, {}, point);
    EXPECT_FALSE(f.Menutext->isVisible());

    f.TextAct(1);
    QTest::mousePress(f.Lsttext->viewport(), Qt::LeftButton, {}, point);
    QTest::mouseRelease(f.Lsttext->viewport(), Qt::LeftButton, {}, point);
    EXPECT_FALSE(f.Menutext->isVisible());
    QTest::mousePress(f.Lsttext->viewport(), Qt::RightButton, {}, point);
    EXPECT_TRUE(f.Menutext->isVisible());
    f.Menutext->hide();
}

TEST_F(SavedTextCommandsTest, CommandsAskedWhileALoadSortsRunAfterIt) {
    // Enough files that the load lets events through while it runs, in whatever order the
    // folder lists them: after each move of the sort, and every 200 files it reads.
    constexpr int kFiles = 250;
    for (int i = kFiles - 1; i >= 0; --i) {
        writeSaved(name(i), QStringLiteral("text %1").arg(i).toLatin1());
    }
    tavro::Form1& f = makeForm();
    copyText(QStringLiteral("saved during the load"));
    f.List1->setListIndex(0);
    const QString newName = QStringLiteral("980828153012.TXT");

    bool ran = false;
    bool loadingThen = false;
    bool writtenInside = true;
    QMetaObject::invokeMethod(
        &f,
        [&] {
            ran = true;
            loadingThen = f.isLoading();
            f.AddTxt_Click();
            writtenInside = QFileInfo::exists(savedPath(newName));
            // A second reload asked for now runs after this one as well.
            f.LoadText();
        },
        Qt::QueuedConnection);
    f.LoadText();

    ASSERT_TRUE(ran);
    EXPECT_TRUE(loadingThen);
    EXPECT_FALSE(writtenInside);
    EXPECT_FALSE(f.isLoading());
    EXPECT_EQ(savedBytes(newName), QByteArrayLiteral("saved during the load"));
    ASSERT_EQ(f.Lsttext->count(), kFiles + 1);
    EXPECT_TRUE(f.Lsttext->line(kFiles).endsWith(newName));
    for (int i = 0; i < kFiles; ++i) {
        EXPECT_TRUE(f.Lsttext->line(i).endsWith(name(i))) << i;
    }
    EXPECT_EQ(f.T_rireki->ubound(), 13);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(SavedTextCommandsTest, TenThousandTextsLoadInNameOrderWithFourteenTrayEntries) {
    // Written in descending order, so the sort has work to do whatever order the folder
    // lists them in.
    QDir().mkpath(tempText());
    QDateTime stamp(QDate(2019, 4, 1), QTime(9, 0, 0));
    QStringList names;
    for (int i = 0; i < 10000; ++i) {
        names.append(tavro::savedTextName(stamp.addSecs(i * 61)));
    }
    for (auto it = names.crbegin(); it != names.crend(); ++it) {
        writeSaved(*it, QByteArrayLiteral("text"));
    }
    tavro::Form1& f = makeForm();
    ASSERT_EQ(f.Lsttext->count(), 10000);
    for (int i = 0; i < 10000; i += 997) {
        EXPECT_EQ(tavro::nameFromListLine(f.Lsttext->line(i)), names[i]) << i;
    }
    EXPECT_EQ(tavro::nameFromListLine(f.Lsttext->line(9999)), names.last());
    EXPECT_EQ(f.T_rireki->ubound(), 13);
    EXPECT_TRUE(f.T_rireki->isVisible(0));
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(SavedTextCommandsTest, ASaveThatCannotBeWrittenSaysSoAndKeepsTheEntry) {
    tavro::Form1& f = makeForm();
    copyText(QStringLiteral("keep me"));
    // Behind the program's back a file takes the place of Temptext, and another file blocks
    // the user's folder, where the texts would go instead: the save has nowhere to go.
    ASSERT_TRUE(QDir(tempText()).removeRecursively());
    QFile inTheWay(tempText());
    ASSERT_TRUE(inTheWay.open(QIODevice::WriteOnly));
    inTheWay.close();
    const QString userFolder =
        QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) +
        QStringLiteral("/Temptext");
    QDir(userFolder).removeRecursively();
    ASSERT_TRUE(QDir().mkpath(QFileInfo(userFolder).path()));
    QFile userBlocker(userFolder);
    ASSERT_TRUE(userBlocker.open(QIODevice::WriteOnly));
    userBlocker.close();

    f.List1->setListIndex(0);
    f.AddTxt_Click();
    EXPECT_EQ(messages, QStringList{tavro::kOperationFailedMessage});
    EXPECT_TRUE(QFileInfo(tempText()).isFile());
    ASSERT_EQ(f.List1->count(), 1);
    EXPECT_TRUE(f.List1->line(0).endsWith(QStringLiteral("| keep me")));
    EXPECT_EQ(f.Lsttext->count(), 0);

    // Once the file is gone, the same entry saves: the save makes Temptext again.
    messages.clear();
    ASSERT_TRUE(QFile::remove(tempText()));
    f.List1->setListIndex(0);
    f.AddTxt_Click();
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(savedNames(), QStringList{QStringLiteral("980828153012.TXT")});
    EXPECT_EQ(f.Lsttext->count(), 1);
    QFile::remove(userFolder);
}
