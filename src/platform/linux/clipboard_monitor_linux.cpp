#include "platform/linux/clipboard_monitor_linux.h"

#include <xcb/xcb.h>

#include <QClipboard>
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <chrono>

#include "platform/wayland/data_control_watcher.h"
#include "platform/x11/selection_reader.h"

namespace tavro {

namespace {

// Tells the window's thread that changes are waiting.
QEvent::Type readyEventType() {
    static const auto type = QEvent::Type(QEvent::registerEventType());
    return type;
}

// How long a write of the program's waits for its change to be taken in before it returns;
// past it, the change is reported when it comes.
constexpr Millis kOwnWriteWait = 500;
// How long an X11 program's copy may take to be offered again on Wayland by the bridge, and
// how long the Wayland watcher waits for the X11 reader to catch up before it decides.
constexpr Millis kEchoWindow = 1000;
constexpr Millis kEchoSyncWait = 200;

std::unique_ptr<x11::SelectionReader> openX11Reader() {
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
    return x11::SelectionReader::open(setup->resource_id_base, setup->resource_id_mask);
}

}  // namespace

std::unique_ptr<LinuxClipboardMonitor> LinuxClipboardMonitor::create() {
    std::unique_ptr<x11::SelectionReader> reader = openX11Reader();
    std::unique_ptr<wayland::DataControlWatcher> watcher = wayland::DataControlWatcher::open();
    if (!reader && !watcher) {
        return nullptr;
    }
    return std::unique_ptr<LinuxClipboardMonitor>(
        new LinuxClipboardMonitor(std::move(reader), std::move(watcher)));
}

LinuxClipboardMonitor::LinuxClipboardMonitor(std::unique_ptr<x11::SelectionReader> reader,
                                             std::unique_ptr<wayland::DataControlWatcher> watcher)
    : reader_(std::move(reader)), watcher_(std::move(watcher)) {
    // Registered here, before a watcher's thread first needs it.
    readyEventType();
}

LinuxClipboardMonitor::~LinuxClipboardMonitor() {
    stop();
}

bool LinuxClipboardMonitor::waylandActive() const {
    return watcher_ && watcher_->isActive();
}

void LinuxClipboardMonitor::start() {
    if (started_) {
        return;
    }
    started_ = true;
    if (reader_) {
        reader_->start([this](ClipboardChange change) { push(std::move(change)); },
                       [this] { noteX11Change(); });
    } else {
        // No X11 reader: Qt's own notification stands in while no Wayland clipboard is watched.
        qtChanges_ = connect(
            QGuiApplication::clipboard(), &QClipboard::changed, this,
            [this](QClipboard::Mode mode) {
                if (mode == QClipboard::Clipboard && !waylandActive() && !reportOwnWrite()) {
                    emit changed(describeClipboard(QGuiApplication::clipboard()->mimeData(mode)));
                }
            });
    }
    if (watcher_) {
        // Only the compositor's own X server has its clipboard bridged with the Wayland one;
        // beside any other X server (Xvfb, a nested Xorg) every change is a change of its own.
        const bool bridged = reader_ && reader_->isXwayland();
        watcher_->start([this](ClipboardChange change) { push(std::move(change)); },
                        [this, bridged] { return bridged && takeX11Echo(); },
                        [this, bridged](bool active) {
                            if (reader_) {
                                reader_->setCompositorSpeaks(active && bridged);
                            }
                        });
    }
}

void LinuxClipboardMonitor::stop() {
    if (!started_) {
        return;
    }
    started_ = false;
    disconnect(qtChanges_);
    if (watcher_) {
        watcher_->stop();
    }
    if (reader_) {
        reader_->stop();
        reader_->setCompositorSpeaks(false);
    }
    std::lock_guard lock(mutex_);
    ready_.clear();  // changes no one will hear of
    x11ChangeAt_ = -1;
    takeOwnText();
}

void LinuxClipboardMonitor::setText(const QString& text) {
    if (!started_) {
        ClipboardMonitor::setText(text);
        return;
    }
    if (watcher_ && watcher_->isActive() && watcher_->write(text, kOwnWriteWait)) {
        reportReady();
        return;
    }
    if (reader_) {
        reader_->expectOwnWrite(text);
        QGuiApplication::clipboard()->setText(text);
        reader_->sync(kOwnWriteWait, true);
        reportReady();
        return;
    }
    ClipboardMonitor::setText(text);  // reported through Qt's notification
}

void LinuxClipboardMonitor::push(ClipboardChange change) {
    std::lock_guard lock(mutex_);
    ready_.push_back(std::move(change));
    if (!wakePosted_) {
        wakePosted_ = true;
        QCoreApplication::postEvent(this, new QEvent(readyEventType()));
    }
}

void LinuxClipboardMonitor::noteX11Change() {
    std::lock_guard lock(mutex_);
    x11ChangeAt_ = steadyMillis();
}

bool LinuxClipboardMonitor::takeX11Echo() {
    // The bridge offers an X11 copy on Wayland only after it has read the copy's formats, so
    // once the X11 reader has taken in every change made until now, that copy is known.
    if (reader_) {
        reader_->sync(kEchoSyncWait);
    }
    std::lock_guard lock(mutex_);
    const bool echo = x11ChangeAt_ >= 0 && steadyMillis() - x11ChangeAt_ <= kEchoWindow;
    x11ChangeAt_ = -1;  // one echo per copy; a Wayland change ends the wait too
    return echo;
}

void LinuxClipboardMonitor::reportReady() {
    std::vector<ClipboardChange> ready;
    {
        std::lock_guard lock(mutex_);
        ready.swap(ready_);
        wakePosted_ = false;
    }
    for (const ClipboardChange& change : ready) {
        if (!started_) {
            return;
        }
        emit changed(change);
    }
}

bool LinuxClipboardMonitor::event(QEvent* event) {
    if (event->type() != readyEventType()) {
        return ClipboardMonitor::event(event);
    }
    reportReady();
    return true;
}

std::unique_ptr<ClipboardMonitor> createClipboardMonitor() {
    if (std::unique_ptr<LinuxClipboardMonitor> monitor = LinuxClipboardMonitor::create()) {
        return monitor;
    }
    return std::make_unique<QtClipboardMonitor>();
}

}  // namespace tavro
