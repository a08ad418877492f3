#include "app/history_commands.h"

#include <QMimeData>

#include "app/clipboard_recorder.h"
#include "app/saved_text_commands.h"
#include "core/history_model.h"
#include "core/messages.h"
#include "core/saved_text_model.h"
#include "ui/main_window.h"
#include "ui/message_box.h"

namespace tavro {

HistoryCommands::HistoryCommands(HistoryModel& history, MainWindow& window,
                                 ClipboardRecorder& recorder, SavedTextCommands& savedTextCommands)
    : history_(history),
      window_(window),
      recorder_(recorder),
      savedTextCommands_(savedTextCommands) {}

void HistoryCommands::recallEntry(int row) {
    recorder_.putOnClipboard(history_.entryText(row));
}

void HistoryCommands::recallSelectedEntry() {
    recorder_.putOnClipboard(history_.entryText(window_.selectedHistoryRow()));
}

void HistoryCommands::clearFromButton() {
    if (window_.isMarkerShown(LabelButton::ClearHistory)) {
        history_.clear();
    }
}

void HistoryCommands::clearFromTray() {
    window_.showMarker(LabelButton::ClearHistory);
    clearFromButton();
    window_.showMarker(LabelButton::Ok);
    // Does nothing while the window is hidden.
    window_.focusOkButton();
}

void HistoryCommands::deleteSelectedEntry() {
    const int row = window_.selectedHistoryRow();
    if (row < 0) {
        showMessage(&window_, kSelectEntryToSaveMessage);
        return;
    }
    history_.removeEntry(row);
}

void HistoryCommands::recallDroppedText(const QMimeData* dropped) {
    if (dropped == nullptr || !dropped->hasText()) {
        return;
    }
    history_.setLastText(dropped->text());
    history_.setLastText(nameFromListLine(history_.lastText()));
    const QString listedName =
        QString::fromUtf8(dropped->data(QString::fromLatin1(kFileNameMimeType)));
    if (!listedName.isEmpty() && listedName != history_.lastText()) {
        // A saved-text line whose file name is not 16 characters long: its last 16 characters
        // would name another file.
        savedTextCommands_.recallFile(QString());
        return;
    }
    savedTextCommands_.recallFile(history_.lastText());
}

}  // namespace tavro
