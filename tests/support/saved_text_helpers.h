#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <initializer_list>
#include <ostream>

// Helpers of the tests that check saved-text files byte for byte.

// Readable failure output for Qt strings.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace tavro::testing {

// An ASCII text of `size` characters, different for each `seed`; its file holds the same bytes.
inline QString textOf(int seed, qsizetype size) {
    QString text(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i) {
        text[i] = QChar(u'a' + char16_t((seed * 7 + i) % 26));
    }
    return text;
}

inline QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// Whether the file at `path` holds exactly the bytes of the ASCII `text`.
inline ::testing::AssertionResult holds(const QString& path, const QString& text) {
    const QByteArray bytes = contents(path);
    if (bytes == text.toLatin1()) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << path.toStdString() << " holds " << bytes.size()
                                         << " bytes, not the " << text.size() << " of its text";
}

// Bytes given by their values, for files in code page 932 and broken ones.
inline QByteArray bytesOf(std::initializer_list<int> values) {
    QByteArray bytes;
    for (int v : values) {
        bytes.append(char(v));
    }
    return bytes;
}

// A test with a Temptext folder of its own inside a temporary folder.
class TempTextFolderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        QStandardPaths::setTestModeEnabled(true);
        ASSERT_TRUE(root_.isValid());
        folder_ = root_.path() + QStringLiteral("/Temptext");
        ASSERT_TRUE(QDir().mkpath(folder_));
    }

    QString path(const QString& name) const { return folder_ + u'/' + name; }

    void put(const QString& name, const QByteArray& bytes) const {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }

    QTemporaryDir root_;
    QString folder_;
};

// Every entry of a folder, hidden ones included, by name.
inline QStringList entriesOf(const QString& folder) {
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

}  // namespace tavro::testing
