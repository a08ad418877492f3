#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>

#include "core/saved_text_store.h"
#include "support/saved_text_helpers.h"

using namespace tavro;
using tavro::testing::bytesOf;
using namespace Qt::StringLiterals;

namespace {

QString excerptOf(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return readExcerpt(buffer);
}

QDateTime at(int y, int mo, int d, int h, int mi, int s, int ms = 0) {
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms));
}

class SavedTextStoreTest : public tavro::testing::TempTextFolderTest {
  protected:
    QByteArray contents(const QString& name) const { return tavro::testing::contents(path(name)); }
    QStringList entries() const { return tavro::testing::entriesOf(folder_); }
};

}  // namespace

TEST(SavedTextNames, NameIsStampAndExtension) {
    EXPECT_EQ(savedTextName(at(1998, 8, 28, 15, 30, 12)), u"980828153012.TXT"_s);
    EXPECT_EQ(savedTextName(at(2000, 1, 5, 9, 30, 0, 999)), u"000105093000.TXT"_s);
    EXPECT_EQ(savedTextName(at(2031, 12, 31, 23, 59, 59)).size(), kSavedTextNameLength);
}

TEST(SavedTextNames, NameFromListLineIsTheLastSixteenCharacters) {
    EXPECT_EQ(nameFromListLine(QStringLiteral("08/28 15:30 |abc\r\n   980828153012.TXT")),
              u"980828153012.TXT"_s);
    EXPECT_EQ(nameFromListLine(QStringLiteral("x12345678901234567.TXT")), u"678901234567.TXT"_s);
    EXPECT_EQ(nameFromListLine(QStringLiteral("short.TXT")), u"short.TXT"_s);
    EXPECT_EQ(nameFromListLine(QString()), QString());
}

TEST(SavedTextNames, NumericTest) {
    for (const char* name : {"123.TXT", "980828153012.TXT", "-1.TXT", "+42.txt", "1.5.TXT",
                             ".5.TXT", "5..TXT", "007.TXT"}) {
        EXPECT_TRUE(passesNumericTest(QString::fromLatin1(name))) << name;
    }
    for (const char* name : {"memo.TXT", ".TXT", "TXT", "", "+.TXT", "-.TXT", "..TXT", "1.2.3.TXT",
                             "12a.TXT", "1 2.TXT", " 12.TXT", "1-.TXT", "+-1.TXT", "0x1F.TXT"}) {
        EXPECT_FALSE(passesNumericTest(QString::fromLatin1(name))) << name;
    }
    // Only ASCII digits count.
    EXPECT_FALSE(passesNumericTest(QString::fromUtf8("１２３.TXT")));
}

TEST(SavedTextNames, PlainFileNames) {
    for (const char* name : {"980828153012.TXT", "memo.txt", "..x", "a.b"}) {
        EXPECT_TRUE(isPlainFileName(QString::fromLatin1(name))) << name;
    }
    for (const char* name : {"", ".", "..", "../x", "a/b", "/etc/passwd", "a\\b", "..\\x"}) {
        EXPECT_FALSE(isPlainFileName(QString::fromLatin1(name))) << name;
    }
    EXPECT_FALSE(isPlainFileName(u"a\0b"_s));
}

TEST(SavedTextEncoding, JapaneseTextIsExactCodePage932) {
    EXPECT_EQ(encodeSavedText(QString::fromUtf8("日本語テキスト")),
              bytesOf({0x93, 0xFA, 0x96, 0x7B, 0x8C, 0xEA, 0x83, 0x65, 0x83, 0x4C, 0x83, 0x58, 0x83,
                       0x67}));
    EXPECT_EQ(encodeSavedText(QString::fromUtf8("ｸﾘｯﾌﾟﾎﾞｰﾄﾞ")),
              bytesOf({0xB8, 0xD8, 0xAF, 0xCC, 0xDF, 0xCE, 0xDE, 0xB0, 0xC4, 0xDE}));
    EXPECT_EQ(encodeSavedText(QString::fromUtf8("①")), bytesOf({0x87, 0x40}));
    EXPECT_EQ(encodeSavedText(QString::fromUtf8("～")), bytesOf({0x81, 0x60}));
    // Nothing is added: no mark, no line end, and line ends are kept as they are.
    EXPECT_EQ(encodeSavedText(QStringLiteral("a\r\nb\nc\r")), QByteArray("a\r\nb\nc\r"));
    EXPECT_EQ(encodeSavedText(QString()), QByteArray());

    for (const char* text : {"日本語テキスト", "ｸﾘｯﾌﾟﾎﾞｰﾄﾞ", "①②㈱", "～", "a\\b~"}) {
        const QString original = QString::fromUtf8(text);
        EXPECT_EQ(decodeSavedText(encodeSavedText(original)), original) << text;
    }
}

