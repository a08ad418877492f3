#pragma once

#include <QMetaObject>
#include <cstdint>
#include <memory>

#include "platform/clipboard_monitor.h"

namespace tavro {

namespace x11 {
class SelectionReader;
}

// The clipboard of an X11 desktop, read off the window's thread: a reader with its own
// connection and thread reads each change and hands it over as one queued event, so the
// changes arrive in the order they happened and an owner that never answers can't hold the
// window up. The program's own writes are reported at once, through Qt's notification, as
// every platform reports them.
class X11ClipboardMonitor : public ClipboardMonitor {
    Q_OBJECT
  public:
    // Null unless Qt runs on xcb and the display offers XFixes.
    static std::unique_ptr<X11ClipboardMonitor> create();
    ~X11ClipboardMonitor() override;

    void start() override;
    void stop() override;
    bool isStarted() const override { return started_; }

  protected:
    bool event(QEvent* event) override;

  private:
    explicit X11ClipboardMonitor(std::unique_ptr<x11::SelectionReader> reader);

    std::unique_ptr<x11::SelectionReader> reader_;
    QMetaObject::Connection ownWrites_;
    bool started_ = false;
    // Changes of an earlier start that are still queued are dropped.
    std::uint64_t generation_ = 0;
};

}  // namespace tavro
