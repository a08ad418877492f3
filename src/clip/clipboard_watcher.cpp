#include "clip/clipboard_watcher.h"

#include <QClipboard>

namespace tavro {

ClipboardWatcher::ClipboardWatcher(Handler handler) : handler_(std::move(handler)) {}

ClipboardWatcher::~ClipboardWatcher() {
    unhook();
}

void ClipboardWatcher::hook(QClipboard* clipboard) {
    if (isHooked() || clipboard == nullptr) {
        return;
    }
    connection_ =
        QObject::connect(clipboard, &QClipboard::changed, clipboard, [this](QClipboard::Mode mode) {
            if (mode == QClipboard::Clipboard) {
                windowProc();
            }
        });
}

void ClipboardWatcher::unhook() {
    if (isHooked()) {
        QObject::disconnect(connection_);
        connection_ = {};
    }
}

void ClipboardWatcher::windowProc() {
    if (inHook_) {
        return;
    }
    inHook_ = true;
    struct Lower {
        bool& flag;
        ~Lower() { flag = false; }
    } lower{inHook_};
    handler_();
}

}  // namespace tavro
