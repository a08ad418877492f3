// The clipboard history: taking each clipboard change, and the commands on its entries.
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <exception>

#include "core/clipboard_formats.h"
#include "core/history.h"
#include "core/messages.h"
#include "platform/clipboard_monitor.h"
#include "shell/toolkit.h"
#include "ui/form1.h"
#include "ui/text_list.h"

namespace tavro {

void Form1::ChangeClipBoard(const ClipboardChange& change) {
    switch (change.kind) {
        case ClipboardChange::Kind::Secret:
        case ClipboardChange::Kind::OwnerGone:
            return;  // no change of the user's: no entry
        case ClipboardChange::Kind::Cleared:
            break;  // nothing offered: the entry repeats the last text
        case ClipboardChange::Kind::Content:
            // Plain text alone is taken; a read that failed keeps the last text.
            if (takesClipboardText(change.formatMask) && change.text) {
                strMsg = *change.text;
            }
            break;
    }
    Listupdate();
}

void Form1::Listupdate() {
    try {
        QStringList entries;
        entries.reserve(List1->count());
        for (int i = 0; i < List1->count(); ++i) {
            entries.append(List1->line(i));
        }
        entries = pushHistoryEntry(entries, makeHistoryEntry(options_.clock(), strMsg));
        List1->clear();
        List1->addItems(entries);
        rebuildHistoryMirror();
    } catch (const std::exception& error) {
        showMessage(this, QString::fromLocal8Bit(error.what()));
    }
}

// The tray's history entries, rebuilt from List1: element i shows entry i.
void Form1::rebuildHistoryMirror() {
    Rireki->unloadAboveZero();
    const int count = List1->count();
    Rireki->setVisible(0, count > 0);
    for (int i = 0; i < count; ++i) {
        if (i > 0) {
            Rireki->load(i);
        }
        Rireki->setCaption(i, historyTrayCaption(List1->line(i)));
    }
}

void Form1::putOnClipboard(const QString& text) {
    if (monitor_) {
        monitor_->setText(text);
    } else {
        QApplication::clipboard()->setText(text);
    }
}

void Form1::Rireki_Click(int Index) {
    // An element beyond the list (none should exist) recalls the empty text, like an empty
    // entry would.
    putOnClipboard(historyEntryText(List1->line(Index)));
}

void Form1::List1_DblClick() {
    putOnClipboard(historyEntryText(List1->line(List1->listIndex())));
}

void Form1::Mainclip_Click() {
    showMainWindow();
}

void Form1::cmdClear_Click() {
    if (!markerShown(4)) {
        return;
    }
    List1->clear();
    rebuildHistoryMirror();  // no entries: only element 0 is left, hidden
}

void Form1::menuclear_Click() {
    Focus_clear(4);
    cmdClear_Click();
    Focus_clear(0);
    // Fails quietly while the window is hidden.
    cmdok->setFocus(Qt::OtherFocusReason);
}

void Form1::Dellist_Click() {
    const int index = List1->listIndex();
    if (List1->line(index).isEmpty()) {
        showMessage(this, kSelectEntryToSaveMessage);
        return;
    }
    delete List1->takeItem(index);
    // The tray shows the list as it is now, so each entry recalls the text it shows.
    rebuildHistoryMirror();
}

void Form1::List1_MouseDown(Qt::MouseButton button, const QPoint& globalPos) {
    if (button == Qt::RightButton) {
        Menuclip->popup(globalPos);
    }
}

void Form1::List1_OLEDragDrop(const QMimeData* dropped) {
    if (dropped == nullptr || !dropped->hasText()) {
        return;
    }
    strMsg = dropped->text();
    strMsg = nameFromListLine(strMsg);
    const QString listedName =
        QString::fromUtf8(dropped->data(QString::fromLatin1(kFileNameMimeType)));
    if (!listedName.isEmpty() && listedName != strMsg) {
        // A saved-text line whose file name is not 16 characters long: its last 16
        // characters would name another file.
        Setclip(QString());
        return;
    }
    Setclip(strMsg);
}

}  // namespace tavro
