#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "shell/toolkit.h"
#include "ui/form1.h"
#include "ui/text_list.h"

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
};
