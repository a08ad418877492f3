#include <gtest/gtest.h>

#include "core/time_format.h"
#include "ui/twips.h"

using namespace tavro;

TEST(TimeFormat, TwentyFourHourTwoDigitFields) {
    const QDateTime morning(QDate(2000, 1, 5), QTime(9, 5, 7));
    EXPECT_EQ(formatHistoryTime(morning), QStringLiteral("09:05:07"));
    EXPECT_EQ(formatNameStamp(morning), QStringLiteral("000105090507"));
    EXPECT_EQ(formatListTime(morning), QStringLiteral("01/05 09:05"));

    const QDateTime evening(QDate(1998, 12, 31), QTime(23, 59, 59));
    EXPECT_EQ(formatHistoryTime(evening), QStringLiteral("23:59:59"));
    EXPECT_EQ(formatNameStamp(evening), QStringLiteral("981231235959"));
    EXPECT_EQ(formatListTime(evening), QStringLiteral("12/31 23:59"));

    // Every minute of a leap day and every month's first day agree with Qt's own formatting;
    // no time, no text.
    for (QDateTime time(QDate(2028, 2, 29), QTime(0, 0, 1)); time.date().day() == 29;
         time = time.addSecs(61)) {
        ASSERT_EQ(formatNameStamp(time), time.toString(QStringLiteral("yyMMddHHmmss")));
        ASSERT_EQ(formatListTime(time), time.toString(QStringLiteral("MM/dd HH:mm")));
        ASSERT_EQ(formatHistoryTime(time), time.toString(QStringLiteral("HH:mm:ss")));
    }
    for (int month = 1; month <= 12; ++month) {
        const QDateTime first(QDate(2100, month, 1), QTime(12, 0));
        EXPECT_EQ(formatNameStamp(first), first.toString(QStringLiteral("yyMMddHHmmss")));
    }
    EXPECT_EQ(formatListTime(QDateTime()), QString());
    EXPECT_EQ(formatNameStamp(QDateTime()), QString());
}

TEST(Twips, FifteenToAPixelRoundedToTheNearest) {
    EXPECT_EQ(twipsToPixels(0), 0);
    EXPECT_EQ(twipsToPixels(15), 1);
    EXPECT_EQ(twipsToPixels(30), 2);
    EXPECT_EQ(twipsToPixels(7), 0);
    EXPECT_EQ(twipsToPixels(8), 1);
    EXPECT_EQ(twipsToPixels(4600), 307);
    EXPECT_EQ(twipsToPixels(-30), -2);
    EXPECT_EQ(twipsRect(3540, 15, 915, 285), QRect(236, 1, 61, 19));
}
