#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <ostream>

#include "app/application.h"
#include "core/history_model.h"
#include "core/saved_text_model.h"
#include "ui/main_window.h"
#include "ui/message_box.h"
#include "ui/text_list_view.h"
#include "ui/tray_menu.h"

// Readable failure output for Qt strings.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

// The program started in its own temporary program folder, with a clock the test sets and
// message boxes recorded instead of shown. Tests reach the window's controls and the menus'
// entries by their object names and act through them: clicks, keys, the entries' actions.
class AppTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        tavro::setMessageSink([this](const QString& text) { messages.append(text); });
        QApplication::clipboard()->clear();
    }

    void TearDown() override {
        app.reset();
        tavro::setMessageSink({});
    }

    // Creates the program; `start` also runs the start-up.
    tavro::Application& startApp(bool start = true, bool tray = true,
                                 std::chrono::milliseconds trayReturnWait = std::chrono::hours(1)) {
        tavro::Application::Options options;
        options.programFolder = folder.path();
        options.clock = [this] { return now; };
        options.trayAvailable = tray;
        options.trayReturnWait = trayReturnWait;
        app = std::make_unique<tavro::Application>(options);
        if (start) {
            EXPECT_TRUE(app->start());
        }
        return *app;
    }

    tavro::MainWindow& window() const { return app->window(); }

    // A control of the main window (or of a menu of it) by its object name.
    template <typename Control = QWidget>
    Control* control(const QString& name) const {
        auto* found = window().findChild<Control*>(name);
        EXPECT_NE(found, nullptr) << name.toStdString();
        return found;
    }
    QPushButton* button(const QString& name) const { return control<QPushButton>(name); }
    QLabel* label(const QString& name) const { return control<QLabel>(name); }
    tavro::TextListView* historyList() const {
        return control<tavro::TextListView>(QStringLiteral("historyList"));
    }
    tavro::TextListView* savedTextList() const {
        return control<tavro::TextListView>(QStringLiteral("savedTextList"));
    }
    QAction* action(const QString& name) const { return control<QAction>(name); }

    // Chooses an entry of a menu as a person does, through its action.
    void choose(const QString& actionName) const { action(actionName)->trigger(); }
    // Runs a label button's command from its push button, as the keyboard does.
    void press(const QString& buttonName) const { button(buttonName)->click(); }

    // The lines a list shows (its model's display text), top first.
    static QStringList lines(const tavro::TextListView* list) {
        QStringList result;
        for (int row = 0; row < list->model()->rowCount(); ++row) {
            result.append(list->model()->index(row, 0).data().toString());
        }
        return result;
    }
    static int count(const tavro::TextListView* list) { return list->model()->rowCount(); }

    // A run of tray entries ("historyEntry" or "savedTextEntry"), in menu order.
    QList<QAction*> trayEntries(const QString& run) const {
        QList<QAction*> entries;
        for (QAction* entry : app->trayMenu().actions()) {
            if (entry->objectName().startsWith(run)) {
                entries.append(entry);
            }
        }
        return entries;
    }
    // The caption the program gave a tray entry (the menu draws line breaks as a mark).
    static QString caption(const QAction* entry) { return entry->data().toString(); }
    QStringList visibleTrayCaptions(const QString& run) const {
        QStringList captions;
        for (const QAction* entry : trayEntries(run)) {
            if (entry->isVisible()) {
                captions.append(caption(entry));
            }
        }
        return captions;
    }

    // Whether the focus marker of a label button ("ok", "saveEntry", "recallText",
    // "deleteText", "clearHistory") shows.
    bool markerShown(const QString& labelButton) const {
        return !label(labelButton + QStringLiteral("Marker"))->isHidden();
    }
    // The label buttons whose marker shows.
    QStringList shownMarkers() const {
        QStringList shown;
        for (const char* name : {"ok", "saveEntry", "recallText", "deleteText", "clearHistory"}) {
            if (markerShown(QString::fromLatin1(name))) {
                shown.append(QString::fromLatin1(name));
            }
        }
        return shown;
    }

    // Shows the window and makes it the active window, as a left click on the tray does.
    void showActive() {
        app->showWindow();
        window().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window()));
    }

    QString tempText() const { return folder.path() + QStringLiteral("/Temptext"); }

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

    QTemporaryDir folder;
    QDateTime now{QDate(1998, 8, 28), QTime(15, 30, 12)};
    QStringList messages;
    std::unique_ptr<tavro::Application> app;
};
