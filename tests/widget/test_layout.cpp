// The main window as built and as started: names, geometry, stacking, captions, menus, and the
// start-up and shutdown around it.
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>
#include <QSystemTrayIcon>
#include <tuple>

#include "app/clipboard_recorder.h"
#include "app_fixture.h"
#include "platform/clipboard_monitor.h"
#include "platform/single_instance.h"
#include "platform/tray_icon.h"
#include "ui/twips.h"

using tavro::twipsRect;

namespace {

const char* const kLabelButtonNames[] = {"ok", "saveEntry", "recallText", "deleteText",
                                         "clearHistory"};
const QString kAlreadyRunning = QStringLiteral("既に起動されています");

// Names of a container's child widgets, front first.
QStringList frontToBack(const QWidget* container) {
    QStringList names;
    for (const QObject* child : container->children()) {
        const auto* widget = qobject_cast<const QWidget*>(child);
        if (widget != nullptr && !widget->isWindow() && !widget->objectName().isEmpty() &&
            !widget->objectName().startsWith(QLatin1String("qt_"))) {
            names.prepend(widget->objectName());
        }
    }
    return names;
}

// A menu's title, then its entries as name=text.
QStringList entryNames(const QMenu* menu) {
    QStringList names{menu->title()};
    for (const QAction* action : menu->actions()) {
        names.append(action->objectName() + QLatin1Char('=') +
                     (action->isSeparator() ? QStringLiteral("-") : action->text()));
    }
    return names;
}

QColor colour(const QWidget* widget, QPalette::ColorRole role = QPalette::Window) {
    return widget->palette().color(role);
}

}  // namespace

class WindowLayoutTest : public AppTest {
  protected:
    // The program made for another program folder (not started).
    std::unique_ptr<tavro::Application> programIn(const QString& programFolder, bool tray) {
        tavro::Application::Options options;
        options.programFolder = programFolder;
        options.clock = [this] { return now; };
        options.trayAvailable = tray;
        return std::make_unique<tavro::Application>(options);
    }
    QWidget* labelButtonPart(const char* name, const char* part) const {
        return control(QString::fromLatin1(name) + QString::fromLatin1(part));
    }
};

TEST_F(WindowLayoutTest, ControlsSitWhereTheLayoutPutsThemInFrontToBackOrder) {
    startApp(false);
    struct Expected {
        const char* name;
        int left, top, width, height;
    };
    const std::vector<Expected> inWindow = {
        {"focusParkButton", 6270, 5310, 555, 435},   {"saveEntryButton", 4680, 2220, 2200, 345},
        {"recallTextButton", 4860, 2880, 2200, 345}, {"clearHistoryButton", 5850, 3450, 1125, 345},
        {"deleteTextButton", 5250, 150, 885, 345},   {"okButton", 6135, 150, 885, 345},
        {"historyList", 90, 3270, 4335, 2370},       {"textPanel", 0, 0, 4520, 5805},
        {"creditsLabel", 660, 5880, 3105, 180},      {"creditsShadow", 690, 5880, 3105, 180},
    };
    // clang-format off
    const std::vector<Expected> inPanel = {
        {"savedTextList", 60, 600, 4335, 2190},       {"clearHistoryCaption", 3810, 2940, 345, 165},
        {"dateHeader", 60, 420, 1035, 195},           {"textHeader", 1110, 420, 3285, 195},
        {"okCaption", 3900, 75, 345, 165},            {"okFace", 3570, 45, 855, 225},
        {"okMarker", 3540, 15, 915, 285},             {"saveEntryCaption", 120, 2940, 1395, 165},
        {"saveEntryFace", 60, 2910, 1695, 225},       {"saveEntryMarker", 30, 2880, 1755, 285},
        {"recallTextCaption", 1830, 2940, 1575, 165}, {"recallTextFace", 1800, 2910, 1695, 225},
        {"recallTextMarker", 1770, 2880, 1755, 285},  {"deleteTextCaption", 2910, 75, 465, 165},
        {"deleteTextFace", 2670, 45, 855, 225},       {"deleteTextMarker", 2640, 15, 915, 285},
        {"topBar", 0, 0, 4845, 335},                  {"clearHistoryFace", 3540, 2910, 855, 225},
        {"clearHistoryMarker", 3510, 2880, 915, 285}, {"middleBar", 30, 2850, 4395, 345},
    };
    // clang-format on
    for (const auto& [container, table] :
         {std::pair<QWidget*, std::vector<Expected>>{&window(), inWindow},
          {control("textPanel"), inPanel}}) {
        QStringList expectedOrder;
        for (const Expected& e : table) {
            expectedOrder.append(QString::fromLatin1(e.name));
            const auto* widget = container->findChild<QWidget*>(QString::fromLatin1(e.name),
                                                                Qt::FindDirectChildrenOnly);
            ASSERT_NE(widget, nullptr) << e.name;
            EXPECT_EQ(widget->geometry(), twipsRect(e.left, e.top, e.width, e.height)) << e.name;
        }
        EXPECT_EQ(frontToBack(container), expectedOrder);
    }
    // A marker is exactly two pixels (30 twips) larger than its face on every side.
    for (const char* name : kLabelButtonNames) {
        EXPECT_EQ(labelButtonPart(name, "Marker")->geometry(),
                  labelButtonPart(name, "Face")->geometry().adjusted(-2, -2, 2, 2))
            << name;
    }
}

