#pragma once

#include <QMetaObject>
#include <functional>

#include "core/clipboard_change.h"

// Turns every change of the system clipboard's content into exactly one call of a handler,
// on the thread that owns the window, never nested inside another such call.
//
// The platform's monitor reports the changes; hook() connects to it and starts it, unhook()
// stops it and drops the connection. While the handler runs (it may wait in a message box
// with the event loop running) inHook() is true and further changes add nothing.
namespace tavro {

class ClipboardMonitor;

class ClipboardWatcher {
  public:
    using Handler = std::function<void(const ClipboardChange&)>;

    explicit ClipboardWatcher(Handler handler);
    ~ClipboardWatcher();
    ClipboardWatcher(const ClipboardWatcher&) = delete;
    ClipboardWatcher& operator=(const ClipboardWatcher&) = delete;

    // Starts watching through `monitor`; a second hook() without unhook() changes nothing.
    void hook(ClipboardMonitor* monitor);
    // Stops watching; without a hook, or a second time, it changes nothing.
    void unhook();

    bool isHooked() const { return monitor_ != nullptr; }
    bool inHook() const { return inHook_; }

    // One clipboard change: runs the handler unless a change is being handled already.
    void windowProc(const ClipboardChange& change);

  private:
    Handler handler_;
    ClipboardMonitor* monitor_ = nullptr;
    QMetaObject::Connection connection_;
    bool inHook_ = false;
};

}  // namespace tavro
