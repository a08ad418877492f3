// The tray icon, the tray menu and showing or hiding the main window.
#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include "platform/tray_icon.h"
#include "shell/toolkit.h"
#include "shell/twips.h"
#include "ui/about_box.h"
#include "ui/form1.h"
#include "ui/text_list.h"

namespace tavro {

void Form1::Taskview() {
    // Centre the window with the size it has now; start-up sizes it afterwards.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.x() + area.width() / 2 - width() / 2,
             area.y() + area.height() / 2 - height() / 2);
    }
    // The icon follows the desktop's notification areas; a test may fix the answer instead.
    const TrayIconLook look{windowIcon(), kAppTitle, mnutray};
    if (!options_.trayAvailable.has_value()) {
        TrayData_ = createTrayIcon(look);
    } else if (*options_.trayAvailable) {
        TrayData_ = createQtTrayIcon(look, true);
    }
    trayReturnTimer_ = new QTimer(this);
    trayReturnTimer_->setSingleShot(true);
    trayReturnTimer_->setInterval(options_.trayReturnWait);
    connect(trayReturnTimer_, &QTimer::timeout, this, [this] {
        if (!trayAvailable_ && isHidden() && !unloaded_) {
            showMainWindow();
        }
    });
    if (TrayData_) {
        connect(TrayData_.get(), &TrayIcon::leftButtonDown, this, &Form1::trayLeftButtonDown);
        connect(TrayData_.get(), &TrayIcon::rightButtonDown, this, &Form1::trayRightButtonDown);
        connect(TrayData_.get(), &TrayIcon::availabilityChanged, this,
                &Form1::trayAvailabilityChanged);
        TrayData_->show();
        trayAvailable_ = TrayData_->isAvailable();
    }
    hide();
    mnutray->menuAction()->setVisible(false);
}

void Form1::trayAvailabilityChanged(bool available) {
    trayAvailable_ = available;
    if (trayReturnTimer_ == nullptr) {
        return;  // not started yet
    }
    if (available) {
        trayReturnTimer_->stop();
    } else if (isHidden()) {
        // Without a notification area a hidden window could not be brought back.
        trayReturnTimer_->start();
    }
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
    // No saved text is active any more: the buttons are drawn as unavailable as they are.
    Lsttext->setListIndex(-1);
    TextAct(0);
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