TEST_F(WindowLayoutTest, KeyControlsHaveTheirPixelRectanglesAtFifteenTwipsAPixel) {
    // Worked out by hand from the twip layout (rounded to the nearest pixel), so a wrong
    // conversion fails here even where the table above converts with the same helper.
    startApp(false);
    const std::pair<const char*, QRect> expected[] = {
        {"textPanel", QRect(0, 0, 301, 387)},        {"historyList", QRect(6, 218, 289, 158)},
        {"savedTextList", QRect(4, 40, 289, 146)},   {"topBar", QRect(0, 0, 323, 22)},
        {"okMarker", QRect(236, 1, 61, 19)},         {"okFace", QRect(238, 3, 57, 15)},
        {"saveEntryCaption", QRect(8, 196, 93, 11)}, {"creditsLabel", QRect(44, 392, 207, 12)},
        {"okButton", QRect(409, 10, 59, 23)},
    };
    for (const auto& [name, rect] : expected) {
        EXPECT_EQ(control(QString::fromLatin1(name))->geometry(), rect) << name;
    }
    ASSERT_TRUE(app->start());
    EXPECT_EQ(window().size(), QSize(301, 409));
}

TEST_F(WindowLayoutTest, CaptionsColoursAndFontsOfTheWindow) {
    startApp(false);
    const tavro::MainWindow& w = window();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Tavro!"));
    EXPECT_EQ(w.size(), tavro::twipsSize(7095, 6750));
    EXPECT_EQ(w.minimumSize(), w.maximumSize());
    EXPECT_FALSE(w.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(w.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(w.windowIcon().isNull());
    EXPECT_EQ(colour(&w), QColor(0, 0, 0));
    EXPECT_EQ(colour(control("textPanel")), QColor(220, 222, 194));

    // Each label button: its caption, and the text of the push button behind it.
    const std::tuple<const char*, QString, QString> labelButtons[] = {
        {"ok", QStringLiteral("OK"), QStringLiteral("ＯＫ")},
        {"saveEntry", QStringLiteral("   ↑ﾃｷｽﾄに追加"), QStringLiteral("↑　ﾃｷｽﾄ追加")},
        {"recallText", QStringLiteral("↓ｸﾘｯﾌﾟﾎﾞｰﾄﾞに追加"), QStringLiteral("↓　ｸﾘｯﾌﾟﾎﾞｰﾄﾞ追加")},
        {"deleteText", QStringLiteral("削除"), QStringLiteral("↓　削除")},
        {"clearHistory", QStringLiteral("ｸﾘｱ"), QStringLiteral("クリア")},
    };
    for (const auto& [name, captionText, buttonText] : labelButtons) {
        const auto* caption = static_cast<QLabel*>(labelButtonPart(name, "Caption"));
        EXPECT_EQ(caption->text(), captionText);
        EXPECT_EQ(static_cast<QPushButton*>(labelButtonPart(name, "Button"))->text(), buttonText);
        EXPECT_EQ(colour(labelButtonPart(name, "Face")), QColor(115, 114, 70)) << name;
        EXPECT_EQ(colour(labelButtonPart(name, "Marker")), QColor(255, 255, 255)) << name;
        // The text lies 30 twips below the top of its face.
        EXPECT_EQ(caption->y() - labelButtonPart(name, "Face")->y(), 2) << name;
    }
    EXPECT_EQ(button("focusParkButton")->text(), QStringLiteral("ダ"));
    EXPECT_EQ(label("dateHeader")->text(), QStringLiteral("  更新日付"));
    EXPECT_EQ(label("textHeader")->text(), QStringLiteral("                   ﾃｷｽﾄ内容"));
    EXPECT_EQ(colour(label("dateHeader")), QColor(71, 108, 158));
    EXPECT_EQ(colour(label("textHeader")), QColor(131, 124, 114));

    // The credits line: white text with an orange copy 30 twips to the right behind it.
    const QLabel* credits = label("creditsLabel");
    EXPECT_EQ(label("creditsShadow")->text(), credits->text());
    EXPECT_FALSE(credits->text().isEmpty());
    EXPECT_EQ(colour(credits, QPalette::WindowText), QColor(255, 255, 255));
    EXPECT_EQ(colour(label("creditsShadow"), QPalette::WindowText), QColor(220, 128, 3));
    EXPECT_TRUE(credits->font().bold());
    EXPECT_TRUE(credits->font().families().contains(QStringLiteral("IPAPGothic")));
}

TEST_F(WindowLayoutTest, MenusHoldEveryEntryInOrderAndStayHidden) {
    startApp(false);
    const QMenu& tray = app->trayMenu();
    EXPECT_EQ(entryNames(&tray),
              (QStringList{"コマンド", "savedTextHeading=【ﾃｷｽﾄ履歴】", "savedTextEntry0=ﾃｷｽﾄ履歴",
                           "savedTextSeparator=-", "historyHeading=【ｸﾘｯﾌﾟﾎﾞｰﾄﾞ履歴】",
                           "historyEntry0=履歴", "historySeparator=-", "clearHistoryAction=履歴ｸﾘｱ",
                           "aboutAction=ﾊﾞｰｼﾞｮﾝ情報", "quitAction=終了"}));
    const auto* savedTextMenu = control<QMenu>("savedTextMenu");
    const auto* historyMenu = control<QMenu>("historyMenu");
    EXPECT_EQ(
        entryNames(savedTextMenu),
        (QStringList{"ﾃｷｽﾄﾒﾆｭｰ", "recallTextAction=ｸﾘｯﾌﾟﾎﾞｰﾄﾞに追加", "deleteTextAction=削除"}));
    EXPECT_EQ(entryNames(historyMenu), (QStringList{"ｸﾘｯﾌﾟﾎﾞｰﾄﾞﾒﾆｭｰ", "saveEntryAction=ﾃｷｽﾄに追加",
                                                    "deleteEntryAction=削除"}));
    for (const QMenu* menu : {&tray, savedTextMenu, historyMenu}) {
        EXPECT_FALSE(menu->menuAction()->isVisible());
        for (const QAction* action : menu->actions()) {
            // The first history entry follows the history, empty from the start.
            EXPECT_EQ(action->isVisible(), action->objectName() != QLatin1String("historyEntry0"))
                << action->objectName().toStdString();
        }
    }
}

TEST_F(WindowLayoutTest, StartUpLeavesAnEmptyHiddenWindowOfWorkingSize) {
    // Shown before start-up, so only start-up itself can hide it.
    startApp(false);
    window().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window()));
    ASSERT_TRUE(app->start());
    EXPECT_FALSE(window().isVisible());
    EXPECT_EQ(count(historyList()), 0);
    EXPECT_EQ(trayEntries(QStringLiteral("historyEntry")).size(), 1);
    EXPECT_FALSE(action("historyEntry0")->isVisible());
    // A first start creates the folder and loads nothing.
    EXPECT_TRUE(QFileInfo(tempText()).isDir());
    EXPECT_FALSE(action("savedTextEntry0")->isVisible());
    EXPECT_EQ(count(savedTextList()), 0);
    // Commands on saved texts are unavailable and shown in silver; no marker shows.
    for (const char* name : {"recallText", "deleteText"}) {
        EXPECT_FALSE(labelButtonPart(name, "Button")->isEnabled()) << name;
        EXPECT_EQ(colour(labelButtonPart(name, "Caption"), QPalette::WindowText),
                  QColor(192, 192, 192))
            << name;
    }
    EXPECT_TRUE(shownMarkers().isEmpty());
    // The working client area: every command button lies outside it, the panel fills it.
    const QRect clientArea = window().rect();
    EXPECT_LT(clientArea.width(), tavro::twipsToPixels(4600));
    EXPECT_LT(clientArea.height(), tavro::twipsToPixels(6504));
    EXPECT_TRUE(clientArea.contains(label("creditsLabel")->geometry()));
    for (const char* name : kLabelButtonNames) {
        EXPECT_FALSE(clientArea.intersects(labelButtonPart(name, "Button")->geometry())) << name;
    }
    EXPECT_FALSE(clientArea.intersects(button("focusParkButton")->geometry()));
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(WindowLayoutTest, LaterStartLoadsTheExistingFolderAndASecondCopyIsRefused) {
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("Temptext")));
    startApp();
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_TRUE(QFileInfo(tempText()).isDir());
    // An existing but empty folder: the load finds no file and hides the tray's first entry.
    EXPECT_FALSE(action("savedTextEntry0")->isVisible());

    auto second = programIn(folder.path(), false);
    EXPECT_FALSE(second->start());
    EXPECT_EQ(messages, QStringList{kAlreadyRunning});
    // The refused copy touched nothing: no clipboard watching, no window ever made.
    EXPECT_EQ(second->clipboardMonitor(), nullptr);
    EXPECT_FALSE(second->recorder().isRecording());
    EXPECT_EQ(second->window().windowHandle(), nullptr);
    EXPECT_EQ(second->trayIcon(), nullptr);
    EXPECT_TRUE(app->recorder().isRecording());
}

