// The clipboard history in the window: one entry per clipboard change, the tray's history
// entries kept in step with the list, and the commands that recall, clear and delete entries
// or recall a saved text dropped on the history list.
#include <QDropEvent>
#include <QImage>
#include <QMimeData>
#include <functional>
#include <optional>

#include "app/clipboard_recorder.h"
#include "app_fixture.h"

using tavro::LabelButton;

namespace {

const QString kSelectEntryMessage = QStringLiteral("ﾃｷｽﾄ保存するﾃﾞｰﾀをﾘｽﾄから選択してください");
const QString kFailedMessage =
    QStringLiteral("ひょっとしてその動作は、できないかもしれません\r\n諦めてください");

void setClipboard(QMimeData* data) {
    QApplication::clipboard()->setMimeData(data);
}

QMimeData* imageData() {
    auto* data = new QMimeData;
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    data->setImageData(image);
    return data;
}

// Offers the formats of `values` and answers each with its value (nothing for a null one, as
// an owner that does not answer), noting every format that is read.
class OfferedData : public QMimeData {
  public:
    OfferedData(QVariantMap values, QStringList* read) : values_(std::move(values)), read_(read) {}
    QStringList formats() const override { return values_.keys(); }
    bool hasFormat(const QString& format) const override { return values_.contains(format); }

  protected:
    QVariant retrieveData(const QString& format, QMetaType) const override {
        read_->append(format);
        return values_.value(format);
    }

  private:
    QVariantMap values_;
    QStringList* read_;
};

}  // namespace

class HistoryTest : public AppTest {
  protected:
    tavro::HistoryModel& history() const { return app->history(); }
    QStringList historyLines() const { return lines(historyList()); }
    QAction* trayEntry(int row) const { return action(QStringLiteral("historyEntry%1").arg(row)); }

    // The tray's history entries stand for the history row by row: one per entry (the first
    // alone and hidden while there is none), each visible with the entry's caption.
    ::testing::AssertionResult trayShowsHistory() const {
        const QList<QAction*> entries = trayEntries(QStringLiteral("historyEntry"));
        const int rows = history().rowCount();
        if (entries.size() != std::max(rows, 1) || entries[0]->isVisible() != (rows > 0)) {
            return ::testing::AssertionFailure()
                   << rows << " entries, " << entries.size() << " in the tray, the first visible "
                   << entries[0]->isVisible();
        }
        for (int row = 0; row < rows; ++row) {
            if (!entries[row]->isVisible() || caption(entries[row]) != history().trayCaption(row)) {
                return ::testing::AssertionFailure()
                       << "tray entry " << row << " shows \"" << caption(entries[row]).toStdString()
                       << "\" for \"" << history().entryLine(row).toStdString() << "\"";
            }
        }
        return ::testing::AssertionSuccess();
    }

    void copyAt(const QTime& time, const QString& text) {
        now.setTime(time);
        copyText(text);
    }

    QPoint rowCentre(int row) const {
        return historyList()->visualRect(historyList()->model()->index(row, 0)).center();
    }

