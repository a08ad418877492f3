// The saved texts in the window: saving a history entry, putting a saved text back on the
// clipboard, deleting one, the list's click, focus and keys that make these commands
// available, the tray menu's saved-text entries, and commands that arrive while a load runs.
#include <QFileInfo>
#include <QMetaObject>
#include <QStandardPaths>

#include "app_fixture.h"

namespace {

const QString kSelectEntryMessage = QStringLiteral("ﾃｷｽﾄ保存するﾃﾞｰﾀをﾘｽﾄから選択してください");
const QString kSelectToDeleteMessage = QStringLiteral("削除するﾃｷｽﾄを選択してください");
const QString kSelectToRecallMessage =
    QStringLiteral("ｸﾘｯﾌﾟﾎﾞｰﾄﾞに格納するﾃｷｽﾄﾃﾞｰﾀを選択してください");
const QString kFailedMessage =
    QStringLiteral("ひょっとしてその動作は、できないかもしれません\r\n諦めてください");

// The i-th of a run of saved-text names, in name order.
QString name(int i) {
    return QStringLiteral("98080100%1.TXT").arg(i, 4, 10, QLatin1Char('0'));
}

}  // namespace

class SavedTextCommandsTest : public AppTest {
  protected:
    // Whether the two saved-text commands are available, and drawn so: white captions when
    // they are, silver when not.
    ::testing::AssertionResult commandsAvailable(bool available) const {
        const QColor colour = available ? QColor(255, 255, 255) : QColor(192, 192, 192);
        std::string wrong;
        for (const QString& command :
             {QStringLiteral("recallText"), QStringLiteral("deleteText")}) {
            const bool enabled = button(command + QStringLiteral("Button"))->isEnabled();
            const QColor text =
                label(command + QStringLiteral("Caption"))->palette().color(QPalette::WindowText);
            if (enabled != available || text != colour) {
                wrong += command.toStdString() + (enabled ? " enabled " : " disabled ") +
                         text.name().toStdString() + "; ";
            }
        }
        return wrong.empty() ? ::testing::AssertionSuccess()
                             : ::testing::AssertionFailure() << wrong;
    }

    static void selectRow(tavro::TextListView* list, int row) { list->setSelectedRow(row); }
    int selectedTextRow() const { return window().selectedSavedTextRow(); }
    // The files of the saved-text list's lines, top first.
    QStringList listedNames() const {
        QStringList names;
        for (int row = 0; row < count(savedTextList()); ++row) {
            names.append(savedTextList()
                             ->model()
                             ->index(row, 0)
                             .data(tavro::SavedTextModel::FileNameRole)
                             .toString());
        }
        return names;
    }
    QStringList trayTexts() const { return visibleTrayCaptions(QStringLiteral("savedTextEntry")); }
    void recallFromTray(int row) const { choose(QStringLiteral("savedTextEntry%1").arg(row)); }
    QWidget* okButton() const { return button(QStringLiteral("okButton")); }

    void copyAt(const QTime& time, const QString& text) {
        now.setTime(time);
        copyText(text);
    }
};

TEST_F(SavedTextCommandsTest, SavingNeedsASelectedEntryAndTheButtonItsMarker) {
    startApp();
    copyText(QStringLiteral("abc"));

    // From the list's menu: no entry selected gives the message and no file.
    choose(QStringLiteral("saveEntryAction"));
    EXPECT_EQ(messages, QStringList{kSelectEntryMessage});
    EXPECT_TRUE(savedNames().isEmpty());
    EXPECT_EQ(count(savedTextList()), 0);

    // The button without its marker does nothing at all, with or without a selection.
    messages.clear();
    window().showMarker(std::nullopt);
    press(QStringLiteral("saveEntryButton"));
    selectRow(historyList(), 0);
    press(QStringLiteral("saveEntryButton"));
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_TRUE(savedNames().isEmpty());

    // With its marker the button saves like the menu entry.
    window().showMarker(tavro::LabelButton::SaveEntry);
    press(QStringLiteral("saveEntryButton"));
    EXPECT_EQ(savedNames(), QStringList{QStringLiteral("980828153012.TXT")});
    EXPECT_TRUE(messages.isEmpty());

    // And with its marker but nothing selected it answers with the message.
    selectRow(historyList(), -1);
    press(QStringLiteral("saveEntryButton"));
    EXPECT_EQ(messages, QStringList{kSelectEntryMessage});
    EXPECT_EQ(savedNames().size(), 1);
}