TEST(SavedTextEncoding, TextWithoutCodePage932FormIsUtf8WithMark) {
    const QByteArray bom("\xEF\xBB\xBF");
    for (const char* text : {"emoji 😀 日本", "café", "한국어", "Ελληνικά ①"}) {
        const QString original = QString::fromUtf8(text);
        const QByteArray bytes = encodeSavedText(original);
        EXPECT_EQ(bytes, bom + QByteArray(text)) << text;
        EXPECT_EQ(decodeSavedText(bytes), original) << text;
    }
}

TEST(SavedTextEncoding, BrokenBytesDecodeWithoutVanishing) {
    // A lone lead byte at the end still yields a character.
    EXPECT_EQ(decodeSavedText(QByteArray("a\x88", 2)).size(), 2);
    const QString broken = decodeSavedText(bytesOf({0xFF, 0xFD, 0x80, 0xA0, 0x85, 0x40, 0x00}));
    EXPECT_FALSE(broken.isEmpty());
    EXPECT_EQ(broken.back(), QChar(u'\0'));
    // A mark with broken UTF-8 after it decodes to replacement characters.
    EXPECT_EQ(decodeSavedText(QByteArray("\xEF\xBB\xBF"
                                         "a\xE3\x81",
                                         6))
                  .left(1),
              u"a"_s);
}

TEST(SavedTextExcerpt, StopsOnceThirtyFiveCharactersAreHeld) {
    EXPECT_EQ(excerptOf("abc"), u"abc\r\n"_s);
    EXPECT_EQ(excerptOf(""), QString());

    const QString a33(33, u'a');
    EXPECT_EQ(excerptOf(a33.toLatin1() + "\r\nsecond"), a33 + u"\r\n"_s);

    const QString a32(32, u'a');
    EXPECT_EQ(excerptOf(a32.toLatin1() + "\r\nsecond\r\nthird"), a32 + u"\r\nsecond\r\n"_s);

    const QString x20(20, u'x'), y10(10, u'y');
    EXPECT_EQ(excerptOf(x20.toLatin1() + "\r\n" + y10.toLatin1() + "\r\nz\r\nw"),
              x20 + u"\r\n"_s + y10 + u"\r\nz\r\n"_s);

    const QString long150(150, u'L');
    EXPECT_EQ(excerptOf(long150.toLatin1() + "\r\nmore"), long150 + u"\r\n"_s);

    // Short lines are gathered until the count is reached.
    EXPECT_EQ(excerptOf(QByteArray("\r\n").repeated(40)), QStringLiteral("\r\n").repeated(18));
}

TEST(SavedTextExcerpt, LineEnds) {
    EXPECT_EQ(excerptOf("abc\r\n"), u"abc\r\n"_s);
    EXPECT_EQ(excerptOf("abc\r\n\r\n"), u"abc\r\n\r\n"_s);
    EXPECT_EQ(excerptOf("a\rb"), u"a\r\nb\r\n"_s);
    EXPECT_EQ(excerptOf("a\rb\r"), u"a\r\nb\r\n"_s);
    EXPECT_EQ(excerptOf("a\r\rb"), u"a\r\n\r\nb\r\n"_s);
    EXPECT_EQ(excerptOf("a\nb"), u"a\nb\r\n"_s);
    EXPECT_EQ(excerptOf("a\nb\r\nc\n"), u"a\nb\r\nc\n\r\n"_s);
    EXPECT_EQ(excerptOf("\n\r\n"), u"\n\r\n"_s);
}

