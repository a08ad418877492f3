#pragma once

#include <QMetaObject>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/clipboard_monitor.h"

namespace tavro {

namespace x11 {
class SelectionReader;
}
namespace wayland {
class DataControlWatcher;
}

// The clipboard of a Linux desktop, read off the window's thread by up to two watchers, each
// on a connection and thread of its own: the X11 reader (when Qt runs on xcb) and, in a
// Wayland session whose compositor offers data control, the Wayland watcher. Both hand their
// changes over through one queue, so they arrive in the order they were read, one event each.
//
// Each copy is reported by one watcher only. The compositor bridges the two clipboards when the
// X11 display is its Xwayland (a Wayland change makes its X11 bridge the owner of the X11
// clipboard; an X11 copy may be offered again on Wayland), so while the Wayland watcher runs
// beside the compositor's Xwayland:
//  - X11 programs' copies are reported by the X11 reader, which alone sees their secret hints;
//    the Wayland offer the bridge makes of one (within a second, before any other X11 change)
//    is its echo and is not reported;
//  - Wayland copies are reported by the Wayland watcher; the bridge taking the X11 clipboard
//    (a window of the window manager's client) is their echo and is not reported;
//  - the program's own writes go through the Wayland watcher (so Wayland programs can paste
//    them with no X11 window focused), else through Qt's X11 clipboard.
// Without the Wayland watcher (no compositor, no data control, the compositor gone), the X11
// reader alone reports everything, as in an X11 session.
class LinuxClipboardMonitor : public ClipboardMonitor {
    Q_OBJECT
  public:
    // Null when neither watcher can run (Qt not on xcb, and no Wayland display).
    static std::unique_ptr<LinuxClipboardMonitor> create();
    ~LinuxClipboardMonitor() override;

    void start() override;
    void stop() override;
    bool isStarted() const override { return started_; }
    void setText(const QString& text) override;

    // Whether the Wayland watcher watches a clipboard now.
    bool waylandActive() const;

  protected:
    bool event(QEvent* event) override;

  private:
    LinuxClipboardMonitor(std::unique_ptr<x11::SelectionReader> reader,
                          std::unique_ptr<wayland::DataControlWatcher> watcher);

    // On a watcher's thread.
    void push(ClipboardChange change);
    void noteX11Change();
    bool takeX11Echo();
    // On the window's thread: reports what the watchers handed over, in order.
    void reportReady();

    std::unique_ptr<x11::SelectionReader> reader_;
    std::unique_ptr<wayland::DataControlWatcher> watcher_;
    QMetaObject::Connection qtChanges_;  // with no watcher to report them
    bool started_ = false;

    std::mutex mutex_;
    std::vector<ClipboardChange> ready_;
    bool wakePosted_ = false;
    std::int64_t x11ChangeAt_ = -1;  // when an X11 program's change may still echo on Wayland
};

}  // namespace tavro
