#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <new>

#include "core/clipboard_formats.h"
#include "core/clipboard_secret.h"
#include "platform/clipboard_monitor.h"

namespace tavro {

ClipboardChange describeClipboard(const QMimeData* content, const QStringList& alsoOffered) {
    ClipboardChange change;
    if (content == nullptr) {
        return change;
    }
    QStringList formats = content->formats();
    for (const QString& format : alsoOffered) {
        if (!formats.contains(format)) {
            formats.append(format);
        }
    }
    // Qt gives an empty value for a read that failed.
    const SecretMark secret = clipboardSecretMark(formats, [content](const QString& format) {
        QByteArray value = content->data(format);
        return value.isEmpty() ? std::nullopt : std::optional<QByteArray>(std::move(value));
    });
    if (secret == SecretMark::Secret) {
        change.kind = ClipboardChange::Kind::Secret;
        return change;
    }
    change.formatMask = clipboardFormatMask(formats);
    if (secret == SecretMark::Unknown || !takesClipboardText(change.formatMask)) {
        return change;  // a mark that could not be read: the text is not asked for
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

bool ClipboardMonitor::reportOwnWrite() {
    std::optional<QString> own = takeOwnText();
    if (!own) {
        return false;
    }
    ClipboardChange change;
    change.formatMask = kFormatText;
    change.text = std::move(own);
    emit changed(change);
    return true;
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
        if (mode == QClipboard::Clipboard) {
            report();
        }
    });
}

void QtClipboardMonitor::report() {
    if (!reportOwnWrite()) {
        emit changed(describeClipboard(QApplication::clipboard()->mimeData(QClipboard::Clipboard)));
    }
}

void QtClipboardMonitor::stop() {
    if (isStarted()) {
        disconnect(connection_);
        connection_ = {};
    }
    takeOwnText();  // a write no report came for is forgotten
}

}  // namespace tavro
