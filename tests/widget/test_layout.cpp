// The main window as built and as started: names, geometry, stacking, keyboard order, menus.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLockFile>
#include <QMenu>
#include <QPushButton>
#include <QStandardPaths>
#include <QSystemTrayIcon>
#include <algorithm>

#include "form1_fixture.h"
#include "platform/clipboard_monitor.h"
#include "platform/single_instance.h"
#include "platform/tray_icon.h"
#include "shell/twips.h"

using tavro::twipsRect;

namespace {

struct Expected {
    const char* name;
    int left, top, width, height;
};

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

QStringList entryNames(const QMenu* menu) {
    QStringList names;
    for (const QAction* action : menu->actions()) {
        names.append(action->objectName() + QLatin1Char('=') +
                     (action->isSeparator() ? QStringLiteral("-") : action->text()));
    }
    return names;
}

}  // namespace

TEST_F(Form1Test, ControlsSitWhereTheLayoutPutsThemInFrontToBackOrder) {
    tavro::Form1& f = makeForm(false);
    const Expected client[] = {
        {"cmddummy", 6270, 5310, 555, 435},    {"cmdaddtext", 4680, 2220, 2200, 345},
        {"Cmdaddclip", 4860, 2880, 2200, 345}, {"cmdClear", 5850, 3450, 1125, 345},
        {"CmdDeltext", 5250, 150, 885, 345},   {"cmdok", 6135, 150, 885, 345},
        {"List1", 90, 3270, 4335, 2370},       {"Picture1", 0, 0, 4520, 5805},
        {"Label2", 660, 5880, 3105, 180},      {"Label1", 690, 5880, 3105, 180},
    };
    const Expected panel[] = {
        {"Lsttext", 60, 600, 4335, 2190},    {"Label3_4", 3810, 2940, 345, 165},
        {"Label7_1", 60, 420, 1035, 195},    {"Label7_0", 1110, 420, 3285, 195},
        {"Label3_0", 3900, 75, 345, 165},    {"Label4_0", 3570, 45, 855, 225},
        {"Label5_0", 3540, 15, 915, 285},    {"Label3_1", 120, 2940, 1395, 165},
        {"Label4_1", 60, 2910, 1695, 225},   {"Label5_1", 30, 2880, 1755, 285},
        {"Label3_2", 1830, 2940, 1575, 165}, {"Label4_2", 1800, 2910, 1695, 225},
        {"Label5_2", 1770, 2880, 1755, 285}, {"Label3_3", 2910, 75, 465, 165},
        {"Label4_3", 2670, 45, 855, 225},    {"Label5_3", 2640, 15, 915, 285},
        {"Label6_0", 0, 0, 4845, 335},       {"Label4_4", 3540, 2910, 855, 225},
        {"Label5_4", 3510, 2880, 915, 285},  {"Label6_2", 30, 2850, 4395, 345},
    };
    for (const auto& [container, table] :
         {std::pair<QWidget*, std::vector<Expected>>{&f, {std::begin(client), std::end(client)}},
          {f.Picture1, {std::begin(panel), std::end(panel)}}}) {
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
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(f.Label5[i]->geometry(), f.Label4[i]->geometry().adjusted(-2, -2, 2, 2)) << i;
    }
}

TEST_F(Form1Test, KeyControlsHaveTheirPixelRectanglesAtFifteenTwipsAPixel) {
    // Worked out by hand from the twip layout (rounded to the nearest pixel), so a wrong
    // conversion fails here even where the table above converts with the same helper.
    tavro::Form1& f = makeForm(false);
    const std::pair<QWidget*, QRect> expected[] = {
        {f.Picture1, QRect(0, 0, 301, 387)},  {f.List1, QRect(6, 218, 289, 158)},
        {f.Lsttext, QRect(4, 40, 289, 146)},  {f.Label6[0], QRect(0, 0, 323, 22)},
        {f.Label5[0], QRect(236, 1, 61, 19)}, {f.Label4[0], QRect(238, 3, 57, 15)},
        {f.Label3[1], QRect(8, 196, 93, 11)}, {f.Label2, QRect(44, 392, 207, 12)},
        {f.cmdok, QRect(409, 10, 59, 23)},
    };
    for (const auto& [widget, rect] : expected) {
        EXPECT_EQ(widget->geometry(), rect) << widget->objectName().toStdString();
    }
    ASSERT_TRUE(f.Form_Load());
    EXPECT_EQ(f.size(), QSize(301, 409));
}