TEST_F(SavedTextCommandsTest, SaveWritesTheSelectedEntryUnderTheClockName) {
    writeSaved(QStringLiteral("970101000000.TXT"), QByteArrayLiteral("older"));
    startApp();
    copyAt(QTime(12, 34, 56), QStringLiteral("abc"));
    copyAt(QTime(12, 34, 57), QStringLiteral("日本\r\n語ｶﾅ"));
    copyAt(QTime(12, 34, 58), QStringLiteral("smile \U0001F600"));
    QApplication::clipboard()->clear();  // an entry that repeats the last text
    window().setSavedTextActionsEnabled(true);

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
        // The entry repeating the last text after the clipboard was emptied.
        {0, QTime(15, 31, 0), QByteArrayLiteral("\xef\xbb\xbfsmile \xf0\x9f\x98\x80")},
    };
    for (const auto& save : saves) {
        now.setTime(save.at);
        selectRow(historyList(), save.row);
        choose(QStringLiteral("saveEntryAction"));
        const QString fileName = tavro::savedTextName(now);
        EXPECT_EQ(savedBytes(fileName), save.bytes) << fileName.toStdString();
        // The list shows the folder again: the newest name last, with a tray entry.
        EXPECT_EQ(listedNames(), savedNames());
        EXPECT_EQ(trayTexts().size(), savedNames().size());
        // The selection, the commands and the history stay as they were.
        EXPECT_EQ(window().selectedHistoryRow(), save.row);
        EXPECT_TRUE(commandsAvailable(true));
        EXPECT_EQ(count(historyList()), 4);
    }
    EXPECT_EQ(savedNames(),
              (QStringList{QStringLiteral("970101000000.TXT"), QStringLiteral("980828153012.TXT"),
                           QStringLiteral("980828153020.TXT"), QStringLiteral("980828153030.TXT"),
                           QStringLiteral("980828153100.TXT")}));
    const QString smile = QStringLiteral("smile \U0001F600\r\n");
    EXPECT_EQ(trayTexts(), (QStringList{QStringLiteral("older\r\n"), QStringLiteral("abc\r\n"),
                                        QStringLiteral("日本\r\n語ｶﾅ\r\n"), smile, smile}));
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(SavedTextCommandsTest, TrayRecallPutsTheWholeTextOnTheClipboardOrSaysItCant) {
    writeSaved(name(1), "a saved text far longer than the tray shows\r\nsecond line\r\n");
    writeSaved(name(2), QByteArrayLiteral("\x93\xfa\x96\x7b"));
    writeSaved(name(3), QByteArray());
    writeSaved(name(4), QByteArrayLiteral("gone"));
    startApp();
    ASSERT_TRUE(QFile::remove(savedPath(name(4))));
    ASSERT_EQ(trayTexts(),
              (QStringList{QStringLiteral("a saved text far longer t"), QStringLiteral("日本\r\n"),
                           QString(), QStringLiteral("gone\r\n")}));

    selectRow(savedTextList(), 1);
    ASSERT_TRUE(commandsAvailable(true));
    const struct {
        int row;
        QString text;
    } recalls[] = {
        {0, QStringLiteral("a saved text far longer than the tray shows\r\nsecond line")},
        {1, QStringLiteral("日本")},
    };
    now.setTime(QTime(9, 0, 0));
    for (const auto& recall : recalls) {
        recallFromTray(recall.row);
        EXPECT_EQ(clipboardText(), recall.text);
        EXPECT_EQ(lines(historyList()).first(), QStringLiteral("09:00:00 | ") + recall.text);
    }
    // The list's selection and the commands are left as they were; the window stays hidden,
    // never shown at any moment (a window once shown keeps its platform window).
    EXPECT_EQ(selectedTextRow(), 1);
    EXPECT_TRUE(commandsAvailable(true));
    EXPECT_EQ(window().windowHandle(), nullptr);
    EXPECT_TRUE(messages.isEmpty());

    // An empty file and a missing one: the message, the clipboard and history unchanged.
    for (int row : {2, 3}) {
        messages.clear();
        recallFromTray(row);
        EXPECT_EQ(messages, QStringList{kFailedMessage}) << row;
        EXPECT_EQ(clipboardText(), QStringLiteral("日本")) << row;
        EXPECT_EQ(count(historyList()), 2) << row;
    }
}

