// Clipboard watching on Windows, with Win32 calls of the program's own rather than Qt's
// clipboard: Qt turns CR LF into LF when it reads text (and LF into CR LF when it writes),
// and reads a change only when its coalesced notification comes round on the window's
// thread, by when a burst of copies has long moved on.
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <deque>
#include <utility>

#include "core/clipboard_formats.h"
#include "platform/clipboard_monitor.h"
#include "platform/windows/clipboard_listener.h"
#include "platform/windows/win32_clipboard.h"

namespace tavro {

namespace {

// One change, carried from the listener's thread to the window's.
class ChangeEvent : public QEvent {
  public:
    static QEvent::Type eventType() {
        static const auto type = QEvent::Type(QEvent::registerEventType());
        return type;
    }
    ChangeEvent(std::uint64_t ofGeneration, win32::ListenedChange what)
        : QEvent(eventType()), generation(ofGeneration), change(std::move(what)) {}

    const std::uint64_t generation;
    const win32::ListenedChange change;
};

// Reads every change on the listener's thread and reports it on the window's; writes the
// program's own texts with the window's thread's own clipboard window, so the listener can
// tell them apart and they are reported with their text, never read back.
class WindowsClipboardMonitor final : public ClipboardMonitor {
  public:
    WindowsClipboardMonitor() : writer_(win32::createMessageWindow()) {
        // Registered here, before the listener's thread first needs it.
        ChangeEvent::eventType();
    }
    ~WindowsClipboardMonitor() override {
        stop();
        if (writer_ != nullptr) {
            DestroyWindow(writer_);
        }
    }

    void start() override {
        if (started_) {
            return;
        }
        ++generation_;
        started_ = listener_.start([this, generation = generation_](win32::ListenedChange c) {
            // On the listener's thread: only the posting touches the monitor.
            QCoreApplication::postEvent(this, new ChangeEvent(generation, std::move(c)));
        });
    }

    void stop() override {
        if (!started_) {
            return;
        }
        started_ = false;
        listener_.stop();
        ownTexts_.clear();  // writes no report came for are forgotten
    }

    bool isStarted() const override { return started_; }

    void setText(const QString& text) override {
        // Other programs read the text up to its first NUL; so does the history.
        const QString written = win32::textUpToNul(text);
        if (writer_ == nullptr || !win32::openClipboard(writer_, win32::kClipboardPatience)) {
            return;
        }
        if (win32::putText(written) && started_) {
            ownTexts_.emplace_back(++lastOwnWrite_, written);
            listener_.announceOwnWrite(lastOwnWrite_);
        }
        CloseClipboard();
    }

  protected:
    bool event(QEvent* event) override {
        if (event->type() != ChangeEvent::eventType()) {
            return ClipboardMonitor::event(event);
        }
        const auto* changeEvent = static_cast<const ChangeEvent*>(event);
        if (!started_ || changeEvent->generation != generation_) {
            return true;
        }
        const win32::ListenedChange& listened = changeEvent->change;
        if (!listened.ownWrite) {
            emit changed(listened.change);
            return true;
        }
        // Own writes are reported in the order they were made; one whose report never came
        // is dropped.
        while (!ownTexts_.empty() && ownTexts_.front().first < *listened.ownWrite) {
            ownTexts_.pop_front();
        }
        if (ownTexts_.empty() || ownTexts_.front().first != *listened.ownWrite) {
            return true;
        }
        ClipboardChange own;
        own.formatMask = kFormatText;
        own.text = std::move(ownTexts_.front().second);
        ownTexts_.pop_front();
        emit changed(own);
        return true;
    }

  private:
    HWND writer_;
    win32::ClipboardListener listener_;
    bool started_ = false;
    // Reports of an earlier start that are still queued are dropped.
    std::uint64_t generation_ = 0;
    std::uint64_t lastOwnWrite_ = 0;
    std::deque<std::pair<std::uint64_t, QString>> ownTexts_;
};

}  // namespace

std::unique_ptr<ClipboardMonitor> createClipboardMonitor() {
    // Qt's other platforms (offscreen in the widget tests) keep a clipboard of their own,
    // apart from the system's.
    if (QGuiApplication::platformName() == QLatin1String("windows")) {
        return std::make_unique<WindowsClipboardMonitor>();
    }
    return std::make_unique<QtClipboardMonitor>();
}

}  // namespace tavro