    // Drops data on the history list as a drag from another control does: the list is entered
    // first, which makes it the drop's target, then the data is dropped. False when the list
    // refuses the data.
    bool dropOnHistory(QMimeData* data) {
        const std::unique_ptr<QMimeData> owned(data);
        QWidget* viewport = historyList()->viewport();
        const QPointF point(viewport->rect().center());
        QDragEnterEvent enter(point.toPoint(), Qt::CopyAction, data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(viewport, &enter);
        if (!enter.isAccepted()) {
            return false;
        }
        QDropEvent drop(point, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &drop);
        return drop.isAccepted();
    }
};

TEST_F(HistoryTest, EachClipboardChangeAddsOneStampedEntryNewestFirstAndTheTrayFollows) {
    startApp();
    EXPECT_FALSE(trayEntry(0)->isVisible());

    copyAt(QTime(9, 5, 7), QStringLiteral("abc"));
    EXPECT_EQ(historyLines(), QStringList{QStringLiteral("09:05:07 | abc")});
    EXPECT_EQ(history().lastText(), QStringLiteral("abc"));
    EXPECT_TRUE(trayShowsHistory());

    // The same text again is a new entry of its own; a text with line breaks stays whole.
    copyAt(QTime(9, 5, 8), QStringLiteral("abc"));
    copyAt(QTime(23, 0, 0), QStringLiteral("a\r\nb\nc"));
    EXPECT_EQ(historyLines(),
              (QStringList{QStringLiteral("23:00:00 | a\r\nb\nc"), QStringLiteral("09:05:08 | abc"),
                           QStringLiteral("09:05:07 | abc")}));
    EXPECT_TRUE(trayShowsHistory());

    // An update leaves no entry selected.
    historyList()->setSelectedRow(1);
    copyAt(QTime(23, 0, 1), QStringLiteral("d"));
    EXPECT_EQ(window().selectedHistoryRow(), -1);
    EXPECT_EQ(count(historyList()), 4);

    // The tray follows every update up to the 13 entries kept, each entry with the model's
    // caption (the caption's rules are the model's tests).
    for (int i = 0; i < 14; ++i) {
        copyAt(QTime(10, 0, i), QStringLiteral("text %1 of a line too long for the tray").arg(i));
        EXPECT_TRUE(trayShowsHistory()) << i;
    }
    ASSERT_EQ(count(historyList()), 13);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(HistoryTest, ClipboardChangeDuringAHistoryUpdateAddsNothing) {
    startApp();
    // Another program copies while the history is being updated (as when an update waits in
    // a message box with the event loop running): that change must not start a second,
    // nested update.
    bool nestedDone = false;
    bool busy = false;
    QObject::connect(&history(), &QAbstractItemModel::rowsInserted, &window(), [&] {
        if (!nestedDone) {
            nestedDone = true;
            busy = app->recorder().isBusy();
            copyText(QStringLiteral("nested"));
        }
    });
    copyText(QStringLiteral("outer"));
    ASSERT_TRUE(nestedDone);
    EXPECT_TRUE(busy);
    EXPECT_FALSE(app->recorder().isBusy());
    EXPECT_EQ(historyLines(), QStringList{QStringLiteral("15:30:12 | outer")});
    EXPECT_EQ(history().lastText(), QStringLiteral("outer"));
    EXPECT_TRUE(trayShowsHistory());

    // The next change is recorded again.
    copyText(QStringLiteral("next"));
    EXPECT_EQ(historyLines(),
              (QStringList{QStringLiteral("15:30:12 | next"), QStringLiteral("15:30:12 | outer")}));
}

TEST_F(HistoryTest, PlainTextAloneIsTakenOtherChangesRepeatTheLastTextSecretsAddNothing) {
    startApp();
    const auto windows = [](const char* name) {
        return QStringLiteral("application/x-qt-windows-mime;value=\"%1\"")
            .arg(QLatin1String(name));
    };
    const QString plain = QStringLiteral("text/plain");
    const QString hint = QStringLiteral("x-kde-passwordManagerHint");
    const QString permission = windows("CanIncludeInClipboardHistory");
    QStringList read;
    const auto offer = [&read](QVariantMap values) {
        return [&read, values] { setClipboard(new OfferedData(values, &read)); };
    };
    const auto marked = [&](const QString& mark, const QByteArray& value) {
        return offer({{plain, QStringLiteral("password")}, {mark, value}});
    };
    const auto withText = [](const QString& text, const QString& format, const QByteArray& value) {
        return [=] {
            auto* data = new QMimeData;
            data->setText(text);
            data->setData(format, value);
            setClipboard(data);
        };
    };
    const auto image = [] { setClipboard(imageData()); };
    struct Case {
        const char* what;
        std::function<void()> change;
        QString lastText;  // what the entries repeat after the change
        bool recorded;     // false: no entry, and the text was never read
    };
    const Case cases[] = {
        {"an image before any text", image, "", true},
        {"a text", [] { copyText(QStringLiteral("abc")); }, "abc", true},
        {"an image", image, "abc", true},
        {"rich text beside its plain form", withText("rich", "text/rtf", "{\\rtf1 rich}"), "abc",
         true},
        {"an emptied clipboard", [] { QApplication::clipboard()->clear(); }, "abc", true},
        {"HTML beside plain text", withText("plain", "text/html", "<b>plain</b>"), "plain", true},
        {"a text that can't be read", offer({{plain, QVariant()}}), "plain", true},
        {"an empty text", [] { copyText(QStringLiteral("")); }, "", true},
        {"a password manager's secret", marked(hint, "secret"), "", false},
        {"excluded from monitors",
         marked(windows("ExcludeClipboardContentFromMonitorProcessing"), ""), "", false},
        {"for no viewer", marked(windows("Clipboard Viewer Ignore"), ""), "", false},
        {"not for the history", marked(permission, QByteArray(4, '\0')), "", false},
        {"allowed in the history", marked(permission, QByteArray("\1\0\0\0", 4)), "password", true},
        {"a hint that is no secret", marked(hint, "public"), "password", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        read.clear();
        const int before = count(historyList());
        c.change();
        EXPECT_EQ(count(historyList()), before + int(c.recorded));
        EXPECT_EQ(history().lastText(), c.lastText);
        if (c.recorded) {
            EXPECT_EQ(historyLines().first(), QStringLiteral("15:30:12 | ") + c.lastText);
        } else {
            EXPECT_FALSE(read.contains(plain));
        }
    }
    EXPECT_TRUE(trayShowsHistory());
}

TEST_F(HistoryTest, TrayRecallPutsTheWholeEntryTextBackAsANewTopEntry) {
    startApp();
    setClipboard(imageData());  // an entry with the empty text
    const QString longText = QStringLiteral("a text far longer than any tray caption\r\nline 2");
    copyAt(QTime(8, 0, 0), longText);
    copyAt(QTime(8, 0, 1), QStringLiteral("short"));
    ASSERT_EQ(caption(trayEntry(1)), QStringLiteral("08:00:00 | a text far longer tha"));

    // Choosing the cut tray entry puts the whole text on the clipboard, and that change comes
    // back as the newest entry while the chosen one moves down.
    now.setTime(QTime(8, 1, 0));
    trayEntry(1)->trigger();
    EXPECT_EQ(clipboardText(), longText);
    EXPECT_EQ(
        historyLines(),
        (QStringList{QStringLiteral("08:01:00 | ") + longText, QStringLiteral("08:00:01 | short"),
                     QStringLiteral("08:00:00 | ") + longText, QStringLiteral("15:30:12 | ")}));
    EXPECT_TRUE(trayShowsHistory());

    // The entry of the empty text recalls the empty text.
    trayEntry(3)->trigger();
    EXPECT_EQ(clipboardText(), QString());
    EXPECT_EQ(historyLines().first(), QStringLiteral("08:01:00 | "));
    EXPECT_EQ(count(historyList()), 5);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(HistoryTest, DoubleClickRecallsTheSelectedEntryOrTheEmptyText) {
    startApp();
    showActive();
    copyAt(QTime(7, 0, 0), QStringLiteral("first"));
    copyAt(QTime(7, 0, 1), QStringLiteral("second"));

    now.setTime(QTime(7, 0, 2));
    QWidget* viewport = historyList()->viewport();
    QTest::mouseClick(viewport, Qt::LeftButton, {}, rowCentre(1));
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, rowCentre(1));
    EXPECT_EQ(clipboardText(), QStringLiteral("first"));
    EXPECT_EQ(historyLines(),
              (QStringList{QStringLiteral("07:00:02 | first"), QStringLiteral("07:00:01 | second"),
                           QStringLiteral("07:00:00 | first")}));

    // A double click with Ctrl held on the selected line unselects it first: with nothing
    // selected the empty text goes on the clipboard.
    now.setTime(QTime(7, 0, 3));
    QTest::mouseClick(viewport, Qt::LeftButton, {}, rowCentre(0));
    ASSERT_EQ(window().selectedHistoryRow(), 0);
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::ControlModifier, rowCentre(0));
    ASSERT_EQ(window().selectedHistoryRow(), -1);
    QTest::mouseDClick(viewport, Qt::LeftButton, Qt::ControlModifier, rowCentre(0));
    EXPECT_EQ(clipboardText(), QString());
    EXPECT_EQ(historyLines().first(), QStringLiteral("07:00:03 | "));
    EXPECT_EQ(count(historyList()), 4);
}

TEST_F(HistoryTest, ClearFromItsButtonNeedsItsMarkerAndFromTheTrayMarksOk) {
    startApp();
    for (const char* text : {"one", "two", "three"}) {
        copyText(QString::fromLatin1(text));
    }
    // Another button's marker: nothing happens.
    window().showMarker(LabelButton::RecallText);
    press(QStringLiteral("clearHistoryButton"));
    EXPECT_EQ(count(historyList()), 3);
    EXPECT_TRUE(trayShowsHistory());

    window().showMarker(LabelButton::ClearHistory);
    press(QStringLiteral("clearHistoryButton"));
    EXPECT_EQ(count(historyList()), 0);
    EXPECT_TRUE(trayShowsHistory());
    // The clipboard and the last taken text are left alone.
    EXPECT_EQ(clipboardText(), QStringLiteral("three"));
    EXPECT_EQ(history().lastText(), QStringLiteral("three"));
    // The next change starts the history again.
    copyText(QStringLiteral("four"));
    EXPECT_EQ(historyLines(), QStringList{QStringLiteral("15:30:12 | four")});

    // From the tray, whatever marker was shown before, or none; the window hidden all along.
    for (std::optional<LabelButton> before : std::initializer_list<std::optional<LabelButton>>{
             std::nullopt, LabelButton::RecallText, LabelButton::ClearHistory, LabelButton::Ok}) {
        copyText(QStringLiteral("a"));
        window().showMarker(before);
        choose(QStringLiteral("clearHistoryAction"));
        EXPECT_EQ(count(historyList()), 0);
        EXPECT_TRUE(trayShowsHistory());
        EXPECT_EQ(shownMarkers(), QStringList{QStringLiteral("ok")});
    }
    // Never shown at any moment: a window once shown keeps its platform window.
    EXPECT_EQ(window().windowHandle(), nullptr);

    // With the window in front, the focus goes to OK.
    showActive();
    copyText(QStringLiteral("c"));
    button(QStringLiteral("clearHistoryButton"))->setFocus();
    ASSERT_EQ(shownMarkers(), QStringList{QStringLiteral("clearHistory")});
    choose(QStringLiteral("clearHistoryAction"));
    EXPECT_EQ(count(historyList()), 0);
    EXPECT_EQ(QApplication::focusWidget(), button(QStringLiteral("okButton")));
    EXPECT_EQ(shownMarkers(), QStringList{QStringLiteral("ok")});
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(HistoryTest, DeleteNeedsASelectionAndTheTrayFollowsAtOnce) {
    startApp();
    copyAt(QTime(6, 0, 0), QStringLiteral("oldest"));
    copyAt(QTime(6, 0, 1), QStringLiteral("a middle text longer than a caption may be"));
    copyAt(QTime(6, 0, 2), QStringLiteral("newest"));

    choose(QStringLiteral("deleteEntryAction"));
    EXPECT_EQ(messages, QStringList{kSelectEntryMessage});
    EXPECT_EQ(count(historyList()), 3);
    EXPECT_TRUE(trayShowsHistory());

    messages.clear();
    historyList()->setSelectedRow(1);
    choose(QStringLiteral("deleteEntryAction"));
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(historyLines(), (QStringList{QStringLiteral("06:00:02 | newest"),
                                           QStringLiteral("06:00:00 | oldest")}));
    // No tray entry is left past the end of the list, and each recalls the text it shows.
    EXPECT_TRUE(trayShowsHistory());
    trayEntry(1)->trigger();
    EXPECT_EQ(clipboardText(), QStringLiteral("oldest"));

    // Deleting every entry hides the tray's history entry.
    while (count(historyList()) > 0) {
        historyList()->setSelectedRow(0);
        choose(QStringLiteral("deleteEntryAction"));
    }
    EXPECT_TRUE(trayShowsHistory());
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(HistoryTest, DroppedTextRecallsTheSavedTextItsLastSixteenCharactersNameInTheFolder) {
    // A file next to the saved-text folder that a drop must never reach.
    {
        QFile outside(folder.path() + QStringLiteral("/outside.TXT"));
        ASSERT_TRUE(outside.open(QIODevice::WriteOnly));
        outside.write("secret");
    }
    writeSaved(QStringLiteral("980828153012.TXT"), QByteArrayLiteral("hello\r\nworld\r\n"));
    writeSaved(QStringLiteral("memo.TXT"), QByteArrayLiteral("short name"));
    writeSaved(QStringLiteral("12345678901234567.TXT"), QByteArrayLiteral("long name"));
    writeSaved(QStringLiteral("678901234567.TXT"), QByteArrayLiteral("other file"));
    startApp();
    const QStringList listed = lines(savedTextList());
    ASSERT_EQ(listed.size(), 3);
    ASSERT_TRUE(listed[0].endsWith(QStringLiteral("12345678901234567.TXT")));
    ASSERT_TRUE(listed[2].endsWith(QStringLiteral("980828153012.TXT")));

    // A line dragged out of the saved-text list.
    now.setTime(QTime(16, 0, 0));
    ASSERT_TRUE(dropOnHistory(app->savedTexts().mimeData({app->savedTexts().index(2)})));
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(clipboardText(), QStringLiteral("hello\r\nworld"));
    EXPECT_EQ(historyLines(), QStringList{QStringLiteral("16:00:00 | hello\r\nworld")});

    struct Drop {
        QString text;
        QByteArray listedName;  // the file's name the saved-text list gives beside its line
        QString recalled;       // null: the failure message, and nothing recalled
    };
    const Drop drops[] = {
        // Any text ending in a name will do; a text shorter than 16 characters is used whole.
        {QStringLiteral("see 980828153012.TXT"), {}, QStringLiteral("hello\r\nworld")},
        {QStringLiteral("memo.TXT"), {}, QStringLiteral("short name")},
        {QStringLiteral("nothing here: 990101000000.TXT"), {}, QString()},
        // Names leading out of the folder read nothing.
        {QStringLiteral("../outside.TXT"), {}, QString()},
        {QStringLiteral("../../etc/passwd"), {}, QString()},
        {QStringLiteral("drag from /tmp/../../etc/passwd"), {}, QString()},
        // A line of a name longer than 16 characters ends in another file's name.
        {listed[0], "12345678901234567.TXT", QString()},
    };
    for (const Drop& d : drops) {
        SCOPED_TRACE(d.text.toStdString());
        messages.clear();
        const QString clipboardBefore = clipboardText();
        const int entriesBefore = count(historyList());
        auto* data = new QMimeData;
        data->setText(d.text);
        if (!d.listedName.isEmpty()) {
            data->setData(QString::fromLatin1(tavro::kFileNameMimeType), d.listedName);
        }
        ASSERT_TRUE(dropOnHistory(data));
        if (d.recalled.isNull()) {
            // The last taken text holds the 16 characters tried.
            EXPECT_EQ(messages, QStringList{kFailedMessage});
            EXPECT_EQ(clipboardText(), clipboardBefore);
            EXPECT_EQ(count(historyList()), entriesBefore);
            EXPECT_EQ(history().lastText(), d.text.right(16));
        } else {
            EXPECT_TRUE(messages.isEmpty());
            EXPECT_EQ(clipboardText(), d.recalled);
            EXPECT_EQ(historyLines().first(), QStringLiteral("16:00:00 | ") + d.recalled);
        }
    }
    // Data that is no text is not taken at all.
    messages.clear();
    EXPECT_FALSE(dropOnHistory(imageData()));
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(count(historyList()), 3);
}

TEST_F(HistoryTest, HeaderShowsTheWindowAndRightClickOpensTheListMenu) {
    startApp();
    copyText(QStringLiteral("one"));
    copyText(QStringLiteral("two"));
    ASSERT_TRUE(window().isHidden());
    choose(QStringLiteral("historyHeading"));
    EXPECT_TRUE(window().isVisible());
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window()));
    EXPECT_EQ(QApplication::focusWidget(), button(QStringLiteral("okButton")));

    // The right button opens the list's menu and leaves the selection alone; the left one
    // selects and opens nothing.
    auto* menu = control<QMenu>(QStringLiteral("historyMenu"));
    historyList()->setSelectedRow(1);
    QWidget* viewport = historyList()->viewport();
    QTest::mousePress(viewport, Qt::RightButton, {}, rowCentre(0));
    EXPECT_TRUE(menu->isVisible());
    EXPECT_EQ(window().selectedHistoryRow(), 1);
    menu->hide();
    QTest::mouseRelease(viewport, Qt::RightButton, {}, rowCentre(0));
    QTest::mouseClick(viewport, Qt::LeftButton, {}, rowCentre(0));
    EXPECT_FALSE(menu->isVisible());
    EXPECT_EQ(window().selectedHistoryRow(), 0);
}

TEST_F(HistoryTest, LongAndMultiLineEntriesShowOnOneLineAndKeepTheirWholeText) {
    startApp();
    const QString text = QStringLiteral("first\r\nsecond\rthird\nfourth\tend & more");
    const QString huge(5 * 1024 * 1024, QLatin1Char('x'));
    copyText(text);
    copyText(huge);
    ASSERT_EQ(count(historyList()), 2);
    // The entries keep the whole texts ...
    EXPECT_EQ(history().entryText(0), huge);
    EXPECT_EQ(history().entryText(1), text);

    // ... and are drawn on one line: each line break a mark, a long text cut short.
    const auto shown = [](const tavro::TextListView* list, const QVariant& line) {
        const auto* delegate = dynamic_cast<const QStyledItemDelegate*>(list->itemDelegate());
        return delegate != nullptr ? delegate->displayText(line, QLocale()) : QString();
    };
    const QAbstractItemModel* model = historyList()->model();
    EXPECT_EQ(shown(historyList(), model->index(1, 0).data()),
              QStringLiteral("15:30:12 | first↵second↵third↵fourth end & more"));
    const QString shownHuge = shown(historyList(), model->index(0, 0).data());
    EXPECT_LT(shownHuge.size(), 1000);
    EXPECT_TRUE(shownHuge.endsWith(QChar(0x2026)));
    // The saved-text list is drawn the same way.
    EXPECT_EQ(shown(savedTextList(), QStringLiteral("a\r\nb")), QStringLiteral("a↵b"));

    // The tray shows a caption on one line and its '&' as itself, not as a mnemonic.
    EXPECT_EQ(caption(trayEntry(1)), history().trayCaption(1));
    EXPECT_EQ(trayEntry(1)->text(), QStringLiteral("15:30:12 | first↵second↵third↵f"));
    copyText(QStringLiteral("a&b"));
    EXPECT_EQ(caption(trayEntry(0)), QStringLiteral("15:30:12 | a&b"));
    EXPECT_EQ(trayEntry(0)->text(), QStringLiteral("15:30:12 | a&&b"));
}
