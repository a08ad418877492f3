#include <gtest/gtest.h>

#include "core/clipboard_formats.h"
#include "core/history.h"

using namespace tavro;

namespace {
const QDateTime kTime(QDate(2026, 12, 7), QTime(9, 5, 7));
}

TEST(History, EntryIsTimeSeparatorAndTheWholeText) {
    EXPECT_EQ(makeHistoryEntry(kTime, QStringLiteral("abc")), QStringLiteral("09:05:07 | abc"));
    // No text taken yet: the entry is the time and the separator alone.
    const QString empty = makeHistoryEntry(kTime, QString());
    EXPECT_EQ(empty, QStringLiteral("09:05:07 | "));
    EXPECT_EQ(empty.size(), 11);
    EXPECT_EQ(historyEntryText(empty), QString());
    // Line breaks stay whole, and the text comes back from the 12th character.
    const QString lines = QStringLiteral("a\r\nb\rc\nd");
    EXPECT_EQ(historyEntryText(makeHistoryEntry(kTime, lines)), lines);
    EXPECT_EQ(historyEntryText(QStringLiteral("short")), QString());
}

TEST(History, KeepsThirteenNewestFirstWithoutMergingRepeats) {
    QStringList entries;
    for (int i = 0; i < 14; ++i) {
        entries = pushHistoryEntry(entries, makeHistoryEntry(kTime, QStringLiteral("same")));
        entries[0] += QString::number(i);
    }
    ASSERT_EQ(entries.size(), kHistoryLimit);
    EXPECT_TRUE(entries.first().endsWith(QStringLiteral("same13")));
    EXPECT_TRUE(entries.last().endsWith(QStringLiteral("same1")));  // "same0" dropped
    EXPECT_EQ(pushHistoryEntry({}, QStringLiteral("x")), QStringList{QStringLiteral("x")});
}

TEST(History, TrayCaptionWholeUpTo34CharactersElseFirst32) {
    const QString text23(23, QLatin1Char('a'));
    const QString entry34 = makeHistoryEntry(kTime, text23);
    ASSERT_EQ(entry34.size(), 34);
    EXPECT_EQ(historyTrayCaption(entry34), entry34);

    const QString entry35 = makeHistoryEntry(kTime, text23 + QLatin1Char('b'));
    ASSERT_EQ(entry35.size(), 35);
    EXPECT_EQ(historyTrayCaption(entry35), entry35.left(32));
    EXPECT_EQ(historyTrayCaption(entry35).size(), 32);

    // Only cut by length: line breaks are left in.
    const QString withBreak = makeHistoryEntry(kTime, QStringLiteral("a\r\nb"));
    EXPECT_EQ(historyTrayCaption(withBreak), withBreak);
}

TEST(History, OnlyPlainTextAloneIsTaken) {
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
