// Code page 932 as Windows has it. The same cases run on every platform's build, so the bytes
// written and the text read back are the same wherever the program runs.
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <ostream>

#include "core/codepage932.h"
#include "support/saved_text_helpers.h"

using namespace tavro;
using tavro::testing::bytesOf;

namespace {

QString unitsOf(std::initializer_list<char16_t> units) {
    QString text;
    for (char16_t u : units) {
        text.append(QChar(u));
    }
    return text;
}

std::string hex(const QByteArray& bytes) {
    return bytes.toHex(' ').toStdString();
}

std::string codes(const QString& text) {
    std::string out;
    for (QChar c : text) {
        out += QString::number(c.unicode(), 16).rightJustified(4, u'0').toStdString() + ' ';
    }
    return out;
}

bool isLead(int byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

}  // namespace

TEST(CodePage932, CharactersAndTheirBytes) {
    const struct {
        QString text;
        QByteArray bytes;
    } cases[] = {
        // ASCII as it is: the backslash and the tilde, NUL and the control characters
        // some converters swap (0x1A, 0x1C, 0x7F).
        {unitsOf({u'\\', u'~', 0x00, 0x1A, 0x1C, 0x7F}),
         bytesOf({0x5C, 0x7E, 0x00, 0x1A, 0x1C, 0x7F})},
        // Half-width katakana: one byte each, from ｡ (A1) to ﾟ (DF).
        {QString::fromUtf8("｡ｸﾘｯﾌﾟﾎﾞｰﾄﾞﾟ"),
         bytesOf({0xA1, 0xB8, 0xD8, 0xAF, 0xCC, 0xDF, 0xCE, 0xDE, 0xB0, 0xC4, 0xDE, 0xDF})},
        // The single bytes Windows keeps for itself.
        {unitsOf({0x80, 0xF8F0, 0xF8F1, 0xF8F2, 0xF8F3}), bytesOf({0x80, 0xA0, 0xFD, 0xFE, 0xFF})},
        {QString::fromUtf8("日本語"), bytesOf({0x93, 0xFA, 0x96, 0x7B, 0x8C, 0xEA})},
        // The NEC extensions and Microsoft's own choices.
        {QString::fromUtf8("①～∥－―￢≒"), bytesOf({0x87, 0x40, 0x81, 0x60, 0x81, 0x61, 0x81, 0x7C,
                                                   0x81, 0x5C, 0x81, 0xCA, 0x81, 0xE0})},
        // An IBM extension (its NEC-selected twin ED 40 reads the same), the user area.
        {unitsOf({0x7E8A, 0xE000, 0xE757}), bytesOf({0xFA, 0x5C, 0xF0, 0x40, 0xF9, 0xFC})},
        {QString::fromUtf8("a\r\nｶﾅ①\n"),
         bytesOf({0x61, 0x0D, 0x0A, 0xB6, 0xC5, 0x87, 0x40, 0x0A})},
        {QString(), QByteArray()},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(encodeCodePage932(c.text), c.bytes) << codes(c.text);
        EXPECT_EQ(decodeCodePage932(c.bytes), c.text) << hex(c.bytes);
    }
    EXPECT_EQ(decodeCodePage932(bytesOf({0xED, 0x40, 0x87, 0x90})), unitsOf({0x7E8A, 0x2252}));
}

TEST(CodePage932, CharactersWithoutAFormOfTheirOwnAreRefused) {
    // A best-fit converter would write ¥ as 5C, ‾ as 7E, 〜 as 81 60 and − as 81 7C.
    const QString refused[] = {
        unitsOf({0x00A5}),
        unitsOf({0x203E}),
        unitsOf({0x301C}),
        unitsOf({0x2212}),
        unitsOf({0x2016}),
        unitsOf({0x00A6}),
        unitsOf({0x00AC}),
        unitsOf({0x2014}),
        unitsOf({0x00A0}),
        unitsOf({0xFFFD}),
        unitsOf({0xF86F}),
        QString::fromUtf8("絵😀字"),
        QString::fromUtf8("café"),
        QString::fromUtf8("한"),
        // Lone surrogates, at the end and inside.
        unitsOf({u'a', 0xD83D}),
        unitsOf({0xDE00, u'a'}),
        unitsOf({0x65E5, 0xD800, 0x672C}),
    };
    for (const QString& text : refused) {
        EXPECT_FALSE(encodeCodePage932(text).has_value()) << codes(text);
    }
}

TEST(CodePage932, BrokenBytesBecomeSubstitutesAndLoseNothing) {
    const struct {
        QByteArray bytes;
        QString text;
    } cases[] = {
        {QByteArray("a\x81", 2), unitsOf({u'a', 0xFFFD})},
        {bytesOf({0x88}), unitsOf({0xFFFD})},
        // A byte that can't follow a lead byte stands for itself after the substitute.
        {bytesOf({0x81, 0x0A, 0x62}), unitsOf({0xFFFD, u'\n', u'b'})},
        {bytesOf({0x81, 0x0D, 0x0A}), unitsOf({0xFFFD, u'\r', u'\n'})},
        {bytesOf({0x81, 0x20, 0x78}), unitsOf({0xFFFD, u' ', u'x'})},
        {bytesOf({0x81, 0x7F}), unitsOf({0xFFFD, 0x7F})},
        {bytesOf({0x81, 0xFD}), unitsOf({0xFFFD, 0xF8F1})},
        {bytesOf({0x81, 0x00, 0x62}), unitsOf({0xFFFD, 0x00, u'b'})},
        // An unassigned pair, then a lead byte alone at the end.
        {bytesOf({0x61, 0x88, 0x88, 0x88}), unitsOf({u'a', 0xFFFD, 0xFFFD})},
        // Pairs of the right shape that the code page leaves unassigned.
        {bytesOf({0x85, 0x40}), unitsOf({0xFFFD})},
        {bytesOf({0x93, 0xFA, 0xEB, 0x40, 0x93, 0xFA}), unitsOf({0x65E5, 0xFFFD, 0x65E5})},
        {bytesOf({0xFC, 0xFC, 0x41}), unitsOf({0xFFFD, u'A'})},
        {bytesOf({0x61, 0x00, 0x62}), unitsOf({u'a', 0x00, u'b'})},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(decodeCodePage932(c.bytes), c.text) << hex(c.bytes);
    }
}

TEST(CodePage932, EndsInsideACharacter) {
    EXPECT_TRUE(endsInsideCodePage932Character(bytesOf({0x61, 0x88})));
    EXPECT_TRUE(endsInsideCodePage932Character(bytesOf({0x88, 0x9F, 0x88})));
    EXPECT_FALSE(endsInsideCodePage932Character(bytesOf({0x88, 0x9F})));
    EXPECT_FALSE(endsInsideCodePage932Character(bytesOf({0x81, 0x0A})));
    EXPECT_FALSE(endsInsideCodePage932Character(bytesOf({0xB6})));
    EXPECT_FALSE(endsInsideCodePage932Character(QByteArray()));
}

TEST(CodePage932, WholeTableReadsTheSameEverywhereAndTextComesBack) {
    // Every pair of a lead and a trail byte, decoded in one go.
    QByteArray pairs;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (!isLead(lead)) {
            continue;
        }
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail != 0x7F) {
                pairs.append(char(lead)).append(char(trail));
            }
        }
    }
    const QString table = decodeCodePage932(pairs);
    ASSERT_EQ(table.size(), pairs.size() / 2);
    int assigned = 0;
    for (qsizetype i = 0; i < table.size(); ++i) {
        if (table[i] == QChar(u'\uFFFD')) {
            continue;
        }
        ++assigned;
        // Each character comes back from its bytes (some have two byte forms; the text
        // is what must survive a save).
        const std::optional<QByteArray> bytes = encodeCodePage932(QStringView(table).sliced(i, 1));
        ASSERT_TRUE(bytes.has_value()) << codes(table.sliced(i, 1));
        EXPECT_EQ(bytes->size(), 2);
        EXPECT_EQ(decodeCodePage932(*bytes), table.sliced(i, 1));
    }
    // JIS X 0208 with the NEC and IBM extensions (7,724) and the user area (1,880).
    EXPECT_EQ(assigned, 9604);

    QByteArray singles;
    for (int byte = 0; byte <= 0xFF; ++byte) {
        if (!isLead(byte)) {
            singles.append(char(byte));
        }
    }
    const QString singleText = decodeCodePage932(singles);
    ASSERT_EQ(singleText.size(), singles.size());
    EXPECT_EQ(encodeCodePage932(singleText), singles);

    // The same digest from ICU's tables on Linux and from Windows' own conversions.
    const QByteArray digest = QCryptographicHash::hash(
        QByteArrayView(reinterpret_cast<const char*>((singleText + table).utf16()),
                       (singleText + table).size() * 2),
        QCryptographicHash::Sha256);
    EXPECT_EQ(digest.toHex().toStdString(),
              "5ea7176183f5d01114a922c54fd840d27e5c4857a933a2b7e693998a50aa3750");
}
