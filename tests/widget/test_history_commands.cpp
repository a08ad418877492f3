// The clipboard history in the window: one entry per clipboard change, the tray's history
// entries kept in step with the list, and the commands that recall, clear and delete entries
// or recall a saved text dropped on the history list.
#include <QAction>
#include <QDropEvent>
#include <QImage>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <algorithm>

#include "core/history.h"
#include "form1_fixture.h"

namespace {

const QString kSelectEntryMessage = QStringLiteral("ﾃｷｽﾄ保存するﾃﾞｰﾀをﾘｽﾄから選択してください");
const QString kFailedMessage =
    QStringLiteral("ひょっとしてその動作は、できないかもしれません\r\n諦めてください");

QMimeData* imageData() {
    auto* data = new QMimeData;
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    data->setImageData(image);
    return data;
}

}  // namespace

class HistoryCommandsTest : public Form1Test {
  protected:
    // The tray's history entries stand for List1 line by line: same count, every element
    // visible, each caption the line itself up to 34 characters and its first 32 beyond.
    ::testing::AssertionResult trayMirrorsList() const {
        const tavro::Form1& f = *form;
        const int count = f.List1->count();
        if (f.Rireki->ubound() != std::max(count - 1, 0) || f.Rireki->isVisible(0) != (count > 0)) {
            return ::testing::AssertionFailure()
                   << count << " lines, tray elements 0 to " << f.Rireki->ubound()
                   << ", element 0 visible " << f.Rireki->isVisible(0);
        }
        for (int i = 0; i < count; ++i) {
            const QString line = f.List1->line(i);
            const QString expected = line.size() <= 34 ? line : line.left(32);
            if (!f.Rireki->isVisible(i) || f.Rireki->caption(i) != expected) {
                return ::testing::AssertionFailure()
                       << "element " << i << " shows \"" << f.Rireki->caption(i).toStdString()
                       << "\" for line \"" << line.toStdString() << "\"";
            }
        }
        return ::testing::AssertionSuccess();
    }

    void copyAt(const QTime& time, const QString& text) {
        now.setTime(time);
        copyText(text);
    }

