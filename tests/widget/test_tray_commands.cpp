// Commands from the tray run one at a time, however many clicks a tray (or a D-Bus client)
// sends meanwhile; and the open tray menu keeps answering while the clipboard changes fast.
#include <QCursor>
#include <QSignalSpy>

#include "app_fixture.h"

TEST_F(AppTest, TrayCommandsNeverNestAndRepeatsAreDropped) {
    startApp();
    copyText(QStringLiteral("kept"));
    // A saved-text entry whose file is gone fails with a message box. While that box is open,
    // the tray sends the same click again and again, then other commands.
    QStringList ran;
    tavro::setMessageSink([&](const QString& text) {
        ran.append(text.left(4));
        if (ran.size() > 1) {
            return;
        }
        for (int i = 0; i < 2000; ++i) {
            choose(QStringLiteral("savedTextEntry0"));
        }
        choose(QStringLiteral("historyEntry0"));
        choose(QStringLiteral("historyEntry0"));
    });
    QObject::connect(&app->history(), &QAbstractItemModel::rowsInserted,
                     [&] { ran.append(app->history().entryText(0)); });
    choose(QStringLiteral("savedTextEntry0"));
    // One box; the recall that came during it ran once, after the box was closed.
    EXPECT_EQ(ran, (QStringList{QStringLiteral("ひょっと"), QStringLiteral("kept")}));

    // Right-clicks that arrive while a right-click lets pending events through are dropped:
    // the menu opens once and the stack never grows with the number of clicks.
    QSignalSpy shown(&app->trayMenu(), &QMenu::aboutToShow);
    for (int i = 0; i < 20000; ++i) {
        QMetaObject::invokeMethod(app.get(), &tavro::Application::trayRightButtonDown,
                                  Qt::QueuedConnection);
    }
    app->trayRightButtonDown();
    QCoreApplication::processEvents();
    EXPECT_EQ(shown.count(), 1);
    app->trayMenu().hide();
}

TEST_F(AppTest, TheOpenTrayMenuFollowsTheHistoryAtMostEveryFiftyMilliseconds) {
    startApp();
    copyText(QStringLiteral("before"));
    app->trayMenu().popup(QCursor::pos());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&app->trayMenu()));
    int layouts = 0;
    struct ActionChanges : QObject {
        int* count;
        explicit ActionChanges(int* counter) : count(counter) {}
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::ActionChanged || event->type() == QEvent::ActionAdded) {
                ++*count;
            }
            return false;
        }
    } counter(&layouts);
    app->trayMenu().installEventFilter(&counter);
    for (int i = 0; i < 100; ++i) {
        copyText(QStringLiteral("change %1").arg(i));
    }
    // A hundred changes made no entry change while the menu was open ...
    EXPECT_EQ(layouts, 0);
    EXPECT_EQ(caption(trayEntries(QStringLiteral("historyEntry")).at(0)),
              QStringLiteral("15:30:12 | before"));
    // ... the menu shows the history as it is a moment later, and at once when it closes.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return visibleTrayCaptions(QStringLiteral("historyEntry")).value(0) ==
                   QStringLiteral("15:30:12 | change 99");
        },
        1000));
    copyText(QStringLiteral("last"));
    app->trayMenu().hide();
    EXPECT_EQ(visibleTrayCaptions(QStringLiteral("historyEntry")).value(0),
              QStringLiteral("15:30:12 | last"));
    EXPECT_EQ(visibleTrayCaptions(QStringLiteral("historyEntry")).size(), 13);
}
