#pragma once

#include <QObject>
#include <QString>
#include <chrono>
#include <memory>
#include <optional>

#include "app/tray_command_queue.h"
#include "core/clock.h"

class QTimer;

// The running program: the two models, the main window and the tray menu that show them, the
// clipboard monitor and the tray icon, and the commands between them. It starts them and
// stops them in a fixed order, and keeps the program reachable: the window shows itself when
// no notification area holds the icon.
namespace tavro {

class ClipboardMonitor;
class ClipboardRecorder;
class HistoryCommands;
class HistoryModel;
class MainWindow;
class SavedTextCommands;
class SavedTextModel;
class SingleInstance;
class TrayIcon;
class TrayMenu;

class Application : public QObject {
    Q_OBJECT
  public:
    struct Options {
        QString programFolder;              // where the program file lives
        Clock clock = systemClock();        // the time read for stamps and names
        std::optional<bool> trayAvailable;  // unset: ask the desktop
        // How long a hidden window waits for a notification area that went away to come back
        // (a panel restarting) before it shows itself, so the program stays reachable.
        std::chrono::milliseconds trayReturnWait{5000};
    };

    explicit Application(Options options);
    ~Application() override;

    // Runs the start-up; false when another copy runs (after telling the user).
    bool start();
    // Ends the program: stops watching the clipboard, takes the icon away and ends the event
    // loop (once the about box, if open, is closed). Every step is attempted; a second call
    // does nothing.
    void shutdown();
    // True once the program was told to end and no window of it is left: also when that
    // happened while start-up let events through, before the event loop runs.
    bool hasEnded() const;

    MainWindow& window() const { return *window_; }
    TrayMenu& trayMenu() const { return *trayMenu_; }
    HistoryModel& history() const { return *history_; }
    SavedTextModel& savedTexts() const { return *savedTexts_; }
    ClipboardRecorder& recorder() const { return *recorder_; }
    TrayIcon* trayIcon() const { return trayIcon_.get(); }
    ClipboardMonitor* clipboardMonitor() const { return monitor_.get(); }
    bool trayAvailable() const { return trayAvailable_; }

    // ---- what the tray and the window ask for ----
    void showWindow();
    // "OK": hides the window (minimises it without a notification area), and no saved text
    // stays active.
    void hideWindowFromOk();
    void trayLeftButtonDown();
    void trayRightButtonDown();
    // A notification area came (the icon shows in it) or went.
    void trayAvailabilityChanged(bool available);
    void openAbout();
    void quit();

  private:
    void connectWindow();
    void connectTrayMenu();
    void addTrayIcon();
    // Runs a command that came from the tray, one at a time (see TrayCommandQueue).
    void fromTray(int kind, int row, std::function<void()> command);

    Options options_;
    std::unique_ptr<HistoryModel> history_;
    std::unique_ptr<SavedTextModel> savedTexts_;
    std::unique_ptr<MainWindow> window_;
    TrayMenu* trayMenu_ = nullptr;  // a child of the window
    // Declared before the recorder, which stops it when it goes.
    std::unique_ptr<ClipboardMonitor> monitor_;
    std::unique_ptr<ClipboardRecorder> recorder_;
    std::unique_ptr<SavedTextCommands> savedTextCommands_;
    std::unique_ptr<HistoryCommands> historyCommands_;
    std::unique_ptr<SingleInstance> instance_;
    std::unique_ptr<TrayIcon> trayIcon_;
    TrayCommandQueue trayCommands_;
    bool trayAvailable_ = false;
    QTimer* trayReturnTimer_ = nullptr;
    bool ended_ = false;
};

}  // namespace tavro
