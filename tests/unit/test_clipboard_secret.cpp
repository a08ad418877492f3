#include <gtest/gtest.h>

#include <QMap>

#include "core/clipboard_secret.h"

using namespace tavro;

namespace {

QString windowsFormat(const char* name) {
    return QStringLiteral("application/x-qt-windows-mime;value=\"%1\"").arg(QLatin1String(name));
}

QByteArray dword(quint32 value) {
    QByteArray bytes(4, '\0');
    for (int i = 0; i < 4; ++i) {
        bytes[i] = char((value >> (8 * i)) & 0xff);
    }
    return bytes;
}

}  // namespace

TEST(ClipboardSecret, MarksOfBothPlatforms) {
    const QString hint = QString::fromLatin1(kPasswordManagerHintFormat);
    const QString history = windowsFormat("CanIncludeInClipboardHistory");
    struct Case {
        const char* what;
        QStringList formats;
        QMap<QString, QByteArray> values;  // a format missing here can't be read
        SecretMark expected;
    };
    const Case cases[] = {
        {"plain text", {"text/plain"}, {}, SecretMark::None},
        {"X11 hint holding secret", {"text/plain", hint}, {{hint, "secret"}}, SecretMark::Secret},
        {"the hint with a NUL after it",
         {hint},
         {{hint, QByteArray("secret\0", 7)}},
         SecretMark::Secret},
        {"the hint holding something else",
         {"text/plain", hint},
         {{hint, "public"}},
         SecretMark::None},
        {"a hint that can't be read", {"text/plain", hint}, {}, SecretMark::Unknown},
        {"Windows: excluded from monitors",
         {"text/plain", windowsFormat("ExcludeClipboardContentFromMonitorProcessing")},
         {},
         SecretMark::Secret},
        {"Windows: viewers told to ignore",
         {windowsFormat("Clipboard Viewer Ignore")},
         {},
         SecretMark::Secret},
        {"Windows format names ignore case",
         {QStringLiteral("application/x-qt-windows-mime;value=\"clipboard viewer ignore\"")},
         {},
         SecretMark::Secret},
        {"Windows: not for the history",
         {"text/plain", history},
         {{history, dword(0)}},
         SecretMark::Secret},
        {"Windows: allowed in the history",
         {"text/plain", history},
         {{history, dword(1)}},
         SecretMark::None},
        {"Windows: a short permission value",
         {history},
         {{history, QByteArray("\0\0", 2)}},
         SecretMark::Unknown},
        {"a name that only contains a mark",
         {windowsFormat("Clipboard Viewer Ignored")},
         {},
         SecretMark::None},
        {"a secret wins over an allowed one",
         {history, hint},
         {{history, dword(1)}, {hint, "secret"}},
         SecretMark::Secret},
    };
    for (const Case& c : cases) {
        QStringList read;
        const SecretMark mark =
            clipboardSecretMark(c.formats, [&](const QString& format) -> std::optional<QByteArray> {
                read.append(format);
                const auto found = c.values.constFind(format);
                if (found == c.values.constEnd()) {
                    return std::nullopt;
                }
                return found.value();
            });
        EXPECT_EQ(mark, c.expected) << c.what;
        // Only the marks' own values are ever read, never the content.
        for (const QString& format : read) {
            EXPECT_TRUE(format == hint || format == history)
                << c.what << ": read " << qPrintable(format);
        }
    }
}
