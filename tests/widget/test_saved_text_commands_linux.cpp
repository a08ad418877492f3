// Saved texts on Linux only: a file that opens but can't be read, made from /sys.
#include <QDir>

#include "form1_fixture.h"

using SavedTextCommandsLinuxTest = Form1Test;

TEST_F(SavedTextCommandsLinuxTest, FileThatCannotBeReadIsSkippedAndTheRestLoads) {
    writeSaved(QStringLiteral("980101000001.TXT"), QByteArrayLiteral("one"));
    writeSaved(QStringLiteral("980101000003.TXT"), QByteArrayLiteral("three"));
    // A regular file of 4,096 bytes whose every read fails (with EINVAL), even for root.
    const QString unreadable = QStringLiteral("/sys/class/net/lo/speed");
    {
        QFile probe(unreadable);
        char byte = 0;
        if (!probe.open(QIODevice::ReadOnly | QIODevice::Unbuffered) || probe.read(&byte, 1) >= 0) {
            GTEST_SKIP() << unreadable.toStdString()
                         << " is missing or readable here: no file to fail every read";
        }
    }
    ASSERT_TRUE(QFile::link(unreadable, savedPath(QStringLiteral("980101000002.TXT"))));
    // Neither a folder nor a name that is no number is a saved text.
    ASSERT_TRUE(QDir(tempText()).mkdir(QStringLiteral("123.TXT")));
    writeSaved(QStringLiteral("memo.TXT"), QByteArrayLiteral("memo"));
    tavro::Form1& f = makeForm();

    ASSERT_EQ(f.Lsttext->count(), 2);
    EXPECT_TRUE(f.Lsttext->line(0).endsWith(QStringLiteral("980101000001.TXT")));
    EXPECT_TRUE(f.Lsttext->line(1).endsWith(QStringLiteral("980101000003.TXT")));
    ASSERT_EQ(f.T_rireki->ubound(), 1);
    EXPECT_EQ(f.T_rireki->caption(0), QStringLiteral("one\r\n"));
    EXPECT_EQ(f.T_rireki->caption(1), QStringLiteral("three\r\n"));
    f.T_rireki_Click(1);
    EXPECT_EQ(clipboardText(), QStringLiteral("three"));
    // The unreadable file is no text to recall either.
    f.Setclip(QStringLiteral("980101000002.TXT"));
    EXPECT_EQ(messages, QStringList{tavro::kOperationFailedMessage});
    EXPECT_EQ(clipboardText(), QStringLiteral("three"));
}