TEST(SavedTextExcerpt, DecodesShiftJisAndMarkedUtf8) {
    EXPECT_EQ(excerptOf(encodeSavedText(QString::fromUtf8("日本語テキスト\r\n二行目"))),
              QString::fromUtf8("日本語テキスト\r\n二行目\r\n"));
    EXPECT_EQ(excerptOf(encodeSavedText(QString::fromUtf8("😀x\rｸﾘｯﾌﾟ"))),
              QString::fromUtf8("😀x\r\nｸﾘｯﾌﾟ\r\n"));
    EXPECT_EQ(excerptOf("\xEF\xBB\xBF"), QString());
}

TEST(SavedTextExcerpt, BrokenBytesStillGiveAnExcerpt) {
    // A lead byte right before CR LF does not swallow the line end.
    const QString broken = excerptOf(bytesOf({0x81, 0x0D, 0x0A, 0xFF, 0xA0, 0x85, 0x40, 0x88}));
    EXPECT_EQ(broken.indexOf(u"\r\n"_s), 1);
    EXPECT_EQ(broken.count(u"\r\n"_s), 2);
    EXPECT_TRUE(broken.endsWith(u"\r\n"_s));
    EXPECT_GT(broken.size(), 4);

    EXPECT_EQ(excerptOf(QByteArray("a\0b", 3)), u"a\0b\r\n"_s);
}

TEST(SavedTextExcerpt, ReadsNoMoreThanTheByteLimit) {
    QBuffer buffer;
    buffer.setData(QByteArray(20 * 1024 * 1024, 'x'));
    buffer.open(QIODevice::ReadOnly);
    EXPECT_EQ(readExcerpt(buffer), QString(kExcerptByteLimit, u'x') + u"\r\n"_s);
    EXPECT_EQ(buffer.pos(), kExcerptByteLimit);

    // The limit falls on the lead byte of a double-byte character: it is left out.
    const QByteArray a = encodeSavedText(QString::fromUtf8("あ"));
    ASSERT_EQ(a.size(), 2);
    EXPECT_EQ(excerptOf("x" + a.repeated(3000)),
              u'x' + QString::fromUtf8("あ").repeated(2047) + u"\r\n"_s);
    // A file of exactly the limit ending in a lone lead byte is not cut: that byte shows.
    EXPECT_EQ(excerptOf("x" + a.repeated(2047) + "\x88").size(), 1 + 2047 + 1 + 2);

    // The same for UTF-8: 4093 bytes after the mark hold 1364 characters and one byte.
    EXPECT_EQ(excerptOf("\xEF\xBB\xBF" + QByteArray("あ").repeated(3000)),
              QString::fromUtf8("あ").repeated(1364) + u"\r\n"_s);

    // A line that ends right at the limit is complete; nothing after the limit is read.
    EXPECT_EQ(excerptOf(QByteArray(4095, 'y') + "\r\nnext"), QString(4095, u'y') + u"\r\n"_s);
}

TEST(SavedTextList, ListLineAndCaption) {
    const QDateTime time = at(1998, 8, 28, 15, 30, 12);
    const QString name = QStringLiteral("980828153012.TXT");

    const QString abc = savedTextListLine({name, time, QStringLiteral("abc\r\n")});
    EXPECT_EQ(abc, u"08/28 15:30 |abc\r\n"_s + QString(95, u' ') + name);
    EXPECT_EQ(abc.size(), 129);
    EXPECT_EQ(nameFromListLine(abc), name);
    EXPECT_EQ(savedTextTrayCaption(QStringLiteral("abc\r\n")), u"abc\r\n"_s);

    const QString excerpt152 = QString(150, u'L') + u"\r\n"_s;
    const QString long152 = savedTextListLine({name, time, excerpt152});
    EXPECT_EQ(long152, u"08/28 15:30 |"_s + excerpt152 + name);
    EXPECT_EQ(nameFromListLine(long152), name);
    EXPECT_EQ(savedTextTrayCaption(excerpt152), QString(25, u'L'));

    const QString empty = savedTextListLine({name, time, QString()});
    EXPECT_EQ(empty, u"08/28 15:30 |"_s + QString(100, u' ') + name);
    EXPECT_EQ(savedTextTrayCaption(QString()), QString());

    const QString exactly100(100, u'e');
    EXPECT_EQ(savedTextListLine({name, time, exactly100}), u"08/28 15:30 |"_s + exactly100 + name);

    const QString c29 = QString(27, u'c') + u"\r\n"_s;
    const QString c30 = QString(28, u'c') + u"\r\n"_s;
    EXPECT_EQ(savedTextTrayCaption(c29), c29);
    EXPECT_EQ(savedTextTrayCaption(c30), QString(25, u'c'));
}

