#pragma once

#include <QString>

#include "core/clock.h"

// The commands on the saved texts: save the selected history entry as a text, put a saved
// text on the clipboard, delete one, and what the saved-text list does on a click, on taking
// the focus and on a key. A command run from a label button's push button acts only while
// that button's marker shows; its menu twin always acts. Commands that change the folder wait
// for a load that runs.
namespace tavro {

class ClipboardRecorder;
class HistoryModel;
class MainWindow;
class SavedTextModel;

class SavedTextCommands {
  public:
    SavedTextCommands(SavedTextModel& savedTexts, const HistoryModel& history, MainWindow& window,
                      ClipboardRecorder& recorder, Clock clock);

    void saveSelectedEntry();
    void saveSelectedEntryFromButton();
    void deleteSelectedText();
    void deleteSelectedTextFromButton();
    void recallSelectedText();
    void recallSelectedTextFromButton();
    // The tray's saved-text entry for `row`.
    void recallRow(int row);
    // Puts the saved text `fileName` on the clipboard, or says it can't.
    void recallFile(const QString& fileName);

    void listClicked();
    void listFocused();
    void listKeyPressed();

    // Makes the commands that need a selected saved text available or not.
    void setAvailable(bool available);

  private:
    void saveNow();
    void deleteNow();

    SavedTextModel& savedTexts_;
    const HistoryModel& history_;
    MainWindow& window_;
    ClipboardRecorder& recorder_;
    Clock clock_;
};

}  // namespace tavro
