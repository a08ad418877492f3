// The tray icon, the tray menu and showing or hiding the main window.
#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSystemTrayIcon>

#include "shell/toolkit.h"
#include "shell/twips.h"
#include "ui/about_box.h"
#include "ui/form1.h"

namespace tavro {

void Form1::Taskview() {
    // Centre the window with the size it has now; start-up sizes it afterwards.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.x() + area.width() / 2 - width() / 2,
             area.y() + area.height() / 2 - height() / 2);
    }
    trayAvailable_ = options_.trayAvailable.value_or(QSystemTrayIcon::isSystemTrayAvailable());
    if (trayAvailable_) {
        TrayData_ = new QSystemTrayIcon(windowIcon(), this);
        TrayData_->setToolTip(kAppTitle);
        connect(TrayData_, &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) {
                    if (reason == QSystemTrayIcon::Trigger) {
                        trayLeftButtonDown();
                    } else if (reason == QSystemTrayIcon::Context) {
                        trayRightButtonDown();
                    }
                });
        TrayData_->show();
    }
    hide();
    mnutray->menuAction()->setVisible(false);
}

void Form1::showMainWindow() {
    if (isMinimized()) {
        showNormal();
    } else {
        show();
    }
    raise();
    activateWindow();
    cmdok->setFocus(Qt::OtherFocusReason);
}

void Form1::trayLeftButtonDown() {
    mnutray->menuAction()->setVisible(false);
    showMainWindow();
}

void Form1::trayRightButtonDown() {
    processPendingEvents();
    mnutray->popup(QCursor::pos());
}

void Form1::cmdOK_Click() {
    if (!markerShown(0)) {
        return;
    }
    if (trayAvailable_) {
        hide();
    } else {
        // With no notification area a hidden window could not be brought back.
        showMinimized();
    }
    CmdDeltext->setEnabled(false);
    Cmdaddclip->setEnabled(false);
}

void Form1::ActiveWin() {
    if (!isActiveWindow()) {
        return;
    }
    Focus_clear(5);
    cmddummy->setFocus(Qt::MouseFocusReason);
}

void Form1::ShoAbout_Click() {
    AboutBox::openBox();
}

}  // namespace tavro