TEST(SavedTextSort, GapsAndMoveCounts) {
    int moves = 0;
    const auto count = [&moves] { ++moves; };

    // Five names: gap 4 moves "e" to the end in one step, then gap 1 needs three moves;
    // a plain insertion sort would need ten.
    QStringList five{"e", "d", "c", "b", "a"};
    sortNames(five, count);
    EXPECT_EQ(five, (QStringList{"a", "b", "c", "d", "e"}));
    EXPECT_EQ(moves, 4);

    // Four names: only gap 1, so every inversion is one move.
    moves = 0;
    QStringList four{"d", "c", "b", "a"};
    sortNames(four, count);
    EXPECT_EQ(four, (QStringList{"a", "b", "c", "d"}));
    EXPECT_EQ(moves, 6);

    // Fourteen reversed names: gap 13 makes 1 move, gap 4 makes 12, gap 1 makes 18.
    moves = 0;
    QStringList fourteen;
    for (char c = 'n'; c >= 'a'; --c) {
        fourteen.append(QString(QChar(c)));
    }
    sortNames(fourteen, count);
    QStringList expected = fourteen;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(fourteen, expected);
    EXPECT_EQ(fourteen.front(), u"a"_s);
    EXPECT_EQ(moves, 31);

    moves = 0;
    QStringList sorted{"a", "b", "c", "d", "e", "f"};
    sortNames(sorted, count);
    EXPECT_EQ(moves, 0);
    QStringList one{"z"};
    sortNames(one, count);
    QStringList none;
    sortNames(none, count);
    EXPECT_EQ(moves, 0);
    EXPECT_EQ(one, QStringList{"z"});

    // Without a callback it sorts all the same.
    QStringList plain{"c", "a", "b"};
    sortNames(plain);
    EXPECT_EQ(plain, (QStringList{"a", "b", "c"}));
}

TEST(SavedTextSort, OrdersByCodeUnit) {
    QStringList names{"991231120000.TXT", "000105093000.TXT", "980828153012.TXT",
                      "980828153012.txt", "Zeta.TXT",         "alpha.TXT"};
    sortNames(names);
    EXPECT_EQ(names, (QStringList{"000105093000.TXT", "980828153012.TXT", "980828153012.txt",
                                  "991231120000.TXT", "Zeta.TXT", "alpha.TXT"}));

    // A surrogate pair (U+1F600 starts with D83D) sorts before U+FF5E by code unit.
    QStringList wide{QString::fromUtf8("～"), QString::fromUtf8("😀")};
    sortNames(wide);
    EXPECT_EQ(wide.front(), QString::fromUtf8("😀"));
}

TEST_F(SavedTextStoreTest, ListingEmptyAndMemoOnlyFolders) {
    SavedTextStore store(folder_);
    EXPECT_EQ(store.pathOf(QStringLiteral("1.TXT")), folder_ + u"/1.TXT"_s);
    SavedTextStore::Listing listing = store.list();
    EXPECT_FALSE(listing.anyFile);
    EXPECT_TRUE(listing.names.isEmpty());

    put(QStringLiteral("memo.TXT"), "memo");
    put(QStringLiteral("notes.doc"), "x");
    listing = store.list();
    EXPECT_TRUE(listing.anyFile);
    EXPECT_TRUE(listing.names.isEmpty());

    SavedTextStore missing(root_.path() + QStringLiteral("/nowhere"));
    EXPECT_FALSE(missing.list().anyFile);
}

