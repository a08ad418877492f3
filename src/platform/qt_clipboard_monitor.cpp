#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <new>

#include "clip/history.h"
#include "platform/clipboard_monitor.h"

namespace tavro {

ClipboardChange describeClipboard(const QMimeData* content) {
    ClipboardChange change;
    if (content == nullptr) {
        return change;
    }
    change.formatMask = clipboardFormatMask(content->formats());
    if (!takesClipboardText(change.formatMask)) {
        return change;
    }
    try {
        // A null text is a read that failed, not an empty text.
        QString text = content->text();
        if (!text.isNull()) {
            change.text = std::move(text);
        }
    } catch (const std::bad_alloc&) {
        // Too large to hold: no text.
    }
    return change;
}

void ClipboardMonitor::setText(const QString& text) {
    ownText_ = text;
    QApplication::clipboard()->setText(text);
}

std::optional<QString> ClipboardMonitor::takeOwnText() {
    std::optional<QString> text;
    text.swap(ownText_);
    return text;
}

QtClipboardMonitor::~QtClipboardMonitor() {
    stop();
}

void QtClipboardMonitor::start() {
    QClipboard* clipboard = QApplication::clipboard();
    if (isStarted() || clipboard == nullptr) {
        return;
    }
    connection_ = connect(clipboard, &QClipboard::changed, this, [this](QClipboard::Mode mode) {
        if (mode != QClipboard::Clipboard) {
            return;
        }
        if (std::optional<QString> own = takeOwnText()) {
            ClipboardChange change;
            change.formatMask = kFormatText;
            change.text = std::move(own);
            emit changed(change);
            return;
        }
        emit changed(describeClipboard(QApplication::clipboard()->mimeData(mode)));
    });
}

void QtClipboardMonitor::stop() {
    if (isStarted()) {
        disconnect(connection_);
        connection_ = {};
    }
    takeOwnText();  // a write no report came for is forgotten
}

}  // namespace tavro
