// The Windows clipboard as the program meets it: Qt's windows platform on a real (Wine)
// desktop. Another program's writes are made with the Win32 calls any program uses.
#include <windows.h>

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstring>
#include <vector>

#include <QAction>

#include "app/application.h"
#include "core/clipboard_formats.h"
#include "core/history_model.h"
#include "platform/clipboard_monitor.h"
#include "ui/main_window.h"
#include "ui/message_box.h"

using namespace tavro;

namespace {

constexpr int kWaitMs = 10000;

HGLOBAL globalCopy(const void* data, size_t size) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    if (memory != nullptr) {
        std::memcpy(GlobalLock(memory), data, size);
        GlobalUnlock(memory);
    }
    return memory;
}

// Puts `text` on the clipboard as another program does, with further registered formats.
struct ExtraFormat {
    const wchar_t* name;
    QByteArray data;
};
void writeAsAnotherProgram(const QString& text, const std::vector<ExtraFormat>& extras = {}) {
    // The clipboard may be held for a moment by whoever reads it.
    ASSERT_TRUE(QTest::qWaitFor([] { return OpenClipboard(nullptr) != 0; }, kWaitMs));
    EmptyClipboard();
    SetClipboardData(CF_UNICODETEXT, globalCopy(text.utf16(), (text.size() + 1) * sizeof(wchar_t)));
    for (const ExtraFormat& extra : extras) {
        SetClipboardData(
            RegisterClipboardFormatW(extra.name),
            globalCopy(extra.data.constData(), std::max<size_t>(1, extra.data.size())));
    }
    ASSERT_TRUE(CloseClipboard());
}

QByteArray dword(quint32 value) {
    return QByteArray(reinterpret_cast<const char*>(&value), sizeof value);
}

// The clipboard's text as another program reads it: CF_UNICODETEXT up to its first NUL.
QString readAsAnotherProgram() {
    QString text;
    if (!QTest::qWaitFor([] { return OpenClipboard(nullptr) != 0; }, kWaitMs)) {
        ADD_FAILURE() << "the clipboard never came free";
        return text;
    }
    if (const HANDLE block = GetClipboardData(CF_UNICODETEXT)) {
        const auto* units = static_cast<const char16_t*>(GlobalLock(block));
        const auto* end = std::find(units, units + GlobalSize(block) / 2, u'\0');
        text = QString(reinterpret_cast<const QChar*>(units), end - units);
        GlobalUnlock(block);
    }
    CloseClipboard();
    return text;
}

// The platform's monitor, started, with every change it reports.
struct ReportedChanges {
    std::unique_ptr<ClipboardMonitor> monitor = createClipboardMonitor();
    std::vector<ClipboardChange> changes;

    ReportedChanges() {
        QObject::connect(monitor.get(), &ClipboardMonitor::changed,
                         [this](const ClipboardChange& change) { changes.push_back(change); });
        monitor->start();
    }
    bool lastTextIs(const QString& text) {
        return QTest::qWaitFor([&] { return !changes.empty() && changes.back().text == text; },
                               kWaitMs);
    }
};

}  // namespace

