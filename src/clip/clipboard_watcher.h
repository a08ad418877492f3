#pragma once

#include <QMetaObject>
#include <QObject>
#include <functional>

class QClipboard;

// Turns every change of the system clipboard's content into exactly one call of a handler,
// on the thread that owns the window, never nested inside another such call.
//
// X11 has no viewer chain to join: Qt learns of every new clipboard owner (XFixes) and of
// its own writes, and reports each once. hook() connects to that report, unhook() drops the
// connection. While the handler runs (it may wait in a message box with the event loop
// running) inHook() is true and further changes add nothing.
namespace tavro {

class ClipboardWatcher {
  public:
    using Handler = std::function<void()>;

    explicit ClipboardWatcher(Handler handler);
    ~ClipboardWatcher();
    ClipboardWatcher(const ClipboardWatcher&) = delete;
    ClipboardWatcher& operator=(const ClipboardWatcher&) = delete;

    // Starts watching; a second hook() without unhook() changes nothing.
    void hook(QClipboard* clipboard);
    // Stops watching; without a hook, or a second time, it changes nothing.
    void unhook();

    bool isHooked() const { return static_cast<bool>(connection_); }
    bool inHook() const { return inHook_; }

    // One clipboard change: runs the handler unless a change is being handled already.
    void windowProc();

  private:
    Handler handler_;
    QMetaObject::Connection connection_;
    bool inHook_ = false;
};

}  // namespace tavro
