#include "clip/clipboard_watcher.h"

#include "platform/clipboard_monitor.h"

namespace tavro {

ClipboardWatcher::ClipboardWatcher(Handler handler) : handler_(std::move(handler)) {}

ClipboardWatcher::~ClipboardWatcher() {
    unhook();
}

void ClipboardWatcher::hook(ClipboardMonitor* monitor) {
    if (isHooked() || monitor == nullptr) {
        return;
    }
    monitor_ = monitor;
    connection_ = QObject::connect(monitor, &ClipboardMonitor::changed, monitor,
                                   [this](const ClipboardChange& change) { windowProc(change); });
    monitor->start();
}

void ClipboardWatcher::unhook() {
    if (!isHooked()) {
        return;
    }
    QObject::disconnect(connection_);
    connection_ = {};
    monitor_->stop();
    monitor_ = nullptr;
}

void ClipboardWatcher::windowProc(const ClipboardChange& change) {
    if (inHook_) {
        return;
    }
    inHook_ = true;
    struct Lower {
        bool& flag;
        ~Lower() { flag = false; }
    } lower{inHook_};
    handler_(change);
}

}  // namespace tavro