TEST_F(SavedTextCommandsTest, RecallOfTheSelectedTextResetsTheCommands) {
    writeSaved(name(1), QByteArrayLiteral("one"));
    writeSaved(name(2), QByteArrayLiteral("two"));
    startApp();
    showActive();
    copyText(QStringLiteral("before"));

    // Nothing selected.
    choose(QStringLiteral("recallTextAction"));
    EXPECT_EQ(messages, QStringList{kSelectToRecallMessage});
    EXPECT_EQ(clipboardText(), QStringLiteral("before"));

    // A real click on the second line selects it and makes the commands available.
    messages.clear();
    const QRect second = savedTextList()->visualRect(savedTextList()->model()->index(1, 0));
    QTest::mouseClick(savedTextList()->viewport(), Qt::LeftButton, {}, second.center());
    ASSERT_EQ(selectedTextRow(), 1);
    EXPECT_TRUE(commandsAvailable(true));
    // The click leaves the focus on the list (Qt's offscreen platform on Windows doesn't
    // move it for a synthetic click).
    savedTextList()->setFocus(Qt::MouseFocusReason);

    // The button without its marker: nothing, no message, the selection kept.
    window().showMarker(std::nullopt);
    press(QStringLiteral("recallTextButton"));
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(clipboardText(), QStringLiteral("before"));
    EXPECT_EQ(selectedTextRow(), 1);

    // The menu entry recalls it and resets everything.
    now.setTime(QTime(10, 0, 0));
    choose(QStringLiteral("recallTextAction"));
    EXPECT_EQ(clipboardText(), QStringLiteral("two"));
    EXPECT_EQ(lines(historyList()).first(), QStringLiteral("10:00:00 | two"));
    EXPECT_EQ(selectedTextRow(), -1);
    EXPECT_TRUE(commandsAvailable(false));
    EXPECT_EQ(QApplication::focusWidget(), okButton());
    EXPECT_EQ(shownMarkers(), QStringList{QStringLiteral("ok")});
    EXPECT_TRUE(messages.isEmpty());

    // The button with its marker does the same.
    selectRow(savedTextList(), 0);
    button(QStringLiteral("recallTextButton"))->setFocus();
    ASSERT_EQ(shownMarkers(), QStringList{QStringLiteral("recallText")});
    press(QStringLiteral("recallTextButton"));
    EXPECT_EQ(clipboardText(), QStringLiteral("one"));
    EXPECT_EQ(selectedTextRow(), -1);
    EXPECT_TRUE(commandsAvailable(false));
    EXPECT_EQ(QApplication::focusWidget(), okButton());

    // A save reloads the list: the commands stay available with nothing selected, and the
    // recall answers with its message.
    selectRow(savedTextList(), 0);
    selectRow(historyList(), 0);
    choose(QStringLiteral("saveEntryAction"));
    EXPECT_EQ(selectedTextRow(), -1);
    EXPECT_TRUE(commandsAvailable(true));
    choose(QStringLiteral("recallTextAction"));
    EXPECT_EQ(messages, QStringList{kSelectToRecallMessage});
}

