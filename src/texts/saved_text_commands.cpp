// The saved texts in the window: loading the list and the tray entries, saving a history
// entry, deleting a text, and putting one back on the clipboard.
#include <QLabel>
#include <QMenu>
#include <QPushButton>

#include "core/history.h"
#include "core/messages.h"
#include "core/saved_text_folder.h"
#include "shell/toolkit.h"
#include "ui/form1.h"
#include "ui/text_list.h"

namespace tavro {

namespace {
// While a load reads the files, pending events are handled after every this many files.
constexpr qsizetype kFilesBetweenEventPasses = 200;
}  // namespace

void Form1::runAfterLoad(void (Form1::*command)()) {
    afterLoad_.push_back(command);
}

void Form1::LoadText() {
    if (unloaded_) {
        return;  // the program is ending: nobody will see the lists
    }
    if (loading_) {
        // Asked for while a load is sorting: the running load's result is the same folder, so
        // one more load after it is all that is needed.
        runAfterLoad(&Form1::LoadText);
        return;
    }
    loading_ = true;
    T_rireki->unloadAboveZero();
    Lsttext->clear();
    SavedTextStore::Listing listing = store_.list();
    if (!listing.names.isEmpty()) {
        // Once the program is told to end (an event handled here can do that), the sort
        // finishes without events and nothing more is read.
        sortNames(listing.names, [this] {
            if (!unloaded_) {
                processPendingEvents();
            }
        });
        int row = 0;
        qsizetype filesRead = 0;
        for (const QString& name : std::as_const(listing.names)) {
            // Thousands of files take a while to read: let the window answer meanwhile.
            if (++filesRead % kFilesBetweenEventPasses == 0) {
                processPendingEvents();
            }
            if (unloaded_) {
                break;
            }
            const std::optional<SavedText> text = store_.read(name);
            if (!text) {
                continue;  // unreadable: skipped, the rest still loads
            }
            auto* item = new QListWidgetItem(savedTextListLine(*text));
            item->setData(kFileNameRole, name);
            Lsttext->addItem(item);
            if (row < kTraySavedTextLimit) {
                if (row == 0) {
                    T_rireki->setVisible(0, true);
                } else {
                    T_rireki->load(row);
                }
                T_rireki->setCaption(row, savedTextTrayCaption(text->excerpt));
            }
            ++row;
        }
    }
    // The tray shows only what exists: without a listed text its first entry would recall
    // nothing (or show a text deleted meanwhile).
    if (Lsttext->count() == 0) {
        T_rireki->setVisible(0, false);
    }
    loading_ = false;
    // Commands that arrived while the sort let events through run now, in order; also when
    // the program is ending, so that a text saved before the quit is kept.
    std::vector<void (Form1::*)()> pending;
    pending.swap(afterLoad_);
    for (auto command : pending) {
        (this->*command)();
    }
}

// The file name a list line stands for: its last 16 characters, but only when they are the
// listed file's own name; a longer name would otherwise point at another file.
QString Form1::listedFileName(int row) const {
    const QListWidgetItem* item = Lsttext->item(row);
    if (item == nullptr) {
        return QString();
    }
    const QString name = nameFromListLine(item->text());
    return name == item->data(kFileNameRole).toString() ? name : QString();
}

void Form1::Setclip(const QString& Tempfile) {
    const std::optional<QString> text = store_.readWhole(Tempfile);
    if (!text) {
        showMessage(this, kOperationFailedMessage);
        return;
    }
    putOnClipboard(*text);
}

bool Form1::WriteText(const QString& txt) {
    if (store_.save(options_.clock(), txt)) {
        return true;
    }
    // Temptext may have been replaced by a file, or the program folder removed, since the
    // start: the texts then go where the start would put them now.
    const SavedTextFolder folder = chooseSavedTextFolder(options_.programFolder);
    if (folder.path == store_.folder() && !folder.created) {
        return false;  // the same folder, and nothing changed about it
    }
    store_ = SavedTextStore(folder.path);
    return store_.save(options_.clock(), txt).has_value();
}

void Form1::saveSelectedEntry() {
    const QString entry = List1->line(List1->listIndex());
    if (entry.isEmpty()) {
        showMessage(this, kSelectEntryToSaveMessage);
        return;
    }
    const bool saved = WriteText(historyEntryText(entry));
    LoadText();
    if (!saved) {
        showMessage(this, kOperationFailedMessage);
    }
}

void Form1::AddTxt_Click() {
    if (loading_) {
        runAfterLoad(&Form1::AddTxt_Click);
        return;
    }
    saveSelectedEntry();
}

void Form1::cmdaddtext_Click() {
    if (!markerShown(1)) {
        return;
    }
    AddTxt_Click();
}

void Form1::deleteSelectedText() {
    const int index = Lsttext->listIndex();
    if (index < 0) {
        showMessage(this, kSelectTextToDeleteMessage);
        return;
    }
    CmdDeltext->setEnabled(false);
    Cmdaddclip->setEnabled(false);
    const bool removed = store_.remove(listedFileName(index));
    LoadText();
    Lsttext->setListIndex(-1);
    TextAct(0);
    if (!removed) {
        // Gone already, or a name the list can't address: say so; the list now shows the
        // folder as it is.
        showMessage(this, kOperationFailedMessage);
    }
    cmdok->setFocus(Qt::OtherFocusReason);
}

void Form1::Deltext_Click() {
    if (loading_) {
        runAfterLoad(&Form1::Deltext_Click);
        return;
    }
    deleteSelectedText();
}

void Form1::CmdDeltext_Click() {
    if (!markerShown(3)) {
        return;
    }
    Deltext_Click();
}

void Form1::TextAct(int AT) {
    const bool available = AT != 0;
    const QColor color = available ? QColor(255, 255, 255) : QColor(192, 192, 192);
    for (QLabel* label : {Label3[3], Label3[2]}) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, color);
        label->setPalette(palette);
    }
    CmdDeltext->setEnabled(available);
    Cmdaddclip->setEnabled(available);
}

void Form1::T_rireki_Click(int Index) {
    Setclip(listedFileName(Index));
}

void Form1::Maintext_Click() {
    showMainWindow();
}

void Form1::recallSelectedText() {
    const int index = Lsttext->listIndex();
    if (index < 0) {
        showMessage(this, kSelectTextToRecallMessage);
        return;
    }
    Cmdaddclip->setEnabled(false);
    CmdDeltext->setEnabled(false);
    Setclip(listedFileName(index));
    Lsttext->setListIndex(-1);
    TextAct(0);
    cmdok->setFocus(Qt::OtherFocusReason);
}

void Form1::Addclip_Click() {
    recallSelectedText();
}

void Form1::Cmdaddclip_Click() {
    if (!markerShown(2)) {
        return;
    }
    recallSelectedText();
}

void Form1::Lsttext_Click() {
    if (T_rireki->isVisible(0)) {
        TextAct(1);
    }
}

void Form1::Lsttext_GotFocus() {
    TextAct(Lsttext->listIndex() >= 0 ? 1 : 0);
}

void Form1::Lsttext_KeyDown() {
    if (CmdDeltext->isEnabled()) {
        CmdDeltext_Click();
    }
}

void Form1::Lsttext_MouseDown(Qt::MouseButton button, const QPoint& globalPos) {
    if (CmdDeltext->isEnabled() && button == Qt::RightButton) {
        Menutext->popup(globalPos);
    }
}

}  // namespace tavro
