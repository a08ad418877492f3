#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "clip/clipboard_watcher.h"
#include "core/clock.h"
#include "core/messages.h"
#include "core/saved_text_store.h"
#include "ui/menu_array.h"

class QAction;
class QClipboard;
class QFrame;
class QLabel;
class QMenu;
class QMimeData;
class QPushButton;
class QTimer;

namespace tavro {

class SingleInstance;
class TextList;
class TrayIcon;

// The one main window: it owns every control and menu, the clipboard history (the lines of
// List1), the tray icon and the view of the saved texts. Its event handlers carry the names
// of their control and event; the handlers stay short and call the logic.
class Form1 : public QWidget {
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

    explicit Form1(Options options);
    ~Form1() override;

    // ---- start-up and shutdown ----
    // Runs the start-up steps; false when another copy runs (after telling the user).
    bool Form_Load();
    void Form_Unload();
    void quit_Click();
    // True once the program was told to end and no window of it is left: also when that
    // happened while start-up let events through, before the event loop runs.
    bool hasEnded() const;

    // ---- tray and window ----
    void Taskview();
    void trayLeftButtonDown();
    void trayRightButtonDown();
    void cmdOK_Click();
    void ActiveWin();
    void ShoAbout_Click();
    // A notification area came (the icon shows in it) or went.
    void trayAvailabilityChanged(bool available);
    bool trayAvailable() const { return trayAvailable_; }
    TrayIcon* trayIcon() const { return TrayData_.get(); }

    // ---- clipboard history ----
    void ChangeClipBoard(const ClipboardChange& change);
    void Listupdate();
    void Rireki_Click(int Index);
    void List1_DblClick();
    void Mainclip_Click();
    void cmdClear_Click();
    void menuclear_Click();
    void Dellist_Click();
    void List1_MouseDown(Qt::MouseButton button, const QPoint& globalPos);
    void List1_OLEDragDrop(const QMimeData* dropped);

    // ---- saved texts ----
    void LoadText();
    // Saves a text as a new saved text under the first free name from now on; false, with
    // nothing left behind, when it could not be written whole.
    bool WriteText(const QString& txt);
    void Setclip(const QString& Tempfile);
    void AddTxt_Click();
    void cmdaddtext_Click();
    void Deltext_Click();
    void CmdDeltext_Click();
    void TextAct(int AT);
    void T_rireki_Click(int Index);
    void Maintext_Click();
    void Addclip_Click();
    void Cmdaddclip_Click();
    void Lsttext_Click();
    void Lsttext_GotFocus();
    void Lsttext_KeyDown();
    void Lsttext_MouseDown(Qt::MouseButton button, const QPoint& globalPos);
    const SavedTextStore& store() const { return store_; }
    bool isLoading() const { return loading_; }

    // ---- label buttons ----
    void Focus_clear(int Focusno);
    // Whether focus marker i is shown (its own flag, also while the window is hidden).
    bool markerShown(int index) const;
    void commandButton_GotFocus(int index);
    void commandButton_LostFocus(int index);
    void labelButton_MouseMove(int index);
    void labelButton_MouseDown(int index, Qt::MouseButton button);
    void labelButton_MouseUp(int index, Qt::MouseButton button);
    void labelButton_Click(int index, bool onFace);
    void Label2_Click();

    // ---- controls, by the names every handler uses ----
    QPushButton* cmddummy = nullptr;
    QPushButton* cmdaddtext = nullptr;
    QPushButton* Cmdaddclip = nullptr;
    QPushButton* cmdClear = nullptr;
    QPushButton* CmdDeltext = nullptr;
    QPushButton* cmdok = nullptr;
    TextList* List1 = nullptr;
    QFrame* Picture1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label1 = nullptr;
    TextList* Lsttext = nullptr;
    std::array<QLabel*, 5> Label3{};  // label-button texts
    std::array<QLabel*, 5> Label4{};  // label-button faces
    std::array<QLabel*, 5> Label5{};  // focus markers
    std::array<QLabel*, 2> Label7{};  // list headers
    std::array<QLabel*, 3> Label6{};  // black bars; element 1 does not exist

    QMenu* mnutray = nullptr;
    QAction* Maintext = nullptr;
    QAction* Line2 = nullptr;
    QAction* Mainclip = nullptr;
    QAction* mnuline = nullptr;
    QAction* menuclear = nullptr;
    QAction* ShoAbout = nullptr;
    QAction* quit = nullptr;
    QMenu* Menutext = nullptr;
    QAction* Addclip = nullptr;
    QAction* Deltext = nullptr;
    QMenu* Menuclip = nullptr;
    QAction* AddTxt = nullptr;
    QAction* Dellist = nullptr;
    std::unique_ptr<MenuControlArray> T_rireki;
    std::unique_ptr<MenuControlArray> Rireki;

    // The last text taken from the clipboard; the text of every new history entry.
    QString strMsg;

    // The command buttons in label-button order: cmdok, cmdaddtext, Cmdaddclip, CmdDeltext,
    // cmdClear.
    QPushButton* commandButton(int index) const;
    ClipboardWatcher& watcher() { return watcher_; }
    ClipboardMonitor* clipboardMonitor() const { return monitor_.get(); }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildControls();
    void buildMenus();
    void connectHandlers();
    void showMainWindow();
    void rebuildHistoryMirror();
    // Every text the program puts on the clipboard goes through here.
    void putOnClipboard(const QString& text);
    QString listedFileName(int row) const;
    void deleteSelectedText();
    void recallSelectedText();
    void saveSelectedEntry();
    // Runs a command that changes the saved texts now, or after the load that is sorting.
    void runAfterLoad(void (Form1::*command)());
    bool labelButtonEvent(QObject* watched, QEvent* event);

    Options options_;
    SavedTextStore store_;
    // Declared before the watcher, which stops it when the window goes.
    std::unique_ptr<ClipboardMonitor> monitor_;
    ClipboardWatcher watcher_;
    std::unique_ptr<SingleInstance> instance_;
    std::unique_ptr<TrayIcon> TrayData_;
    bool trayAvailable_ = false;
    QTimer* trayReturnTimer_ = nullptr;
    bool loading_ = false;
    bool unloaded_ = false;
    std::vector<void (Form1::*)()> afterLoad_;
    int pressedLabel_ = -1;
};

}  // namespace tavro