    // Drops data on the history list as a drag from another control does: the list is
    // entered first, which makes it the drop's target, then the data is dropped.
    void dropOnHistory(QMimeData* data) {
        QWidget* viewport = form->List1->viewport();
        const QPointF point(viewport->rect().center());
        QDragEnterEvent enter(point.toPoint(), Qt::CopyAction, data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(viewport, &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent drop(point, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &drop);
        EXPECT_TRUE(drop.isAccepted());
        delete data;
    }
};

TEST_F(HistoryCommandsTest, EachClipboardChangeAddsOneStampedEntryNewestFirst) {
    tavro::Form1& f = makeForm();
    EXPECT_FALSE(f.Rireki->isVisible(0));

    copyAt(QTime(9, 5, 7), QStringLiteral("abc"));
    EXPECT_EQ(lines(f.List1), QStringList{QStringLiteral("09:05:07 | abc")});
    EXPECT_TRUE(f.Rireki->isVisible(0));
    EXPECT_EQ(f.Rireki->caption(0), QStringLiteral("09:05:07 | abc"));
    EXPECT_EQ(f.strMsg, QStringLiteral("abc"));

    // The same text again is a new entry of its own; nothing is merged.
    copyAt(QTime(9, 5, 8), QStringLiteral("abc"));
    // A text with line breaks stays whole in the list.
    copyAt(QTime(23, 0, 0), QStringLiteral("a\r\nb\nc"));
    EXPECT_EQ(lines(f.List1),
              (QStringList{QStringLiteral("23:00:00 | a\r\nb\nc"), QStringLiteral("09:05:08 | abc"),
                           QStringLiteral("09:05:07 | abc")}));
    EXPECT_TRUE(trayMirrorsList());

    // An update leaves no entry selected.
    f.List1->setListIndex(1);
    copyAt(QTime(23, 0, 1), QStringLiteral("d"));
    EXPECT_EQ(f.List1->listIndex(), -1);
    EXPECT_EQ(f.List1->count(), 4);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(HistoryCommandsTest, ClipboardChangeDuringAHistoryUpdateAddsNothing) {
    tavro::Form1& f = makeForm();
    // Another program copies while the history is being rebuilt (as when an update waits in
    // a message box with the event loop running): that change must not start a second,
    // nested update.
    bool nestedDone = false;
    bool flagRaised = false;
    QObject::connect(f.List1->model(), &QAbstractItemModel::rowsInserted, &f, [&] {
        if (nestedDone) {
            return;
        }
        nestedDone = true;
        flagRaised = f.watcher().inHook();
        copyText(QStringLiteral("nested"));
    });
    copyText(QStringLiteral("outer"));
    ASSERT_TRUE(nestedDone);
    EXPECT_TRUE(flagRaised);
    EXPECT_FALSE(f.watcher().inHook());
    EXPECT_EQ(lines(f.List1), QStringList{QStringLiteral("15:30:12 | outer")});
    EXPECT_EQ(f.strMsg, QStringLiteral("outer"));
    EXPECT_TRUE(trayMirrorsList());

    // The flag is down again: the next change is recorded.
    copyText(QStringLiteral("next"));
    EXPECT_EQ(lines(f.List1),
              (QStringList{QStringLiteral("15:30:12 | next"), QStringLiteral("15:30:12 | outer")}));
}

TEST_F(HistoryCommandsTest, HistoryKeepsThirteenEntriesAndTheTrayFollowsEveryUpdate) {
    tavro::Form1& f = makeForm();
    // Texts of 23 and 24 characters give entries of 34 and 35: the first shown whole in the
    // tray, the second cut to 32 characters.
    const QString text23(23, QLatin1Char('x'));
    const QString text24(24, QLatin1Char('y'));
    copyAt(QTime(10, 0, 0), text23);
    EXPECT_EQ(f.Rireki->caption(0), QStringLiteral("10:00:00 | ") + text23);
    copyAt(QTime(10, 0, 1), text24);
    EXPECT_EQ(f.Rireki->caption(0), QStringLiteral("10:00:01 | ") + text24.left(21));
    EXPECT_EQ(f.Rireki->caption(0).size(), 32);
    EXPECT_EQ(f.Rireki->caption(1).size(), 34);
    EXPECT_TRUE(trayMirrorsList());

    for (int i = 2; i < 14; ++i) {
        copyAt(QTime(10, 0, i), QStringLiteral("text %1").arg(i));
        EXPECT_TRUE(trayMirrorsList());
    }
    // The 14th entry pushed the oldest (the 23-character text) out.
    ASSERT_EQ(f.List1->count(), 13);
    EXPECT_EQ(f.Rireki->ubound(), 12);
    EXPECT_EQ(f.List1->line(0), QStringLiteral("10:00:13 | text 13"));
    EXPECT_EQ(f.List1->line(12), QStringLiteral("10:00:01 | ") + text24);
    for (int i = 0; i < 13; ++i) {
        EXPECT_FALSE(f.List1->line(i).contains(text23)) << i;
    }
    copyAt(QTime(10, 0, 14), QStringLiteral("text 14"));
    EXPECT_EQ(f.List1->count(), 13);
    EXPECT_EQ(f.List1->line(12), QStringLiteral("10:00:02 | text 2"));
    EXPECT_TRUE(trayMirrorsList());
}

TEST_F(HistoryCommandsTest, ContentOtherThanPlainTextAloneRepeatsThePreviousText) {
    tavro::Form1& f = makeForm();
    // Before any text was taken: the entry is the time and the separator alone.
    QApplication::clipboard()->setMimeData(imageData());
    ASSERT_EQ(f.List1->count(), 1);
    EXPECT_EQ(f.List1->line(0), QStringLiteral("15:30:12 | "));
    EXPECT_EQ(f.List1->line(0).size(), 11);
    EXPECT_TRUE(f.Rireki->isVisible(0));

    copyAt(QTime(15, 30, 13), QStringLiteral("abc"));
    now.setTime(QTime(15, 30, 14));
    QApplication::clipboard()->setMimeData(imageData());
    EXPECT_EQ(f.List1->line(0), QStringLiteral("15:30:14 | abc"));

    // Rich text beside its plain form is not taken either.
    auto* rich = new QMimeData;
    rich->setText(QStringLiteral("rich"));
    rich->setData(QStringLiteral("text/rtf"), QByteArrayLiteral("{\\rtf1 rich}"));
    now.setTime(QTime(15, 30, 15));
    QApplication::clipboard()->setMimeData(rich);
    EXPECT_EQ(f.List1->line(0), QStringLiteral("15:30:15 | abc"));

    // An emptied clipboard.
    now.setTime(QTime(15, 30, 16));
    QApplication::clipboard()->clear();
    EXPECT_EQ(f.List1->line(0), QStringLiteral("15:30:16 | abc"));

    // HTML beside plain text is still plain text: that text is taken.
    auto* html = new QMimeData;
    html->setText(QStringLiteral("plain"));
    html->setHtml(QStringLiteral("<b>plain</b>"));
    now.setTime(QTime(15, 30, 17));
    QApplication::clipboard()->setMimeData(html);
    EXPECT_EQ(f.List1->line(0), QStringLiteral("15:30:17 | plain"));
    EXPECT_EQ(f.List1->count(), 6);
    EXPECT_TRUE(trayMirrorsList());
}

// Offers plain text but gives nothing when asked for it, as an owner that does not answer.
class UnreadableText : public QMimeData {
  public:
    QStringList formats() const override { return {QStringLiteral("text/plain")}; }

  protected:
    QVariant retrieveData(const QString&, QMetaType) const override { return {}; }
};

TEST_F(HistoryCommandsTest, ReadThatFailsKeepsTheLastTextAndAnEmptyTextIsAText) {
    tavro::Form1& f = makeForm();
    copyAt(QTime(8, 0, 0), QStringLiteral("kept"));
    now.setTime(QTime(8, 0, 1));
    QApplication::clipboard()->setMimeData(new UnreadableText);
    EXPECT_EQ(f.strMsg, QStringLiteral("kept"));
    EXPECT_EQ(f.List1->line(0), QStringLiteral("08:00:01 | kept"));

    // Another program's empty text is a text all the same.
    copyAt(QTime(8, 0, 2), QStringLiteral(""));
    EXPECT_EQ(f.strMsg, QString());
    EXPECT_EQ(f.List1->line(0), QStringLiteral("08:00:02 | "));
    EXPECT_EQ(f.List1->count(), 3);
}

// Text with the marks of a password manager, noting every format that is read.
class MarkedText : public QMimeData {
  public:
    MarkedText(const QString& mark, const QByteArray& value, QStringList* read)
        : mark_(mark), value_(value), read_(read) {}
    QStringList formats() const override { return {QStringLiteral("text/plain"), mark_}; }
    bool hasFormat(const QString& format) const override { return formats().contains(format); }

  protected:
    QVariant retrieveData(const QString& format, QMetaType) const override {
        read_->append(format);
        if (format == mark_) {
            return value_;
        }
        return format == QLatin1String("text/plain") ? QVariant(QStringLiteral("password"))
                                                     : QVariant();
    }

  private:
    QString mark_;
    QByteArray value_;
    QStringList* read_;
};

TEST_F(HistoryCommandsTest, ASecretIsNeverReadAndAddsNothing) {
    tavro::Form1& f = makeForm();
    copyAt(QTime(9, 0, 0), QStringLiteral("before"));
    const auto windows = [](const char* name) {
        return QStringLiteral("application/x-qt-windows-mime;value=\"%1\"")
            .arg(QLatin1String(name));
    };
    struct Case {
        QString mark;
        QByteArray value;
        bool secret;
    };
    const Case cases[] = {
        {QStringLiteral("x-kde-passwordManagerHint"), "secret", true},
        {windows("ExcludeClipboardContentFromMonitorProcessing"), "", true},
        {windows("Clipboard Viewer Ignore"), "", true},
        {windows("CanIncludeInClipboardHistory"), QByteArray(4, '\0'), true},
        {windows("CanIncludeInClipboardHistory"), QByteArray("\1\0\0\0", 4), false},
        {QStringLiteral("x-kde-passwordManagerHint"), "public", false},
    };
    for (const Case& c : cases) {
        QStringList read;
        const int before = f.List1->count();
        QApplication::clipboard()->setMimeData(new MarkedText(c.mark, c.value, &read));
        if (c.secret) {
            EXPECT_EQ(f.List1->count(), before) << c.mark.toStdString();
            EXPECT_EQ(f.strMsg, QStringLiteral("before")) << c.mark.toStdString();
            EXPECT_FALSE(read.contains(QStringLiteral("text/plain"))) << c.mark.toStdString();
        } else {
            EXPECT_EQ(f.List1->count(), before + 1) << c.mark.toStdString();
            EXPECT_EQ(f.List1->line(0), QStringLiteral("09:00:00 | password"));
            f.strMsg = QStringLiteral("before");
        }
    }
    EXPECT_TRUE(trayMirrorsList());
}

TEST_F(HistoryCommandsTest, TrayRecallPutsTheWholeEntryTextBackAsANewTopEntry) {
    tavro::Form1& f = makeForm();
    QApplication::clipboard()->setMimeData(imageData());  // an entry with the empty text
    const QString longText = QStringLiteral("a text far longer than any tray caption\r\nline 2");
    copyAt(QTime(8, 0, 0), longText);
    copyAt(QTime(8, 0, 1), QStringLiteral("short"));
    ASSERT_EQ(f.Rireki->caption(1), QStringLiteral("08:00:00 | a text far longer tha"));

    // Choosing the cut tray entry puts the whole text on the clipboard, and that change
    // comes back as the newest entry while the chosen one moves down.
    now.setTime(QTime(8, 1, 0));
    f.Rireki->element(1)->trigger();
    EXPECT_EQ(clipboardText(), longText);
    EXPECT_EQ(
        lines(f.List1),
        (QStringList{QStringLiteral("08:01:00 | ") + longText, QStringLiteral("08:00:01 | short"),
                     QStringLiteral("08:00:00 | ") + longText, QStringLiteral("15:30:12 | ")}));
    EXPECT_TRUE(trayMirrorsList());

    // The entry of 11 characters recalls the empty text.
    f.Rireki_Click(3);
    EXPECT_EQ(clipboardText(), QString());
    EXPECT_EQ(f.List1->line(0), QStringLiteral("08:01:00 | "));
    EXPECT_EQ(f.List1->count(), 5);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(HistoryCommandsTest, DoubleClickRecallsTheSelectedEntryOrTheEmptyText) {
    tavro::Form1& f = makeForm();
    showActive();
    copyAt(QTime(7, 0, 0), QStringLiteral("first"));
    copyAt(QTime(7, 0, 1), QStringLiteral("second"));

    // A real double click on the older entry.
    now.setTime(QTime(7, 0, 2));
    const QRect second = f.List1->visualItemRect(f.List1->item(1));
    ASSERT_FALSE(second.isEmpty());
    QTest::mouseClick(f.List1->viewport(), Qt::LeftButton, {}, second.center());
    QTest::mouseDClick(f.List1->viewport(), Qt::LeftButton, {}, second.center());
    EXPECT_EQ(clipboardText(), QStringLiteral("first"));
    EXPECT_EQ(lines(f.List1),
              (QStringList{QStringLiteral("07:00:02 | first"), QStringLiteral("07:00:01 | second"),
                           QStringLiteral("07:00:00 | first")}));

    // With nothing selected the empty text goes on the clipboard.
    ASSERT_EQ(f.List1->listIndex(), -1);
    now.setTime(QTime(7, 0, 3));
    f.List1_DblClick();
    EXPECT_EQ(clipboardText(), QString());
    EXPECT_EQ(f.List1->line(0), QStringLiteral("07:00:03 | "));
    EXPECT_EQ(f.List1->count(), 4);
}

TEST_F(HistoryCommandsTest, ClearActsOnlyWithItsMarkerAndEmptiesListAndTray) {
    tavro::Form1& f = makeForm();
    for (const char* text : {"one", "two", "three"}) {
        copyText(QString::fromLatin1(text));
    }
    // Marker 4 hidden: nothing happens.
    f.Focus_clear(2);
    f.cmdClear_Click();
    EXPECT_EQ(f.List1->count(), 3);
    EXPECT_EQ(f.Rireki->ubound(), 2);

    f.Focus_clear(4);
    f.cmdClear_Click();
    EXPECT_EQ(f.List1->count(), 0);
    EXPECT_EQ(f.Rireki->ubound(), 0);
    EXPECT_FALSE(f.Rireki->isVisible(0));
    // The clipboard and the last taken text are left alone.
    EXPECT_EQ(clipboardText(), QStringLiteral("three"));
    EXPECT_EQ(f.strMsg, QStringLiteral("three"));

    // The next change starts the history again.
    copyText(QStringLiteral("four"));
    EXPECT_EQ(lines(f.List1), QStringList{QStringLiteral("15:30:12 | four")});
    EXPECT_TRUE(trayMirrorsList());
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(HistoryCommandsTest, TrayClearWorksWhateverTheMarkersAndLeavesTheMarkerOnOk) {
    tavro::Form1& f = makeForm();
    // Whatever marker was shown before, or none; the window hidden all along.
    for (int before : {5, 2, 4, 0}) {
        copyText(QStringLiteral("a"));
        copyText(QStringLiteral("b"));
        f.Focus_clear(before);
        f.menuclear->trigger();
        EXPECT_EQ(f.List1->count(), 0) << before;
        EXPECT_EQ(f.Rireki->ubound(), 0) << before;
        EXPECT_FALSE(f.Rireki->isVisible(0)) << before;
        EXPECT_EQ(shownMarkers(), QList<int>{0}) << before;
    }
    // Never shown at any moment: a window once shown keeps its platform window.
    EXPECT_EQ(f.windowHandle(), nullptr);

    // With the window in front, the focus goes to OK.
    showActive();
    copyText(QStringLiteral("c"));
    f.cmdClear->setFocus();
    ASSERT_EQ(shownMarkers(), QList<int>{4});
    f.menuclear_Click();
    EXPECT_EQ(f.List1->count(), 0);
    EXPECT_EQ(QApplication::focusWidget(), f.cmdok);
    EXPECT_EQ(shownMarkers(), QList<int>{0});
}

TEST_F(HistoryCommandsTest, DeleteNeedsASelectionAndTheTrayFollowsAtOnce) {
    tavro::Form1& f = makeForm();
    copyAt(QTime(6, 0, 0), QStringLiteral("oldest"));
    copyAt(QTime(6, 0, 1), QStringLiteral("a middle text longer than a caption may be"));
    copyAt(QTime(6, 0, 2), QStringLiteral("newest"));

    f.Dellist->trigger();
    EXPECT_EQ(messages, QStringList{kSelectEntryMessage});
    EXPECT_EQ(f.List1->count(), 3);
    EXPECT_EQ(f.Rireki->ubound(), 2);

    messages.clear();
    f.List1->setListIndex(1);
    f.Dellist_Click();
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(lines(f.List1), (QStringList{QStringLiteral("06:00:02 | newest"),
                                           QStringLiteral("06:00:00 | oldest")}));
    // The tray has no element past the end of the list, and each element recalls the text
    // it shows.
    EXPECT_TRUE(trayMirrorsList());
    EXPECT_EQ(f.Rireki->element(2), nullptr);
    now.setTime(QTime(6, 1, 0));
    f.Rireki->element(1)->trigger();
    EXPECT_EQ(clipboardText(), QStringLiteral("oldest"));

    // Deleting every entry hides the tray's history entry.
    while (f.List1->count() > 0) {
        f.List1->setListIndex(0);
        f.Dellist_Click();
    }
    EXPECT_FALSE(f.Rireki->isVisible(0));
    EXPECT_EQ(f.Rireki->ubound(), 0);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(HistoryCommandsTest, DroppedTextRecallsTheSavedTextItsLastSixteenCharactersName) {
    writeSaved(QStringLiteral("980828153012.TXT"), QByteArrayLiteral("hello\r\nworld\r\n"));
    writeSaved(QStringLiteral("memo.TXT"), QByteArrayLiteral("short name"));
    tavro::Form1& f = makeForm();
    ASSERT_EQ(f.Lsttext->count(), 1);

    // A saved-text list line, as dragged out of the saved-text list.
    auto* line = new QMimeData;
    line->setText(f.Lsttext->line(0));
    now.setTime(QTime(16, 0, 0));
    dropOnHistory(line);
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(clipboardText(), QStringLiteral("hello\r\nworld"));
    EXPECT_EQ(lines(f.List1), QStringList{QStringLiteral("16:00:00 | hello\r\nworld")});

    // Any text ending in the name will do.
    auto* plain = new QMimeData;
    plain->setText(QStringLiteral("see 980828153012.TXT"));
    f.List1_OLEDragDrop(plain);
    delete plain;
    EXPECT_EQ(f.List1->count(), 2);

    // A text shorter than 16 characters is used whole.
    auto* shortName = new QMimeData;
    shortName->setText(QStringLiteral("memo.TXT"));
    dropOnHistory(shortName);
    EXPECT_EQ(clipboardText(), QStringLiteral("short name"));
    EXPECT_EQ(f.List1->count(), 3);

    // A name of no saved text: the failure message, the clipboard unchanged, and the last
    // taken text holds the 16 characters tried.
    auto* missing = new QMimeData;
    missing->setText(QStringLiteral("nothing here: 990101000000.TXT"));
    dropOnHistory(missing);
    EXPECT_EQ(messages, QStringList{kFailedMessage});
    EXPECT_EQ(clipboardText(), QStringLiteral("short name"));
    EXPECT_EQ(f.List1->count(), 3);
    EXPECT_EQ(f.strMsg, QStringLiteral("990101000000.TXT"));

    // Data that is no text is not taken at all.
    messages.clear();
    QMimeData* image = imageData();
    f.List1_OLEDragDrop(image);
    delete image;
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(f.List1->count(), 3);
}

TEST_F(HistoryCommandsTest, DroppedNameLeadingOutOfTheFolderReadsNothing) {
    // A file next to the saved-text folder that a drop must never reach.
    {
        QFile outside(folder.path() + QStringLiteral("/outside.TXT"));
        ASSERT_TRUE(outside.open(QIODevice::WriteOnly));
        outside.write("secret");
    }
    writeSaved(QStringLiteral("12345678901234567.TXT"), QByteArrayLiteral("long name"));
    writeSaved(QStringLiteral("678901234567.TXT"), QByteArrayLiteral("other file"));
    tavro::Form1& f = makeForm();
    copyText(QStringLiteral("before"));

    for (const QString& text :
         {QStringLiteral("../outside.TXT"), QStringLiteral("../../etc/passwd"),
          QStringLiteral("drag from /tmp/../../etc/passwd")}) {
        messages.clear();
        auto* data = new QMimeData;
        data->setText(text);
        dropOnHistory(data);
        EXPECT_EQ(messages, QStringList{kFailedMessage}) << text.toStdString();
        EXPECT_EQ(clipboardText(), QStringLiteral("before")) << text.toStdString();
        EXPECT_EQ(f.List1->count(), 1) << text.toStdString();
    }

    // The line of a file whose name is longer than 16 characters ends in another file's
    // name; dragged out of the list it carries its own name, and the drop fails instead of
    // recalling that other file.
    ASSERT_EQ(f.Lsttext->count(), 2);
    ASSERT_TRUE(f.Lsttext->line(0).endsWith(QStringLiteral("12345678901234567.TXT")));
    messages.clear();
    auto* longLine = new QMimeData;
    longLine->setText(f.Lsttext->line(0));
    longLine->setData(QString::fromLatin1(tavro::kFileNameMimeType),
                      QByteArrayLiteral("12345678901234567.TXT"));
    dropOnHistory(longLine);
    EXPECT_EQ(messages, QStringList{kFailedMessage});
    EXPECT_EQ(clipboardText(), QStringLiteral("before"));
    EXPECT_EQ(f.List1->count(), 1);
}

TEST_F(HistoryCommandsTest, HeaderShowsTheWindowAndRightClickOpensTheListMenu) {
    tavro::Form1& f = makeForm();
    copyText(QStringLiteral("one"));
    copyText(QStringLiteral("two"));
    ASSERT_TRUE(f.isHidden());
    f.Mainclip->trigger();
    EXPECT_TRUE(f.isVisible());
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    EXPECT_EQ(QApplication::focusWidget(), f.cmdok);

    // The right button opens the list's menu and leaves the selection alone; the left one
    // selects and opens nothing.
    f.List1->setListIndex(1);
    const QPoint first = f.List1->visualItemRect(f.List1->item(0)).center();
    QTest::mousePress(f.List1->viewport(), Qt::RightButton, {}, first);
    EXPECT_TRUE(f.Menuclip->isVisible());
    EXPECT_EQ(f.List1->listIndex(), 1);
    f.Menuclip->hide();
    QTest::mouseRelease(f.List1->viewport(), Qt::RightButton, {}, first);
    QTest::mouseClick(f.List1->viewport(), Qt::LeftButton, {}, first);
    EXPECT_FALSE(f.Menuclip->isVisible());
    EXPECT_EQ(f.List1->listIndex(), 0);
}

TEST_F(HistoryCommandsTest, LongAndMultiLineEntriesShowOnOneLineAndKeepTheirWholeText) {
    tavro::Form1& f = makeForm();
    const QString lines = QStringLiteral("first\r\nsecond\rthird\nfourth\tend & more");
    const QString huge = QString(5 * 1024 * 1024, QLatin1Char('x'));
    copyText(lines);
    copyText(huge);
    ASSERT_EQ(f.List1->count(), 2);
    // The lines keep the whole texts ...
    EXPECT_EQ(tavro::historyEntryText(f.List1->line(0)), huge);
    EXPECT_EQ(tavro::historyEntryText(f.List1->line(1)), lines);

    // ... and are drawn on one line: each line break a mark, a long text cut short.
    const QAbstractItemDelegate* delegate = f.List1->itemDelegate();
    const auto* oneLine = dynamic_cast<const QStyledItemDelegate*>(delegate);
    ASSERT_NE(oneLine, nullptr);
    const QString shown = oneLine->displayText(f.List1->line(1), QLocale());
    EXPECT_EQ(shown, QStringLiteral("15:30:12 | first↵second↵third↵fourth end & more"));
    const QString shownHuge = oneLine->displayText(f.List1->line(0), QLocale());
    EXPECT_LT(shownHuge.size(), 1000);
    EXPECT_TRUE(shownHuge.endsWith(QChar(0x2026)));
    // The saved-text list is drawn the same way.
    const auto* textDelegate = dynamic_cast<const QStyledItemDelegate*>(f.Lsttext->itemDelegate());
    ASSERT_NE(textDelegate, nullptr);
    EXPECT_EQ(textDelegate->displayText(QStringLiteral("a\r\nb"), QLocale()),
              QStringLiteral("a↵b"));

    // The tray shows a caption on one line and its '&' as itself, not as a mnemonic.
    EXPECT_EQ(f.Rireki->caption(1), tavro::historyTrayCaption(f.List1->line(1)));
    EXPECT_EQ(f.Rireki->element(1)->text(), QStringLiteral("15:30:12 | first↵second↵third↵f"));
    f.strMsg = QStringLiteral("a&b");
    f.Listupdate();
    EXPECT_EQ(f.Rireki->caption(0), QStringLiteral("15:30:12 | a&b"));
    EXPECT_EQ(f.Rireki->element(0)->text(), QStringLiteral("15:30:12 | a&&b"));
}