TEST(WindowsClipboard, EachWriteIsReportedOnceOwnWritesWithTheirText) {
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("windows"));
    std::unique_ptr<ClipboardMonitor> monitor = createClipboardMonitor();
    std::vector<ClipboardChange> changes;
    QObject::connect(monitor.get(), &ClipboardMonitor::changed,
                     [&](const ClipboardChange& change) { changes.push_back(change); });
    monitor->start();
    auto reported = [&](size_t count) {
        return QTest::qWaitFor([&] { return changes.size() >= count; }, kWaitMs);
    };

    writeAsAnotherProgram(QStringLiteral("他のプログラム"));
    ASSERT_TRUE(reported(1));
    // The program's own write is reported after it returns, once: the next report is the
    // next program's write, and no second report of the own write comes in between.
    monitor->setText(QStringLiteral("自分の書き込み①～"));
    ASSERT_TRUE(reported(2));
    writeAsAnotherProgram(QStringLiteral("次のプログラム"));
    ASSERT_TRUE(reported(3));
    monitor->setText(QStringLiteral("two"));
    ASSERT_TRUE(reported(4));
    monitor->setText(QStringLiteral("in a row"));
    ASSERT_TRUE(reported(5));
    writeAsAnotherProgram(QStringLiteral("last"));
    ASSERT_TRUE(reported(6));

    const QStringList expected = {
        QStringLiteral("他のプログラム"), QStringLiteral("自分の書き込み①～"),
        QStringLiteral("次のプログラム"), QStringLiteral("two"),
        QStringLiteral("in a row"),       QStringLiteral("last")};
    ASSERT_EQ(changes.size(), size_t(expected.size()));
    for (int i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(changes[i].kind, ClipboardChange::Kind::Content) << i;
        EXPECT_EQ(changes[i].formatMask, kFormatText) << i;
        ASSERT_TRUE(changes[i].text.has_value()) << i;
        EXPECT_EQ(*changes[i].text, expected[i]) << i;
    }
    // Another program reads the own write as it was put there.
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("last"));
}

TEST(WindowsClipboard, ContentMarkedSecretIsNeverRead) {
    std::unique_ptr<ClipboardMonitor> monitor = createClipboardMonitor();
    std::vector<ClipboardChange> changes;
    QObject::connect(monitor.get(), &ClipboardMonitor::changed,
                     [&](const ClipboardChange& change) { changes.push_back(change); });
    monitor->start();

    const struct {
        std::vector<ExtraFormat> markers;
        bool secret;
    } cases[] = {
        {{{L"ExcludeClipboardContentFromMonitorProcessing", QByteArray()}}, true},
        {{{L"Clipboard Viewer Ignore", QByteArray()}}, true},
        {{{L"CanIncludeInClipboardHistory", dword(0)}}, true},
        {{{L"CanIncludeInClipboardHistory", dword(1)}}, false},
        {{}, false},
    };
    size_t count = 0;
    for (const auto& c : cases) {
        writeAsAnotherProgram(QStringLiteral("password %1").arg(count), c.markers);
        ++count;
        ASSERT_TRUE(QTest::qWaitFor([&] { return changes.size() >= count; }, kWaitMs)) << count;
        const ClipboardChange& change = changes.back();
        if (c.secret) {
            EXPECT_EQ(change.kind, ClipboardChange::Kind::Secret) << count;
            EXPECT_FALSE(change.text.has_value()) << count;
        } else {
            EXPECT_EQ(change.kind, ClipboardChange::Kind::Content) << count;
            EXPECT_EQ(change.text, QStringLiteral("password %1").arg(count - 1)) << count;
        }
    }
    EXPECT_EQ(changes.size(), count);
}

TEST(WindowsClipboard, RecallMakesExactlyOneHistoryEntry) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QStringList messages;
    setMessageSink([&](const QString& text) { messages.append(text); });
    Application::Options options;
    options.programFolder = folder.path();
    options.trayAvailable = true;
    auto app = std::make_unique<Application>(options);
    ASSERT_TRUE(app->start());
    const HistoryModel& history = app->history();
    auto entries = [&] {
        QStringList texts;
        for (int i = 0; i < history.rowCount(); ++i) {
            texts.append(history.entryText(i));
        }
        return texts;
    };
    auto entryCount = [&](int count) {
        return QTest::qWaitFor([&] { return history.rowCount() >= count; }, kWaitMs);
    };

    writeAsAnotherProgram(QStringLiteral("一つ目"));
    ASSERT_TRUE(entryCount(1));
    writeAsAnotherProgram(QStringLiteral("二つ目"));
    ASSERT_TRUE(entryCount(2));
    // Recalling the older entry from the tray menu adds it once more, as the newest entry.
    app->window().findChild<QAction*>(QStringLiteral("historyEntry1"))->trigger();
    ASSERT_TRUE(entryCount(3));
    writeAsAnotherProgram(QStringLiteral("三つ目"));
    ASSERT_TRUE(entryCount(4));
    EXPECT_EQ(entries(), (QStringList{QStringLiteral("三つ目"), QStringLiteral("一つ目"),
                                      QStringLiteral("二つ目"), QStringLiteral("一つ目")}));
    EXPECT_TRUE(messages.isEmpty());
    app.reset();
    setMessageSink({});
}