TEST_F(SavedTextCommandsTest, DeleteNeedsASelectionAndRemovesTheFile) {
    writeSaved(name(1), QByteArrayLiteral("one"));
    writeSaved(name(2), QByteArrayLiteral("two"));
    writeSaved(name(3), QByteArrayLiteral("three"));
    startApp();
    showActive();

    choose(QStringLiteral("deleteTextAction"));
    EXPECT_EQ(messages, QStringList{kSelectToDeleteMessage});
    EXPECT_EQ(savedNames().size(), 3);

    // A save reloads the list, so the line selected before is no longer current.
    messages.clear();
    copyText(QStringLiteral("new"));
    selectRow(savedTextList(), 0);
    selectRow(historyList(), 0);
    choose(QStringLiteral("saveEntryAction"));
    choose(QStringLiteral("deleteTextAction"));
    EXPECT_EQ(messages, QStringList{kSelectToDeleteMessage});
    EXPECT_EQ(savedNames().size(), 4);
    ASSERT_TRUE(QFile::remove(savedPath(QStringLiteral("980828153012.TXT"))));
    app->savedTexts().reload();

    // The button without its marker does nothing, even with a selection.
    messages.clear();
    selectRow(savedTextList(), 1);
    window().showMarker(std::nullopt);
    press(QStringLiteral("deleteTextButton"));
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(savedNames().size(), 3);

    choose(QStringLiteral("deleteTextAction"));
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(savedNames(), (QStringList{name(1), name(3)}));
    EXPECT_EQ(listedNames(), savedNames());
    EXPECT_EQ(trayTexts(), (QStringList{QStringLiteral("one\r\n"), QStringLiteral("three\r\n")}));
    EXPECT_EQ(selectedTextRow(), -1);
    EXPECT_TRUE(commandsAvailable(false));
    EXPECT_EQ(QApplication::focusWidget(), okButton());

    // The button with its marker.
    selectRow(savedTextList(), 0);
    button(QStringLiteral("deleteTextButton"))->setFocus();
    ASSERT_EQ(shownMarkers(), QStringList{QStringLiteral("deleteText")});
    press(QStringLiteral("deleteTextButton"));
    EXPECT_EQ(savedNames(), QStringList{name(3)});
    EXPECT_EQ(listedNames(), savedNames());
    EXPECT_TRUE(commandsAvailable(false));

    // The last one: the tray's saved-text entry goes too, also while memo.TXT remains.
    writeSaved(QStringLiteral("memo.TXT"), QByteArrayLiteral("memo"));
    selectRow(savedTextList(), 0);
    choose(QStringLiteral("deleteTextAction"));
    EXPECT_EQ(savedNames(), QStringList{QStringLiteral("memo.TXT")});
    EXPECT_EQ(count(savedTextList()), 0);
    EXPECT_TRUE(trayTexts().isEmpty());
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(SavedTextCommandsTest, FileGoneBehindTheProgramsBackFailsAndReloads) {
    writeSaved(name(1), QByteArrayLiteral("one"));
    writeSaved(name(2), QByteArrayLiteral("two"));
    writeSaved(name(3), QByteArrayLiteral("three"));
    startApp();
    copyText(QStringLiteral("before"));
    ASSERT_TRUE(QFile::remove(savedPath(name(2))));

    // Recall of the selected line: the failure, and the commands reset all the same.
    selectRow(savedTextList(), 1);
    choose(QStringLiteral("recallTextAction"));
    EXPECT_EQ(messages, QStringList{kFailedMessage});
    EXPECT_EQ(clipboardText(), QStringLiteral("before"));
    EXPECT_EQ(selectedTextRow(), -1);
    EXPECT_TRUE(commandsAvailable(false));
    EXPECT_EQ(count(historyList()), 1);

    // Delete: the failure message, and the list and tray show the folder as it is now.
    messages.clear();
    ASSERT_EQ(count(savedTextList()), 3);
    selectRow(savedTextList(), 1);
    choose(QStringLiteral("deleteTextAction"));
    EXPECT_EQ(messages, QStringList{kFailedMessage});
    EXPECT_EQ(listedNames(), (QStringList{name(1), name(3)}));
    EXPECT_EQ(trayTexts().size(), 2);
    EXPECT_EQ(selectedTextRow(), -1);
    EXPECT_TRUE(commandsAvailable(false));
    EXPECT_EQ(savedNames().size(), 2);
}

TEST_F(SavedTextCommandsTest, TheTrayMenuListsTheFirstFourteenSavedTexts) {
    // A folder of no saved text (a note and a folder named like one): no saved-text entry.
    writeSaved(QStringLiteral("memo.TXT"), QByteArrayLiteral("memo"));
    ASSERT_TRUE(QDir(tempText()).mkdir(name(20)));
    startApp();
    EXPECT_TRUE(trayTexts().isEmpty());

    QStringList captions;
    for (int i = 0; i < 20; ++i) {
        writeSaved(name(i), QStringLiteral("text %1").arg(i).toLatin1());
        captions.append(QStringLiteral("text %1\r\n").arg(i));
    }
    app->savedTexts().reload();
    EXPECT_EQ(trayTexts(), captions.mid(0, 14));

    // Deleting line 3 removes its file; the tray shows the first 14 of the rest.
    selectRow(savedTextList(), 2);
    choose(QStringLiteral("deleteTextAction"));
    EXPECT_FALSE(QFileInfo::exists(savedPath(name(2))));
    ASSERT_EQ(count(savedTextList()), 19);
    captions.removeAt(2);
    EXPECT_EQ(trayTexts(), captions.mid(0, 14));
    recallFromTray(13);
    EXPECT_EQ(clipboardText(), QStringLiteral("text 14"));

    // A new save with a later name is listed last but gets no tray entry.
    selectRow(historyList(), 0);
    choose(QStringLiteral("saveEntryAction"));
    EXPECT_EQ(listedNames().last(), QStringLiteral("980828153012.TXT"));
    EXPECT_EQ(trayTexts(), captions.mid(0, 14));
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(SavedTextCommandsTest, ListClickFocusAndKeysSwitchTheCommandsOnAndOff) {
    startApp();
    showActive();
    window().setSavedTextActionsEnabled(true);
    EXPECT_TRUE(commandsAvailable(true));
    window().setSavedTextActionsEnabled(false);
    EXPECT_TRUE(commandsAvailable(false));

    // A click on the list while it has no saved text changes nothing.
    ASSERT_TRUE(trayTexts().isEmpty());
    QTest::mouseClick(savedTextList()->viewport(), Qt::LeftButton, {}, QPoint(20, 5));
    EXPECT_TRUE(commandsAvailable(false));

    writeSaved(name(1), QByteArrayLiteral("one"));
    writeSaved(name(2), QByteArrayLiteral("two"));
    app->savedTexts().reload();
    const QRect first = savedTextList()->visualRect(savedTextList()->model()->index(0, 0));
    QTest::mouseClick(savedTextList()->viewport(), Qt::LeftButton, {}, first.center());
    EXPECT_TRUE(commandsAvailable(true));

    // Focus arriving with a line selected makes them available.
    selectRow(savedTextList(), 1);
    window().setSavedTextActionsEnabled(false);
    okButton()->setFocus();
    savedTextList()->setFocus(Qt::TabFocusReason);
    ASSERT_EQ(QApplication::focusWidget(), savedTextList());
    EXPECT_TRUE(commandsAvailable(true));

    // Keys in the list delete nothing while the delete button's marker is hidden.
    ASSERT_TRUE(shownMarkers().isEmpty());
    QTest::keyClick(savedTextList(), Qt::Key_Delete);
    QTest::keyClick(savedTextList(), Qt::Key_A);
    EXPECT_EQ(savedNames().size(), 2);
    EXPECT_TRUE(messages.isEmpty());
    // With the marker shown a key deletes the selected text.
    selectRow(savedTextList(), 1);
    window().showMarker(tavro::LabelButton::DeleteText);
    QTest::keyClick(savedTextList(), Qt::Key_Delete);
    EXPECT_EQ(savedNames(), QStringList{name(1)});
    EXPECT_TRUE(commandsAvailable(false));
}

TEST_F(SavedTextCommandsTest, FocusArrivingWithNoLineSelectedMakesTheCommandsUnavailable) {
    writeSaved(name(1), QByteArrayLiteral("one"));
    writeSaved(name(2), QByteArrayLiteral("two"));
    startApp();
    showActive();
    window().setSavedTextActionsEnabled(true);
    ASSERT_EQ(selectedTextRow(), -1);
    // Taking the focus makes the first line current without selecting it: that must not
    // count as a click that makes the commands available again.
    // From the history list, Tab moves the focus on to the saved-text list.
    historyList()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(historyList(), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), savedTextList());
    EXPECT_EQ(selectedTextRow(), -1);
    EXPECT_TRUE(commandsAvailable(false));
    // The delete and recall commands answer with their messages, deleting nothing.
    choose(QStringLiteral("deleteTextAction"));
    choose(QStringLiteral("recallTextAction"));
    EXPECT_EQ(messages, (QStringList{kSelectToDeleteMessage, kSelectToRecallMessage}));
    EXPECT_EQ(savedNames().size(), 2);
}

TEST_F(SavedTextCommandsTest, RightClickOpensTheTextMenuOnlyWhileTheCommandsAreAvailable) {
    writeSaved(name(1), QByteArrayLiteral("one"));
    startApp();
    showActive();
    auto* menu = control<QMenu>(QStringLiteral("savedTextMenu"));
    QWidget* viewport = savedTextList()->viewport();
    const QPoint point =
        savedTextList()->visualRect(savedTextList()->model()->index(0, 0)).center();
    QTest::mousePress(viewport, Qt::RightButton, {}, point);
    EXPECT_FALSE(menu->isVisible());

    window().setSavedTextActionsEnabled(true);
    QTest::mousePress(viewport, Qt::LeftButton, {}, point);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, point);
    EXPECT_FALSE(menu->isVisible());
    QTest::mousePress(viewport, Qt::RightButton, {}, point);
    EXPECT_TRUE(menu->isVisible());
    menu->hide();
}