TEST_F(Form1Test, CaptionsColoursAndFontsOfTheWindow) {
    tavro::Form1& f = makeForm(false);
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Tavro!"));
    EXPECT_EQ(f.size(), tavro::twipsSize(7095, 6750));
    EXPECT_EQ(f.minimumSize(), f.maximumSize());
    EXPECT_FALSE(f.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(f.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(f.windowIcon().isNull());
    EXPECT_EQ(f.palette().color(QPalette::Window), QColor(0, 0, 0));
    EXPECT_EQ(f.Picture1->palette().color(QPalette::Window), QColor(220, 222, 194));

    const QStringList texts = {QStringLiteral("OK"), QStringLiteral("   ↑ﾃｷｽﾄに追加"),
                               QStringLiteral("↓ｸﾘｯﾌﾟﾎﾞｰﾄﾞに追加"), QStringLiteral("削除"),
                               QStringLiteral("ｸﾘｱ")};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(f.Label3[i]->text(), texts[i]);
        EXPECT_EQ(f.Label4[i]->palette().color(QPalette::Window), QColor(115, 114, 70));
        EXPECT_EQ(f.Label5[i]->palette().color(QPalette::Window), QColor(255, 255, 255));
        // The text lies 30 twips below the top of its face.
        EXPECT_EQ(f.Label3[i]->y() - f.Label4[i]->y(), 2);
    }
    EXPECT_EQ(f.Label7[1]->text(), QStringLiteral("  更新日付"));
    EXPECT_EQ(f.Label7[0]->text(), QStringLiteral("                   ﾃｷｽﾄ内容"));
    EXPECT_EQ(f.Label7[1]->palette().color(QPalette::Window), QColor(71, 108, 158));
    EXPECT_EQ(f.Label7[0]->palette().color(QPalette::Window), QColor(131, 124, 114));

    // The credits line: white text with an orange copy 30 twips to the right behind it.
    EXPECT_EQ(f.Label1->text(), f.Label2->text());
    EXPECT_FALSE(f.Label2->text().isEmpty());
    EXPECT_EQ(f.Label2->palette().color(QPalette::WindowText), QColor(255, 255, 255));
    EXPECT_EQ(f.Label1->palette().color(QPalette::WindowText), QColor(220, 128, 3));
    EXPECT_TRUE(f.Label2->font().bold());
    EXPECT_TRUE(f.Label2->font().families().contains(QStringLiteral("IPAPGothic")));

    EXPECT_EQ(f.cmdok->text(), QStringLiteral("ＯＫ"));
    EXPECT_EQ(f.cmdaddtext->text(), QStringLiteral("↑　ﾃｷｽﾄ追加"));
    EXPECT_EQ(f.Cmdaddclip->text(), QStringLiteral("↓　ｸﾘｯﾌﾟﾎﾞｰﾄﾞ追加"));
    EXPECT_EQ(f.CmdDeltext->text(), QStringLiteral("↓　削除"));
    EXPECT_EQ(f.cmdClear->text(), QStringLiteral("クリア"));
    EXPECT_EQ(f.cmddummy->text(), QStringLiteral("ダ"));
}

TEST_F(Form1Test, MenusHoldEveryEntryInOrderAndStayHidden) {
    tavro::Form1& f = makeForm(false);
    EXPECT_EQ(f.mnutray->title(), QStringLiteral("コマンド"));
    EXPECT_EQ(entryNames(f.mnutray),
              (QStringList{"Maintext=【ﾃｷｽﾄ履歴】", "T_rireki=ﾃｷｽﾄ履歴", "Line2=-",
                           "Mainclip=【ｸﾘｯﾌﾟﾎﾞｰﾄﾞ履歴】", "Rireki=履歴", "mnuline=-",
                           "menuclear=履歴ｸﾘｱ", "ShoAbout=ﾊﾞｰｼﾞｮﾝ情報", "quit=終了"}));
    EXPECT_EQ(f.Menutext->title(), QStringLiteral("ﾃｷｽﾄﾒﾆｭｰ"));
    EXPECT_EQ(entryNames(f.Menutext), (QStringList{"Addclip=ｸﾘｯﾌﾟﾎﾞｰﾄﾞに追加", "Deltext=削除"}));
    EXPECT_EQ(f.Menuclip->title(), QStringLiteral("ｸﾘｯﾌﾟﾎﾞｰﾄﾞﾒﾆｭｰ"));
    EXPECT_EQ(entryNames(f.Menuclip), (QStringList{"AddTxt=ﾃｷｽﾄに追加", "Dellist=削除"}));
    for (const QMenu* menu : {f.mnutray, f.Menutext, f.Menuclip}) {
        EXPECT_FALSE(menu->menuAction()->isVisible());
        for (const QAction* action : menu->actions()) {
            EXPECT_TRUE(action->isVisible()) << action->objectName().toStdString();
        }
    }
}

TEST_F(Form1Test, StartUpLeavesAnEmptyHiddenWindowOfWorkingSize) {
    // Shown before start-up, so only start-up itself can hide it.
    tavro::Form1& f = makeForm(false);
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    ASSERT_TRUE(f.Form_Load());
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(f.List1->count(), 0);
    EXPECT_FALSE(f.Rireki->isVisible(0));
    EXPECT_EQ(f.Rireki->ubound(), 0);
    // A first start creates the folder and loads nothing.
    EXPECT_TRUE(QFileInfo(tempText()).isDir());
    EXPECT_FALSE(f.T_rireki->isVisible(0));
    EXPECT_EQ(f.Lsttext->count(), 0);
    // Commands on saved texts are unavailable and shown in silver; no marker shows.
    EXPECT_FALSE(f.Cmdaddclip->isEnabled());
    EXPECT_FALSE(f.CmdDeltext->isEnabled());
    EXPECT_EQ(f.Label3[2]->palette().color(QPalette::WindowText), QColor(192, 192, 192));
    EXPECT_EQ(f.Label3[3]->palette().color(QPalette::WindowText), QColor(192, 192, 192));
    for (int i = 0; i < 5; ++i) {
        EXPECT_FALSE(f.markerShown(i)) << i;
    }
    // The working client area: every command button lies outside it, the panel fills it.
    const QRect clientArea = f.rect();
    EXPECT_LT(clientArea.width(), tavro::twipsToPixels(4600));
    EXPECT_LT(clientArea.height(), tavro::twipsToPixels(6504));
    EXPECT_TRUE(clientArea.contains(f.Label2->geometry()));
    for (int i = 0; i < 5; ++i) {
        EXPECT_FALSE(clientArea.intersects(f.commandButton(i)->geometry())) << i;
    }
    EXPECT_FALSE(clientArea.intersects(f.cmddummy->geometry()));
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(Form1Test, TabWalksTheCommandButtonsAndListsSkippingDisabledOnes) {
    tavro::Form1& f = makeForm();
    showActive();
    ASSERT_EQ(QApplication::focusWidget(), f.cmdok);
    const auto walk = [&] {
        QStringList visited;
        for (int step = 0; step < 8; ++step) {
            visited.append(QApplication::focusWidget()->objectName());
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        return visited;
    };
    EXPECT_EQ(walk(), (QStringList{"cmdok", "cmdaddtext", "cmdClear", "List1", "Lsttext",
                                   "cmddummy", "cmdok", "cmdaddtext"}));
    f.TextAct(1);
    f.cmdok->setFocus();
    const QStringList enabledWalk = walk();
    EXPECT_EQ(enabledWalk.mid(0, 6), (QStringList{"cmdok", "cmdaddtext", "Cmdaddclip", "CmdDeltext",
                                                  "cmdClear", "List1"}));
}

TEST_F(Form1Test, LaterStartLoadsTheExistingFolderAndASecondCopyIsRefused) {
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("Temptext")));
    tavro::Form1& f = makeForm();
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_TRUE(QFileInfo(tempText()).isDir());
    // An existing but empty folder: the load finds no file and hides the tray's first entry.
    EXPECT_FALSE(f.T_rireki->isVisible(0));

    tavro::Form1::Options options;
    options.programFolder = folder.path();
    options.trayAvailable = false;
    tavro::Form1 second(options);
    EXPECT_FALSE(second.Form_Load());
    EXPECT_EQ(messages, QStringList{QStringLiteral("既に起動されています")});
    // The refused copy touched nothing: no history watching, no window ever made.
    EXPECT_FALSE(second.watcher().isHooked());
    EXPECT_EQ(second.windowHandle(), nullptr);
    EXPECT_EQ(second.trayIcon(), nullptr);
    EXPECT_TRUE(f.watcher().isHooked());
}

TEST_F(Form1Test, ALockLeftByAnEarlierRunWithThisProcessIdIsTakenOver) {
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

    makeForm();
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_TRUE(form->watcher().isHooked());
    // And the lock is this run's now: a second copy is refused.
    tavro::Form1::Options options;
    options.programFolder = folder.path();
    options.trayAvailable = false;
    tavro::Form1 second(options);
    EXPECT_FALSE(second.Form_Load());
    EXPECT_EQ(messages, QStringList{QStringLiteral("既に起動されています")});
}

TEST_F(Form1Test, WithoutANotificationAreaTheWindowShowsAndOkMinimises) {
    tavro::Form1& f = makeForm(true, false);
    EXPECT_FALSE(f.trayAvailable());
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(f.trayIcon(), nullptr);
    f.Focus_clear(0);
    f.cmdOK_Click();
    EXPECT_TRUE(f.windowState() & Qt::WindowMinimized);
    EXPECT_FALSE(f.isHidden());
}

TEST_F(Form1Test, AProgramFolderThatCantBeWrittenKeepsTheTextsInTheUsersFolder) {
    // A program folder below a plain file can't hold a Temptext folder, even for root.
    QFile blocker(folder.path() + QStringLiteral("/plain-file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString userFolder =
        QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) +
        QStringLiteral("/Temptext");
    QDir(userFolder).removeRecursively();

    tavro::Form1::Options options;
    options.programFolder = blocker.fileName() + QStringLiteral("/app");
    options.trayAvailable = true;
    tavro::Form1 f(options);
    ASSERT_TRUE(f.Form_Load());
    EXPECT_EQ(f.store().folder(), userFolder);
    EXPECT_TRUE(QFileInfo(userFolder).isDir());
    EXPECT_FALSE(f.T_rireki->isVisible(0));

    // Saving works there.
    f.strMsg = QStringLiteral("kept");
    f.Listupdate();
    f.List1->setListIndex(0);
    f.AddTxt_Click();
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(f.Lsttext->count(), 1);
    EXPECT_EQ(QDir(userFolder).entryList(QDir::Files).size(), 1);

    // The user's data folder removed whole while the program runs: the next save makes it
    // again, parents and all, and succeeds.
    const QString dataFolder = QFileInfo(userFolder).path();
    ASSERT_TRUE(QDir(dataFolder).removeRecursively());
    f.AddTxt_Click();
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(QDir(userFolder).entryList(QDir::Files).size(), 1);
    QDir(userFolder).removeRecursively();
}

TEST_F(Form1Test, TrayTipAndShutdownInOrderWithASecondUnhookChangingNothing) {
    tavro::Form1& f = makeForm(true, true);
    ASSERT_NE(f.trayIcon(), nullptr);
    const auto* qtIcon = f.trayIcon()->findChild<QSystemTrayIcon*>();
    ASSERT_NE(qtIcon, nullptr);
    EXPECT_EQ(qtIcon->toolTip(), QStringLiteral("Tavro!"));

    // The clipboard is let go of before the tray icon goes.
    QStringList order;
    QObject::connect(f.trayIcon(), &QObject::destroyed, [&] {
        order.append(f.watcher().isHooked() ? QStringLiteral("icon removed while hooked")
                                            : QStringLiteral("icon removed after unhook"));
    });
    f.Form_Unload();
    EXPECT_EQ(order, QStringList{QStringLiteral("icon removed after unhook")});
    EXPECT_EQ(f.trayIcon(), nullptr);
    EXPECT_FALSE(f.clipboardMonitor()->isStarted());

    // A second unhook, and a second unload, change nothing; no change reaches the history.
    f.watcher().unhook();
    f.Form_Unload();
    EXPECT_FALSE(f.watcher().isHooked());
    copyText(QStringLiteral("after"));
    EXPECT_EQ(f.List1->count(), 0);
}