TEST(WindowsClipboard, TextsCrossTheClipboardUnchangedBothWays) {
    ReportedChanges reported;
    const struct {
        const char* what;
        QString written;
        QString read;  // by the history, and by other programs
    } cases[] = {
        {"CR LF", QStringLiteral("CRLF行A\r\nCRLF行B\r\n"),
         QStringLiteral("CRLF行A\r\nCRLF行B\r\n")},
        {"lone LF", QStringLiteral("一行目\n二行目"), QStringLiteral("一行目\n二行目")},
        {"lone CR", QStringLiteral("a\rb\r"), QStringLiteral("a\rb\r")},
        {"NUL inside: the text ends there", QStringView(u"前半\0後半", 5).toString(),
         QStringLiteral("前半")},
        {"Japanese, an emoji", QStringLiteral("こんにちは ｶﾀｶﾅ①～😀"),
         QStringLiteral("こんにちは ｶﾀｶﾅ①～😀")},
        {"a leading byte-order mark", QStringLiteral("\uFEFFmark"), QStringLiteral("\uFEFFmark")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const size_t before = reported.changes.size();
        writeAsAnotherProgram(c.written);
        ASSERT_TRUE(reported.lastTextIs(c.read));
        // The program's own write, as a recall makes it.
        reported.monitor->setText(c.written);
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return reported.changes.size() >= before + 2; }, kWaitMs));
        EXPECT_EQ(reported.changes.back().text, c.read);
        EXPECT_EQ(readAsAnotherProgram(), c.read);
        EXPECT_EQ(reported.changes.size(), before + 2);
    }
}

TEST(WindowsClipboard, EachCopyOfABurstIsReportedOnceNeverWithAnotherCopysText) {
    ReportedChanges reported;
    constexpr int kCopies = 100;
    constexpr int kOwnWrite = 50;
    auto textOf = [](int i) { return QStringLiteral("copy %1").arg(i); };
    // Back to back, as fast as the clipboard lets another program write; one of them is the
    // program's own.
    for (int i = 0; i < kCopies; ++i) {
        if (i == kOwnWrite) {
            reported.monitor->setText(textOf(i));
        } else {
            writeAsAnotherProgram(textOf(i));
        }
    }
    // The last copy stays on the clipboard, so its text is read; a change after the burst
    // shows that nothing of the burst is still on its way.
    ASSERT_TRUE(reported.lastTextIs(textOf(kCopies - 1)));
    writeAsAnotherProgram(QStringLiteral("after"));
    ASSERT_TRUE(reported.lastTextIs(QStringLiteral("after")));

    ASSERT_EQ(reported.changes.size(), size_t(kCopies + 1));
    for (int i = 0; i < kCopies; ++i) {
        const ClipboardChange& change = reported.changes[size_t(i)];
        EXPECT_EQ(change.kind, ClipboardChange::Kind::Content) << i;
        if (change.text) {
            EXPECT_EQ(*change.text, textOf(i)) << i;
        } else {
            // Overwritten before it could be read: a failed read, which takes no text.
            EXPECT_FALSE(takesClipboardText(change.formatMask)) << i;
        }
    }
    EXPECT_EQ(reported.changes[kOwnWrite].text, textOf(kOwnWrite));
}