TEST_F(SavedTextCommandsTest, ASaveAskedForWhileALoadRunsWaitsForIt) {
    // Enough files that the load lets events through while it reads them.
    constexpr int kFiles = 250;
    for (int i = 0; i < kFiles; ++i) {
        writeSaved(name(i), QStringLiteral("text %1").arg(i).toLatin1());
    }
    startApp();
    copyText(QStringLiteral("saved during the load"));
    selectRow(historyList(), 0);
    const QString newName = QStringLiteral("980828153012.TXT");

    bool loadingThen = false;
    bool writtenInside = true;
    QMetaObject::invokeMethod(
        &window(),
        [&] {
            loadingThen = app->savedTexts().isLoading();
            choose(QStringLiteral("saveEntryAction"));
            writtenInside = QFileInfo::exists(savedPath(newName));
        },
        Qt::QueuedConnection);
    app->savedTexts().reload();

    EXPECT_TRUE(loadingThen);
    EXPECT_FALSE(writtenInside);
    EXPECT_EQ(savedBytes(newName), QByteArrayLiteral("saved during the load"));
    EXPECT_EQ(listedNames(), savedNames());
    EXPECT_EQ(trayTexts().size(), 14);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(SavedTextCommandsTest, ASaveThatCannotBeWrittenSaysSoAndKeepsTheEntry) {
    startApp();
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

    selectRow(historyList(), 0);
    choose(QStringLiteral("saveEntryAction"));
    EXPECT_EQ(messages, QStringList{kFailedMessage});
    EXPECT_TRUE(QFileInfo(tempText()).isFile());
    EXPECT_EQ(lines(historyList()), QStringList{QStringLiteral("15:30:12 | keep me")});
    EXPECT_EQ(count(savedTextList()), 0);

    // Once the file is gone, the same entry saves: the save makes Temptext again.
    messages.clear();
    ASSERT_TRUE(QFile::remove(tempText()));
    selectRow(historyList(), 0);
    choose(QStringLiteral("saveEntryAction"));
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(savedNames(), QStringList{QStringLiteral("980828153012.TXT")});
    EXPECT_EQ(count(savedTextList()), 1);
    QFile::remove(userFolder);
}
