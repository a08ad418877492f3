#pragma once

class QMimeData;

// The commands on the clipboard history: put an entry back on the clipboard (from the tray
// menu, or by a double click in the list), clear the history (from its label button, or from
// the tray menu), delete the selected entry, and recall a saved text dropped on the history.
namespace tavro {

class ClipboardRecorder;
class HistoryModel;
class MainWindow;
class SavedTextCommands;

class HistoryCommands {
  public:
    HistoryCommands(HistoryModel& history, MainWindow& window, ClipboardRecorder& recorder,
                    SavedTextCommands& savedTextCommands);

    // The tray's history entry for `row`; a row past the end recalls the empty text.
    void recallEntry(int row);
    void recallSelectedEntry();
    void clearFromButton();
    void clearFromTray();
    void deleteSelectedEntry();
    // A line dragged from the saved-text list (or any text) dropped on the history: its last
    // 16 characters name the saved text to put on the clipboard.
    void recallDroppedText(const QMimeData* dropped);

  private:
    HistoryModel& history_;
    MainWindow& window_;
    ClipboardRecorder& recorder_;
    SavedTextCommands& savedTextCommands_;
};

}  // namespace tavro