TEST_F(SavedTextStoreTest, ListingTakesNormalTxtFilesOfAnyCase) {
    put(QStringLiteral("980101000000.txt"), "lower");
    put(QStringLiteral("980102000000.TXT"), "upper");
    put(QStringLiteral("980103000000.Txt"), "mixed");
    put(QStringLiteral(".990102000000.TXT"), "hidden");
    put(QStringLiteral("990103000000.TXT.bak"), "backup");
    put(QStringLiteral("990104000000.TX"), "short");
    ASSERT_TRUE(QDir(folder_).mkdir(QStringLiteral("990101000000.TXT")));

    QStringList names = SavedTextStore(folder_).list().names;
    names.sort();
    EXPECT_EQ(names, (QStringList{"980101000000.txt", "980102000000.TXT", "980103000000.Txt"}));
}

TEST_F(SavedTextStoreTest, ReadGivesExcerptAndModifiedTimeToTheSecond) {
    SavedTextStore store(folder_);
    const QString name = QStringLiteral("980828153012.TXT");
    put(name, encodeSavedText(QString::fromUtf8("日本語テキスト\r\n二行目\r\n三行目")));
    {
        QFile file(store.pathOf(name));
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(
            file.setFileTime(at(2021, 3, 4, 5, 6, 7, 890), QFileDevice::FileModificationTime));
    }
    const std::optional<SavedText> text = store.read(name);
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(text->name, name);
    EXPECT_EQ(text->excerpt, QString::fromUtf8("日本語テキスト\r\n二行目\r\n三行目\r\n"));
    EXPECT_EQ(text->modified, at(2021, 3, 4, 5, 6, 7));
    EXPECT_EQ(text->modified.timeSpec(), Qt::LocalTime);

    EXPECT_FALSE(store.read(QStringLiteral("000000000000.TXT")).has_value());
    ASSERT_TRUE(QDir(folder_).mkdir(QStringLiteral("990101000000.TXT")));
    EXPECT_FALSE(store.read(QStringLiteral("990101000000.TXT")).has_value());
}

TEST_F(SavedTextStoreTest, ReadOfHugeSingleLineFileUsesOnlyTheLimit) {
    SavedTextStore store(folder_);
    const QString name = QStringLiteral("980828153012.TXT");
    put(name,
        QByteArray("x") + encodeSavedText(QString::fromUtf8("あ")).repeated(10 * 1024 * 1024));
    const std::optional<SavedText> text = store.read(name);
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(text->excerpt, u'x' + QString::fromUtf8("あ").repeated(2047) + u"\r\n"_s);
}

TEST_F(SavedTextStoreTest, ReadOfEmptyFile) {
    SavedTextStore store(folder_);
    const QString name = QStringLiteral("980828153012.TXT");
    put(name, QByteArray());
    const std::optional<SavedText> text = store.read(name);
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(text->excerpt, QString());
    const QString line = savedTextListLine(*text);
    EXPECT_TRUE(line.endsWith(QString(100, u' ') + name));
    EXPECT_EQ(savedTextTrayCaption(text->excerpt), QString());
}

TEST_F(SavedTextStoreTest, LongNameHidesAnotherNameInItsListLine) {
    // The last 16 characters of the longer name are the shorter name.
    const QString longName = QStringLiteral("12345678901234567.TXT");
    const QString shortName = QStringLiteral("678901234567.TXT");
    ASSERT_EQ(longName.right(kSavedTextNameLength), shortName);
    put(longName, "long");
    put(shortName, "short");

    SavedTextStore store(folder_);
    QStringList names = store.list().names;
    names.sort();
    EXPECT_EQ(names, (QStringList{longName, shortName}));
    const std::optional<SavedText> text = store.read(longName);
    ASSERT_TRUE(text.has_value());
    const QString listed = nameFromListLine(savedTextListLine(*text));
    EXPECT_EQ(listed, shortName);
    EXPECT_NE(listed, text->name);
}