TEST_F(WindowLayoutTest, ALockLeftByAnEarlierRunWithThisProcessIdIsTakenOver) {
    // An earlier run that had this process's id ended without unlocking (process ids start
    // over in a new container or Wine session): its lock file names this very process.
    const QString path = tavro::SingleInstance(folder.path()).lockFilePath();
    QByteArray leftOver;
    {
        QLockFile lock(path);
        ASSERT_TRUE(lock.tryLock(0));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        leftOver = file.readAll();
    }
    ASSERT_FALSE(QFile::exists(path));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(leftOver), leftOver.size());
    file.close();

    startApp();
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_TRUE(app->recorder().isRecording());
    // And the lock is this run's now: a second copy is refused.
    EXPECT_FALSE(programIn(folder.path(), false)->start());
    EXPECT_EQ(messages, QStringList{kAlreadyRunning});
}

TEST_F(WindowLayoutTest, WithoutANotificationAreaTheWindowShowsAndOkMinimises) {
    startApp(true, false);
    EXPECT_FALSE(app->trayAvailable());
    EXPECT_TRUE(window().isVisible());
    EXPECT_EQ(app->trayIcon(), nullptr);
    window().showMarker(tavro::LabelButton::Ok);
    press(QStringLiteral("okButton"));
    EXPECT_TRUE(window().windowState() & Qt::WindowMinimized);
    EXPECT_FALSE(window().isHidden());
}

