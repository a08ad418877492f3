#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <ostream>

#include "shell/toolkit.h"
#include "ui/form1.h"
#include "ui/text_list.h"

// Readable failure output for Qt strings.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

// A main window started in its own temporary program folder, with a clock the test sets and
// message boxes recorded instead of shown.
class Form1Test : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        tavro::setMessageSink([this](const QString& text) { messages.append(text); });
        QApplication::clipboard()->clear();
    }

    void TearDown() override {
        form.reset();
        tavro::setMessageSink({});
    }

    // Creates the window; `start` also runs the start-up steps.
    tavro::Form1& makeForm(bool start = true, bool tray = true) {
        tavro::Form1::Options options;
        options.programFolder = folder.path();
        options.clock = [this] { return now; };
        options.trayAvailable = tray;
        form = std::make_unique<tavro::Form1>(options);
        if (start) {
            EXPECT_TRUE(form->Form_Load());
        }
        return *form;
    }

    // Shows the window and makes it the active window, as a left click on the tray does.
    void showActive() {
        form->Maintext_Click();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }

    QStringList lines(const tavro::TextList* list) const {
        QStringList result;
        for (int i = 0; i < list->count(); ++i) {
            result.append(list->line(i));
        }
        return result;
    }

    QString tempText() const { return folder.path() + QStringLiteral("/Temptext"); }

    QTemporaryDir folder;
    QDateTime now{QDate(1998, 8, 28), QTime(15, 30, 12)};
    QStringList messages;
    std::unique_ptr<tavro::Form1> form;

    // ---- helpers of the command tests ----

    // A clipboard change, as another program copying a text makes it.
    static void copyText(const QString& text) { QApplication::clipboard()->setText(text); }
    static QString clipboardText() { return QApplication::clipboard()->text(); }

    // A file of the saved-text folder, written or read byte for byte.
    QString savedPath(const QString& name) const { return tempText() + QLatin1Char('/') + name; }
    void writeSaved(const QString& name, const QByteArray& bytes) const {
        QDir().mkpath(tempText());
        QFile file(savedPath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << name.toStdString();
        ASSERT_EQ(file.write(bytes), bytes.size());
    }
    QByteArray savedBytes(const QString& name) const {
        QFile file(savedPath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QStringList savedNames() const {
        return QDir(tempText()).entryList(QDir::Files | QDir::System, QDir::Name);
    }

    // The indexes of the focus markers shown now.
    QList<int> shownMarkers() const {
        QList<int> shown;
        for (int i = 0; i < 5; ++i) {
            if (form->markerShown(i)) {
                shown.append(i);
            }
        }
        return shown;
    }
};