TEST_F(SavedTextStoreTest, WriteStoresExactBytes) {
    SavedTextStore store(folder_);
    struct Case {
        const char* name;
        const char* text;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"000000000001.TXT", "日本語テキスト",
         bytesOf(
             {0x93, 0xFA, 0x96, 0x7B, 0x8C, 0xEA, 0x83, 0x65, 0x83, 0x4C, 0x83, 0x58, 0x83, 0x67})},
        {"000000000002.TXT", "ｸﾘｯﾌﾟﾎﾞｰﾄﾞ",
         bytesOf({0xB8, 0xD8, 0xAF, 0xCC, 0xDF, 0xCE, 0xDE, 0xB0, 0xC4, 0xDE})},
        {"000000000003.TXT", "①～", bytesOf({0x87, 0x40, 0x81, 0x60})},
        {"000000000004.TXT", "😀", QByteArray("\xEF\xBB\xBF\xF0\x9F\x98\x80")},
        {"000000000005.TXT", "値段は€5", QByteArray("\xEF\xBB\xBF") + QByteArray("値段は€5")},
        {"000000000006.TXT", "", QByteArray()},
    };
    for (const Case& c : cases) {
        const QString name = QString::fromLatin1(c.name);
        const QString text = QString::fromUtf8(c.text);
        ASSERT_TRUE(store.write(name, text)) << c.name;
        EXPECT_EQ(contents(name), c.bytes) << c.name;
        if (!text.isEmpty()) {
            EXPECT_EQ(store.readWhole(name), text) << c.name;
        }
    }
    // No temporary files are left behind.
    EXPECT_EQ(size_t(entries().size()), std::size(cases));
}

TEST_F(SavedTextStoreTest, WriteNeverReplacesOrStrays) {
    SavedTextStore store(folder_);
    const QString name = QStringLiteral("980828153012.TXT");
    const QByteArray original = bytesOf({0x93, 0xFA, 0x00, 0xFF});
    put(name, original);
    EXPECT_FALSE(store.write(name, QStringLiteral("replacement")));
    EXPECT_EQ(contents(name), original);

    ASSERT_TRUE(QFile::link(folder_ + QStringLiteral("/gone"), folder_ + u"/dangling.TXT"_s));
    EXPECT_FALSE(store.write(QStringLiteral("dangling.TXT"), QStringLiteral("x")));

    EXPECT_FALSE(store.write(QStringLiteral("../outside.TXT"), QStringLiteral("x")));
    EXPECT_FALSE(QFile::exists(root_.path() + QStringLiteral("/outside.TXT")));
    EXPECT_FALSE(store.write(QString(), QStringLiteral("x")));
    EXPECT_EQ(entries(), (QStringList{"980828153012.TXT", "dangling.TXT"}));

    const QString nowhere = root_.path() + QStringLiteral("/missing");
    SavedTextStore missing(nowhere);
    EXPECT_FALSE(missing.write(name, QStringLiteral("text")));
    EXPECT_FALSE(QFileInfo::exists(nowhere));
    EXPECT_EQ(QDir(root_.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"Temptext"});
}

TEST_F(SavedTextStoreTest, FreeNameSkipsTakenSeconds) {
    SavedTextStore store(folder_);
    const QDateTime now = at(1998, 8, 28, 15, 30, 12, 400);
    EXPECT_EQ(store.freeName(now), u"980828153012.TXT"_s);

    // Two saves within the same second.
    ASSERT_TRUE(store.write(store.freeName(now), QStringLiteral("first")));
    const QString second = store.freeName(now);
    EXPECT_EQ(second, u"980828153013.TXT"_s);
    ASSERT_TRUE(store.write(second, QStringLiteral("second")));

    // A name taken in another case is taken too, and so is one held by a folder.
    put(QStringLiteral("980828153014.txt"), "lower");
    ASSERT_TRUE(QDir(folder_).mkdir(QStringLiteral("980828153015.TXT")));
    EXPECT_EQ(store.freeName(now), u"980828153016.TXT"_s);

    // Carries over into the next minute, hour and day.
    const QDateTime late = at(1999, 12, 31, 23, 59, 59);
    put(savedTextName(late), "x");
    EXPECT_EQ(store.freeName(late), u"000101000000.TXT"_s);
}

