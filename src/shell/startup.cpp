// Start-up and shutdown of the main window, in a fixed order.
#include <QApplication>
#include <QCloseEvent>

#include "core/messages.h"
#include "core/saved_text_folder.h"
#include "platform/clipboard_monitor.h"
#include "platform/single_instance.h"
#include "platform/tray_icon.h"
#include "shell/toolkit.h"
#include "shell/twips.h"
#include "ui/about_box.h"
#include "ui/form1.h"
#include "ui/text_list.h"

namespace tavro {

namespace {
// The window's outer size once started, and the frame a fixed single border adds to the
// client area (3 px each side, a 19 px caption): the client area is what Qt sizes.
constexpr int kOuterWidthTwips = 4600;
constexpr int kOuterHeightTwips = 6504;
constexpr int kFrameWidthTwips = 2 * 3 * kTwipsPerPixel;
constexpr int kFrameHeightTwips = (2 * 3 + 19) * kTwipsPerPixel;

QSize startedClientSize() {
    return twipsSize(kOuterWidthTwips - kFrameWidthTwips, kOuterHeightTwips - kFrameHeightTwips);
}
}  // namespace

bool Form1::Form_Load() {
    // 1. Only one copy runs.
    instance_ = std::make_unique<SingleInstance>(options_.programFolder);
    if (!instance_->acquire()) {
        showMessage(nullptr, kAlreadyRunningMessage);
        return false;
    }
    // 2-3. Watch the clipboard through the platform's monitor.
    monitor_ = createClipboardMonitor();
    watcher_.hook(monitor_.get());
    // 4. Centre, tray icon, hide.
    Taskview();
    // 5-6. The history starts empty.
    Rireki->setVisible(0, false);
    List1->clear();
    // 7. The working size; the top-left corner stays where it was put.
    setFixedSize(startedClientSize());
    // 8-9. No saved text is active and no marker shows.
    TextAct(0);
    Focus_clear(5);
    // 10. The saved-text folder: new and empty, or loaded.
    const SavedTextFolder folder = chooseSavedTextFolder(options_.programFolder);
    store_ = SavedTextStore(folder.path);
    if (folder.created) {
        T_rireki->setVisible(0, false);
    } else {
        LoadText();
    }
    if (!trayAvailable_ && !unloaded_) {
        // Without a notification area the window is the only way in.
        showMainWindow();
    }
    return true;
}

bool Form1::hasEnded() const {
    return unloaded_ && AboutBox::current() == nullptr;
}

void Form1::Form_Unload() {
    if (unloaded_) {
        return;
    }
    unloaded_ = true;
    // Every step is attempted, whatever the one before did.
    try {
        watcher_.unhook();
    } catch (...) {
    }
    try {
        if (TrayData_) {
            TrayData_->hide();
            TrayData_.reset();
        }
    } catch (...) {
    }
    // The process ends when no window of the program is left: at once, or when the about
    // box closes. exit() ends every event loop running now, a message box's included; when
    // this happens before the main loop runs, main() sees hasEnded() and starts none.
    if (AboutBox* about = AboutBox::current()) {
        QObject::connect(about, &QObject::destroyed, qApp, &QCoreApplication::quit);
    } else {
        QCoreApplication::exit(0);
    }
}

void Form1::quit_Click() {
    close();
}

void Form1::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
}

}  // namespace tavro
