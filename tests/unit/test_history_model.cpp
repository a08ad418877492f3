// The clipboard history as a model: entries of a time and a text, newest first, at most 13;
// the line and the tray caption made from an entry; the last text taken kept once.
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>

#include "core/clipboard_formats.h"
#include "core/history_model.h"

using namespace tavro;

namespace {

const QDateTime kTime(QDate(2026, 12, 7), QTime(9, 5, 7));

// A history with the model contract checked on every change.
struct CheckedHistory {
    HistoryModel model;
    QAbstractItemModelTester tester{&model, QAbstractItemModelTester::FailureReportingMode::Fatal};

    void copy(const QString& text, const QDateTime& time = kTime) {
        model.setLastText(text);
        model.record(time);
    }
    QStringList texts() const {
        QStringList result;
        for (int row = 0; row < model.rowCount(); ++row) {
            result.append(model.entryText(row));
        }
        return result;
    }
};

}  // namespace

TEST(HistoryModel, EntryLineIsTimeSeparatorAndTheWholeText) {
    CheckedHistory history;
    // Before any text was taken, an entry is the time and the separator alone.
    history.model.record(kTime);
    EXPECT_EQ(history.model.entryLine(0), QStringLiteral("09:05:07 | "));
    EXPECT_EQ(history.model.entryText(0), QString());

    const QString lines = QStringLiteral("a\r\nb\rc\nd");
    history.copy(lines, kTime.addSecs(3600 * 14));
    EXPECT_EQ(history.model.entryLine(0), QStringLiteral("23:05:07 | ") + lines);
    EXPECT_EQ(history.model.index(0).data(HistoryModel::TextRole).toString(), lines);
    EXPECT_EQ(history.model.index(0).data().toString(), history.model.entryLine(0));
    // Outside the history: the empty text, as a recall of a missing entry takes it.
    EXPECT_EQ(history.model.entryText(2), QString());
    EXPECT_EQ(history.model.entryText(-1), QString());
    EXPECT_EQ(history.model.entryLine(5), QString());
}

TEST(HistoryModel, KeepsThirteenNewestFirstWithoutMergingRepeats) {
    CheckedHistory history;
    for (int i = 0; i < 14; ++i) {
        history.copy(QStringLiteral("same"), kTime.addSecs(i));
    }
    ASSERT_EQ(history.model.rowCount(), HistoryModel::kLimit);
    // The same text twice is two entries, each with its own time; the first one went.
    EXPECT_EQ(history.model.entryLine(0), QStringLiteral("09:05:20 | same"));
    EXPECT_EQ(history.model.entryLine(12), QStringLiteral("09:05:08 | same"));
    // Every further entry pushes the oldest out.
    history.copy(QStringLiteral("next"), kTime.addSecs(14));
    EXPECT_EQ(history.model.rowCount(), HistoryModel::kLimit);
    EXPECT_EQ(history.model.entryLine(12), QStringLiteral("09:05:09 | same"));
}

TEST(HistoryModel, TrayCaptionIsTheWholeLineUpTo34CharactersElseItsFirst32) {
    struct Case {
        QString text;
        QString caption;
    };
    const QString text23(23, QLatin1Char('a'));
    const Case cases[] = {
        {text23, QStringLiteral("09:05:07 | ") + text23},                              // 34: whole
        {text23 + QLatin1Char('b'), QStringLiteral("09:05:07 | ") + text23.left(21)},  // 35: 32
        {QStringLiteral("a\r\nb"), QStringLiteral("09:05:07 | a\r\nb")},  // only cut by length
        // A line break counts as the characters it is made of; '&' is a character like others.
        {QStringLiteral("one\r\ntwo\rthree\nfour\tfive"),
         QStringLiteral("09:05:07 | one\r\ntwo\rthree\nfour\tf")},
        {QStringLiteral("a&b"), QStringLiteral("09:05:07 | a&b")},
        {QString(), QStringLiteral("09:05:07 | ")},
    };
    for (const Case& c : cases) {
        CheckedHistory history;
        history.copy(c.text);
        EXPECT_EQ(history.model.trayCaption(0), c.caption) << c.text.toStdString();
        EXPECT_EQ(history.model.index(0).data(HistoryModel::TrayCaptionRole).toString(), c.caption);
    }
}

TEST(HistoryModel, RemovingAndClearingKeepTheLastText) {
    CheckedHistory history;
    for (const char* text : {"one", "two", "three"}) {
        history.copy(QString::fromLatin1(text));
    }
    history.model.removeEntry(1);
    EXPECT_EQ(history.texts(), (QStringList{QStringLiteral("three"), QStringLiteral("one")}));
    history.model.removeEntry(2);  // outside: nothing
    history.model.removeEntry(-1);
    EXPECT_EQ(history.model.rowCount(), 2);
    history.model.clear();
    EXPECT_EQ(history.model.rowCount(), 0);
    // The next change repeats the last text taken.
    history.model.record(kTime);
    EXPECT_EQ(history.texts(), QStringList{QStringLiteral("three")});
}

TEST(HistoryModel, AHugeTextIsKeptOnceAndShownByItsBeginning) {
    CheckedHistory history;
    const QString huge(10'000'000, QLatin1Char('x'));
    history.copy(huge);
    history.copy(QStringLiteral("small"));
    history.model.setLastText(huge);
    history.model.record(kTime);
    // The entry and the last text share one buffer: no copy of the text was made.
    EXPECT_EQ(history.model.entryText(0).constData(), huge.constData());
    EXPECT_EQ(history.model.lastText().constData(), huge.constData());
    // What a list paints is its beginning; the whole text is there for a recall.
    const QString shown = history.model.index(0).data().toString();
    EXPECT_EQ(shown.size(), HistoryModel::kDisplayLineLimit);
    EXPECT_TRUE(shown.startsWith(QStringLiteral("09:05:07 | xxx")));
    EXPECT_EQ(history.model.entryText(0).size(), huge.size());
}

TEST(ClipboardFormats, OnlyPlainTextAloneIsTaken) {
    const auto mask = [](QStringList types) { return clipboardFormatMask(types); };
    EXPECT_EQ(mask({"text/plain"}), kFormatText);
    EXPECT_TRUE(takesClipboardText(mask({"text/plain", "text/html"})));
    EXPECT_TRUE(takesClipboardText(mask({"text/plain;charset=utf-8"})));
    // An image, rich text beside the text, an emptied clipboard: nothing taken.
    EXPECT_EQ(mask({"image/png"}), kFormatBitmap | kFormatDeviceIndependentBitmap);
    EXPECT_FALSE(takesClipboardText(mask({"text/plain", "application/x-qt-image"})));
    EXPECT_EQ(mask({"text/plain", "text/rtf"}), kFormatText | kFormatRichText);
    EXPECT_FALSE(takesClipboardText(mask({"text/plain", "application/rtf"})));
    EXPECT_FALSE(takesClipboardText(mask({"text/plain", "text/richtext"})));
    EXPECT_EQ(mask({}), 0);
    EXPECT_FALSE(takesClipboardText(mask({"application/octet-stream"})));
}