TEST_F(SavedTextStoreTest, ReadWholeNormalizesLineEnds) {
    SavedTextStore store(folder_);
    const struct {
        QByteArray bytes;
        QString whole;
    } cases[] = {
        {"a\r\nb", QStringLiteral("a\r\nb")},
        {"abc\r\n", QStringLiteral("abc")},
        {"abc\r\n\r\n", QStringLiteral("abc\r\n")},
        {"a\rb", QStringLiteral("a\r\nb")},
        {"a\rb\r", QStringLiteral("a\r\nb")},
        {"a\nb", QStringLiteral("a\nb")},
        {"a\n", QStringLiteral("a\n")},
        {"\r\n", QString()},
        {"\r\r", QStringLiteral("\r\n")},
        {encodeSavedText(QString::fromUtf8("日本\r二")), QString::fromUtf8("日本\r\n二")},
        {"\xEF\xBB\xBF" + QByteArray("😀\r\n"), QString::fromUtf8("😀")},
    };
    int i = 0;
    for (const auto& c : cases) {
        const QString name = QString::number(++i) + u".TXT"_s;
        put(name, c.bytes);
        const std::optional<QString> whole = store.readWhole(name);
        ASSERT_TRUE(whole.has_value()) << i;
        EXPECT_EQ(*whole, c.whole) << i;
    }
    // A whole file longer than the excerpt limit comes back whole.
    const QByteArray big = QByteArray("0123456789").repeated(1000);
    put(QStringLiteral("big.TXT"), big + "\r\n");
    EXPECT_EQ(store.readWhole(QStringLiteral("big.TXT")), QString::fromLatin1(big));
}

TEST_F(SavedTextStoreTest, ReadWholeFailures) {
    SavedTextStore store(folder_);
    put(QStringLiteral("empty.TXT"), QByteArray());
    EXPECT_FALSE(store.readWhole(QStringLiteral("empty.TXT")).has_value());
    put(QStringLiteral("mark.TXT"), "\xEF\xBB\xBF");
    EXPECT_FALSE(store.readWhole(QStringLiteral("mark.TXT")).has_value());
    EXPECT_FALSE(store.readWhole(QStringLiteral("000000000000.TXT")).has_value());

    QFile outside(root_.path() + QStringLiteral("/x"));
    ASSERT_TRUE(outside.open(QIODevice::WriteOnly));
    outside.write("secret");
    outside.close();
    EXPECT_FALSE(store.readWhole(QStringLiteral("../x")).has_value());
    EXPECT_FALSE(store.readWhole(QString()).has_value());
    EXPECT_FALSE(store.readWhole(QStringLiteral(".")).has_value());

    ASSERT_TRUE(QDir(folder_).mkdir(QStringLiteral("990101000000.TXT")));
    EXPECT_FALSE(store.readWhole(QStringLiteral("990101000000.TXT")).has_value());
}

TEST_F(SavedTextStoreTest, RemoveOnlyPlainExistingFiles) {
    SavedTextStore store(folder_);
    const QString victim = root_.path() + QStringLiteral("/victim.TXT");
    {
        QFile file(victim);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    EXPECT_FALSE(store.remove(QStringLiteral("../victim.TXT")));
    EXPECT_FALSE(store.remove(QStringLiteral("../../etc/passwd")));
    EXPECT_FALSE(store.remove(QStringLiteral("..")));
    EXPECT_FALSE(store.remove(QString()));
    EXPECT_TRUE(QFile::exists(victim));

    const QString name = QStringLiteral("980828153012.TXT");
    put(name, "x");
    EXPECT_TRUE(store.remove(name));
    EXPECT_FALSE(QFile::exists(store.pathOf(name)));
    EXPECT_FALSE(store.remove(name));

    ASSERT_TRUE(QDir(folder_).mkdir(QStringLiteral("990101000000.TXT")));
    EXPECT_FALSE(store.remove(QStringLiteral("990101000000.TXT")));
    EXPECT_TRUE(QFileInfo(store.pathOf(QStringLiteral("990101000000.TXT"))).isDir());
}
