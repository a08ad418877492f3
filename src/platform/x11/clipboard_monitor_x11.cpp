#include "platform/x11/clipboard_monitor_x11.h"

#include <xcb/xcb.h>

#include <QClipboard>
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>

#include "platform/x11/selection_reader.h"

namespace tavro {

namespace {

// One change, carried from the reader's thread to the window's.
class ChangeEvent : public QEvent {
  public:
    static QEvent::Type eventType() {
        static const auto type = QEvent::Type(QEvent::registerEventType());
        return type;
    }
    ChangeEvent(std::uint64_t ofGeneration, ClipboardChange what)
        : QEvent(eventType()), generation(ofGeneration), change(std::move(what)) {}

    const std::uint64_t generation;
    const ClipboardChange change;
};

}  // namespace

std::unique_ptr<X11ClipboardMonitor> X11ClipboardMonitor::create() {
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (app == nullptr || QGuiApplication::platformName() != QLatin1String("xcb")) {
        return nullptr;
    }
    auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->connection() == nullptr) {
        return nullptr;
    }
    // Every window of Qt's connection has an id in the range the server gave that connection.
    const xcb_setup_t* setup = xcb_get_setup(x11->connection());
    std::unique_ptr<x11::SelectionReader> reader =
        x11::SelectionReader::open(setup->resource_id_base, setup->resource_id_mask);
    if (!reader) {
        return nullptr;
    }
    return std::unique_ptr<X11ClipboardMonitor>(new X11ClipboardMonitor(std::move(reader)));
}

X11ClipboardMonitor::X11ClipboardMonitor(std::unique_ptr<x11::SelectionReader> reader)
    : reader_(std::move(reader)) {
    // The event type is registered here, before the reader's thread first needs it.
    ChangeEvent::eventType();
}

X11ClipboardMonitor::~X11ClipboardMonitor() {
    stop();
}

void X11ClipboardMonitor::start() {
    if (started_) {
        return;
    }
    started_ = true;
    ++generation_;
    // Qt reports the program's own write before setText() returns; another program's change
    // comes from the reader.
    ownWrites_ = connect(QGuiApplication::clipboard(), &QClipboard::changed, this,
                         [this](QClipboard::Mode mode) {
                             if (mode == QClipboard::Clipboard) {
                                 reportOwnWrite();
                             }
                         });
    reader_->start([this, generation = generation_](ClipboardChange change) {
        // On the reader's thread: only the posting touches the monitor.
        QCoreApplication::postEvent(this, new ChangeEvent(generation, std::move(change)));
    });
}

void X11ClipboardMonitor::stop() {
    if (!started_) {
        return;
    }
    started_ = false;
    disconnect(ownWrites_);
    reader_->stop();
    takeOwnText();  // a write no report came for is forgotten
}

bool X11ClipboardMonitor::event(QEvent* event) {
    if (event->type() != ChangeEvent::eventType()) {
        return ClipboardMonitor::event(event);
    }
    const auto* change = static_cast<const ChangeEvent*>(event);
    if (started_ && change->generation == generation_) {
        emit changed(change->change);
    }
    return true;
}

std::unique_ptr<ClipboardMonitor> createClipboardMonitor() {
    if (std::unique_ptr<X11ClipboardMonitor> monitor = X11ClipboardMonitor::create()) {
        return monitor;
    }
    return std::make_unique<QtClipboardMonitor>();
}

}  // namespace tavro