TEST_F(WindowLayoutTest, AProgramFolderThatCantBeWrittenKeepsTheTextsInTheUsersFolder) {
    // A program folder below a plain file can't hold a Temptext folder, even for root.
    QFile blocker(folder.path() + QStringLiteral("/plain-file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString userFolder =
        QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) +
        QStringLiteral("/Temptext");
    QDir(userFolder).removeRecursively();

    app = programIn(blocker.fileName() + QStringLiteral("/app"), true);
    ASSERT_TRUE(app->start());
    EXPECT_EQ(app->savedTexts().store().folder(), userFolder);
    EXPECT_TRUE(QFileInfo(userFolder).isDir());
    EXPECT_FALSE(action("savedTextEntry0")->isVisible());

    // Saving works there.
    copyText(QStringLiteral("kept"));
    historyList()->setSelectedRow(0);
    choose(QStringLiteral("saveEntryAction"));
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(count(savedTextList()), 1);
    EXPECT_EQ(QDir(userFolder).entryList(QDir::Files).size(), 1);

    // The user's data folder removed whole while the program runs: the next save makes it
    // again, parents and all, and succeeds.
    ASSERT_TRUE(QDir(QFileInfo(userFolder).path()).removeRecursively());
    choose(QStringLiteral("saveEntryAction"));
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(QDir(userFolder).entryList(QDir::Files).size(), 1);
    QDir(userFolder).removeRecursively();
}

TEST_F(WindowLayoutTest, TrayTipAndShutdownInOrderWithASecondStopChangingNothing) {
    startApp(true, true);
    ASSERT_NE(app->trayIcon(), nullptr);
    const auto* qtIcon = app->trayIcon()->findChild<QSystemTrayIcon*>();
    ASSERT_NE(qtIcon, nullptr);
    EXPECT_EQ(qtIcon->toolTip(), QStringLiteral("Tavro!"));

    // The clipboard is let go of before the tray icon goes.
    QStringList order;
    QObject::connect(app->trayIcon(), &QObject::destroyed, [&] {
        order.append(app->recorder().isRecording() ? QStringLiteral("icon removed while recording")
                                                   : QStringLiteral("icon removed after stop"));
    });
    app->shutdown();
    EXPECT_EQ(order, QStringList{QStringLiteral("icon removed after stop")});
    EXPECT_EQ(app->trayIcon(), nullptr);
    EXPECT_FALSE(app->clipboardMonitor()->isStarted());

    // A second stop, and a second shutdown, change nothing; no change reaches the history.
    app->recorder().stop();
    app->shutdown();
    EXPECT_FALSE(app->recorder().isRecording());
    copyText(QStringLiteral("after"));
    EXPECT_EQ(count(historyList()), 0);
}
