#include "app/saved_text_commands.h"

#include "app/clipboard_recorder.h"
#include "core/history_model.h"
#include "core/messages.h"
#include "core/saved_text_model.h"
#include "ui/main_window.h"
#include "ui/message_box.h"

namespace tavro {

SavedTextCommands::SavedTextCommands(SavedTextModel& savedTexts, const HistoryModel& history,
                                     MainWindow& window, ClipboardRecorder& recorder, Clock clock)
    : savedTexts_(savedTexts),
      history_(history),
      window_(window),
      recorder_(recorder),
      clock_(std::move(clock)) {}

void SavedTextCommands::saveSelectedEntry() {
    // The selection is read when the command runs, after a load that runs now.
    savedTexts_.runWhenLoaded([this] { saveNow(); });
}

void SavedTextCommands::saveSelectedEntryFromButton() {
    if (window_.isMarkerShown(LabelButton::SaveEntry)) {
        saveSelectedEntry();
    }
}

void SavedTextCommands::saveNow() {
    const int row = window_.selectedHistoryRow();
    if (row < 0) {
        showMessage(&window_, kSelectEntryToSaveMessage);
        return;
    }
    const bool saved = savedTexts_.save(clock_(), history_.entryText(row)).has_value();
    savedTexts_.reload();
    if (!saved) {
        showMessage(&window_, kOperationFailedMessage);
    }
}

void SavedTextCommands::deleteSelectedText() {
    savedTexts_.runWhenLoaded([this] { deleteNow(); });
}

void SavedTextCommands::deleteSelectedTextFromButton() {
    if (window_.isMarkerShown(LabelButton::DeleteText)) {
        deleteSelectedText();
    }
}

void SavedTextCommands::deleteNow() {
    const int row = window_.selectedSavedTextRow();
    if (row < 0) {
        showMessage(&window_, kSelectTextToDeleteMessage);
        return;
    }
    window_.disableSavedTextButtons(LabelButton::DeleteText);
    const bool removed = savedTexts_.remove(row);
    savedTexts_.reload();
    window_.clearSavedTextSelection();
    setAvailable(false);
    if (!removed) {
        // Gone already, or a name the list can't address: say so; the list now shows the
        // folder as it is.
        showMessage(&window_, kOperationFailedMessage);
    }
    window_.focusOkButton();
}

void SavedTextCommands::recallSelectedText() {
    const int row = window_.selectedSavedTextRow();
    if (row < 0) {
        showMessage(&window_, kSelectTextToRecallMessage);
        return;
    }
    window_.disableSavedTextButtons(LabelButton::RecallText);
    recallFile(savedTexts_.fileNameOfRow(row));
    window_.clearSavedTextSelection();
    setAvailable(false);
    window_.focusOkButton();
}

void SavedTextCommands::recallSelectedTextFromButton() {
    if (window_.isMarkerShown(LabelButton::RecallText)) {
        recallSelectedText();
    }
}

void SavedTextCommands::recallRow(int row) {
    recallFile(savedTexts_.fileNameOfRow(row));
}

void SavedTextCommands::recallFile(const QString& fileName) {
    const std::optional<QString> text = savedTexts_.wholeText(fileName);
    if (!text) {
        showMessage(&window_, kOperationFailedMessage);
        return;
    }
    recorder_.putOnClipboard(*text);
}

void SavedTextCommands::listClicked() {
    if (savedTexts_.rowCount() > 0) {
        setAvailable(true);
    }
}

void SavedTextCommands::listFocused() {
    setAvailable(window_.selectedSavedTextRow() >= 0);
}

void SavedTextCommands::listKeyPressed() {
    if (window_.savedTextActionsEnabled()) {
        deleteSelectedTextFromButton();
    }
}

void SavedTextCommands::setAvailable(bool available) {
    window_.setSavedTextActionsEnabled(available);
}

}  // namespace tavro
