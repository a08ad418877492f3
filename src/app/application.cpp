#include "app/application.h"

#include <QApplication>
#include <QCursor>
#include <QTimer>

#include "app/clipboard_recorder.h"
#include "app/history_commands.h"
#include "app/saved_text_commands.h"
#include "core/history_model.h"
#include "core/messages.h"
#include "core/saved_text_folder.h"
#include "core/saved_text_model.h"
#include "platform/clipboard_monitor.h"
#include "platform/single_instance.h"
#include "platform/tray_icon.h"
#include "ui/about_box.h"
#include "ui/main_window.h"
#include "ui/message_box.h"
#include "ui/tray_menu.h"

namespace tavro {

namespace {
// The kinds of commands that come from the tray, for TrayCommandQueue.
enum TrayCommand {
    kLeftButton,
    kRightButton,
    kShowWindow,
    kRecallSavedText,
    kRecallHistoryEntry,
    kClearHistory,
    kAbout,
    kQuit,
};
}  // namespace

Application::Application(Options options)
    : options_(std::move(options)),
      history_(std::make_unique<HistoryModel>()),
      savedTexts_(std::make_unique<SavedTextModel>()),
      window_(std::make_unique<MainWindow>(*history_, *savedTexts_)),
      trayMenu_(new TrayMenu(*history_, *savedTexts_, window_.get())),
      recorder_(std::make_unique<ClipboardRecorder>(*history_, options_.clock, window_.get())) {
    savedTextCommands_ = std::make_unique<SavedTextCommands>(*savedTexts_, *history_, *window_,
                                                             *recorder_, options_.clock);
    historyCommands_ =
        std::make_unique<HistoryCommands>(*history_, *window_, *recorder_, *savedTextCommands_);
    const QString programFolder = options_.programFolder;
    savedTexts_->setFolderChooser([programFolder] { return chooseSavedTextFolder(programFolder); });
    connectWindow();
    connectTrayMenu();
}

Application::~Application() {
    // The recorder stops the monitor; both go before the window they report to.
    recorder_.reset();
    monitor_.reset();
}

void Application::connectWindow() {
    MainWindow* window = window_.get();
    SavedTextCommands* texts = savedTextCommands_.get();
    HistoryCommands* history = historyCommands_.get();
    connect(window, &MainWindow::labelButtonClicked, this, [this, texts, history](LabelButton b) {
        switch (b) {
            case LabelButton::Ok:
                hideWindowFromOk();
                break;
            case LabelButton::SaveEntry:
                texts->saveSelectedEntryFromButton();
                break;
            case LabelButton::RecallText:
                texts->recallSelectedTextFromButton();
                break;
            case LabelButton::DeleteText:
                texts->deleteSelectedTextFromButton();
                break;
            case LabelButton::ClearHistory:
                history->clearFromButton();
                break;
        }
    });
    connect(window, &MainWindow::historyEntryDoubleClicked, this,
            [history] { history->recallSelectedEntry(); });
    connect(window, &MainWindow::textDroppedOnHistory, this,
            [history](const QMimeData* data) { history->recallDroppedText(data); });
    connect(window, &MainWindow::saveEntryChosen, this, [texts] { texts->saveSelectedEntry(); });
    connect(window, &MainWindow::deleteEntryChosen, this,
            [history] { history->deleteSelectedEntry(); });
    connect(window, &MainWindow::recallTextChosen, this, [texts] { texts->recallSelectedText(); });
    connect(window, &MainWindow::deleteTextChosen, this, [texts] { texts->deleteSelectedText(); });
    connect(window, &MainWindow::savedTextListClicked, this, [texts] { texts->listClicked(); });
    connect(window, &MainWindow::savedTextListFocused, this, [texts] { texts->listFocused(); });
    connect(window, &MainWindow::savedTextListKeyPressed, this,
            [texts] { texts->listKeyPressed(); });
    connect(window, &MainWindow::creditsClicked, this, &Application::openAbout);
    connect(window, &MainWindow::closing, this, &Application::shutdown);
}

void Application::connectTrayMenu() {
    connect(trayMenu_, &TrayMenu::windowChosen, this,
            [this] { fromTray(kShowWindow, 0, [this] { showWindow(); }); });
    connect(trayMenu_, &TrayMenu::savedTextChosen, this, [this](int row) {
        fromTray(kRecallSavedText, row, [this, row] { savedTextCommands_->recallRow(row); });
    });
    connect(trayMenu_, &TrayMenu::historyEntryChosen, this, [this](int row) {
        fromTray(kRecallHistoryEntry, row, [this, row] { historyCommands_->recallEntry(row); });
    });
    connect(trayMenu_, &TrayMenu::clearHistoryChosen, this,
            [this] { fromTray(kClearHistory, 0, [this] { historyCommands_->clearFromTray(); }); });
    connect(trayMenu_, &TrayMenu::aboutChosen, this,
            [this] { fromTray(kAbout, 0, [this] { openAbout(); }); });
    connect(trayMenu_, &TrayMenu::quitChosen, this,
            [this] { fromTray(kQuit, 0, [this] { quit(); }); });
}

void Application::fromTray(int kind, int row, std::function<void()> command) {
    trayCommands_.run({kind, row}, [this, command = std::move(command)] {
        if (!ended_) {
            command();
        }
    });
}

bool Application::start() {
    // 1. Only one copy runs.
    instance_ = std::make_unique<SingleInstance>(options_.programFolder);
    if (!instance_->acquire()) {
        showMessage(nullptr, kAlreadyRunningMessage);
        return false;
    }
    // 2-3. Watch the clipboard through the platform's monitor.
    monitor_ = createClipboardMonitor();
    recorder_->start(monitor_.get());
    // 4. Centre, tray icon, hide.
    window_->centreOnScreen();
    addTrayIcon();
    window_->hide();
    // 5-6. The history starts empty (the tray shows no history entry).
    history_->clear();
    // 7. The working size; the top-left corner stays where it was put.
    window_->takeStartedSize();
    // 8-9. No saved text is active and no marker shows.
    savedTextCommands_->setAvailable(false);
    window_->showMarker(std::nullopt);
    // 10. The saved-text folder: new and empty, or loaded.
    const SavedTextFolder folder = chooseSavedTextFolder(options_.programFolder);
    savedTexts_->useFolder(folder);
    if (!folder.created) {
        savedTexts_->reload();
    }
    if (!trayAvailable_ && !ended_) {
        // Without a notification area the window is the only way in.
        showWindow();
    }
    return true;
}

void Application::addTrayIcon() {
    // The icon follows the desktop's notification areas; a test may fix the answer instead.
    const TrayIconLook look{window_->windowIcon(), kAppTitle, trayMenu_};
    if (!options_.trayAvailable.has_value()) {
        trayIcon_ = createTrayIcon(look);
    } else if (*options_.trayAvailable) {
        trayIcon_ = createQtTrayIcon(look, true);
    }
    trayReturnTimer_ = new QTimer(this);
    trayReturnTimer_->setSingleShot(true);
    trayReturnTimer_->setInterval(options_.trayReturnWait);
    connect(trayReturnTimer_, &QTimer::timeout, this, [this] {
        if (!trayAvailable_ && window_->isHidden() && !ended_) {
            showWindow();
        }
    });
    if (trayIcon_) {
        connect(trayIcon_.get(), &TrayIcon::leftButtonDown, this, &Application::trayLeftButtonDown);
        connect(trayIcon_.get(), &TrayIcon::rightButtonDown, this,
                &Application::trayRightButtonDown);
        connect(trayIcon_.get(), &TrayIcon::availabilityChanged, this,
                &Application::trayAvailabilityChanged);
        trayIcon_->show();
        trayAvailable_ = trayIcon_->isAvailable();
    }
}

void Application::trayAvailabilityChanged(bool available) {
    trayAvailable_ = available;
    if (trayReturnTimer_ == nullptr) {
        return;  // not started yet
    }
    if (available) {
        trayReturnTimer_->stop();
    } else if (window_->isHidden()) {
        // Without a notification area a hidden window could not be brought back.
        trayReturnTimer_->start();
    }
}

void Application::showWindow() {
    window_->showAndFocus();
}

void Application::hideWindowFromOk() {
    if (!window_->isMarkerShown(LabelButton::Ok)) {
        return;
    }
    if (trayAvailable_) {
        window_->hide();
    } else {
        // With no notification area a hidden window could not be brought back.
        window_->showMinimized();
    }
    // No saved text is active any more: the buttons are drawn as unavailable as they are.
    window_->clearSavedTextSelection();
    savedTextCommands_->setAvailable(false);
}

void Application::trayLeftButtonDown() {
    fromTray(kLeftButton, 0, [this] { showWindow(); });
}

void Application::trayRightButtonDown() {
    fromTray(kRightButton, 0, [this] {
        QCoreApplication::processEvents();
        trayMenu_->popup(QCursor::pos());
    });
}

void Application::openAbout() {
    AboutBox::openBox();
}

void Application::quit() {
    window_->close();
}

bool Application::hasEnded() const {
    return ended_ && AboutBox::current() == nullptr;
}

void Application::shutdown() {
    if (ended_) {
        return;
    }
    ended_ = true;
    savedTexts_->stopLoading();
    // Every step is attempted, whatever the one before did.
    try {
        recorder_->stop();
    } catch (...) {
    }
    try {
        if (trayIcon_) {
            trayIcon_->hide();
            trayIcon_.reset();
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

}  // namespace tavro
