// Clipboard watching on Windows. Qt joins the system's clipboard notifications itself and
// reports every change, the program's own writes included, after the write has returned
// (checked under Wine: one report per write, a moment later, with the program as owner).
#include <windows.h>

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>

#include "platform/clipboard_monitor.h"

namespace tavro {

namespace {

// The marks of password managers that the system clipboard offers now, named as Qt names
// registered formats. Asked of the system itself, so a mark counts even where Qt's list of
// formats leaves it out.
QStringList offeredSecretMarks() {
    QStringList marks;
    for (const wchar_t* name : {L"ExcludeClipboardContentFromMonitorProcessing",
                                L"Clipboard Viewer Ignore", L"CanIncludeInClipboardHistory"}) {
        const UINT format = RegisterClipboardFormatW(name);
        if (format != 0 && IsClipboardFormatAvailable(format)) {
            marks.append(QStringLiteral("application/x-qt-windows-mime;value=\"%1\"")
                             .arg(QString::fromWCharArray(name)));
        }
    }
    return marks;
}

class WindowsClipboardMonitor final : public ClipboardMonitor {
  public:
    using ClipboardMonitor::ClipboardMonitor;
    ~WindowsClipboardMonitor() override { stop(); }

    void start() override {
        QClipboard* clipboard = QApplication::clipboard();
        if (isStarted() || clipboard == nullptr) {
            return;
        }
        lastSequence_ = GetClipboardSequenceNumber();
        connection_ = connect(clipboard, &QClipboard::changed, this, [this](QClipboard::Mode mode) {
            if (mode == QClipboard::Clipboard) {
                report();
            }
        });
    }

    void stop() override {
        if (isStarted()) {
            disconnect(connection_);
            connection_ = {};
        }
        takeOwnText();
    }

    bool isStarted() const override { return static_cast<bool>(connection_); }

  private:
    void report() {
        // Every write raises the clipboard's sequence number: a report that finds the number
        // it saw last time is the same content announced again, not a change.
        const DWORD sequence = GetClipboardSequenceNumber();
        if (sequence != 0 && sequence == lastSequence_) {
            return;
        }
        lastSequence_ = sequence;
        QClipboard* clipboard = QApplication::clipboard();
        // The program's own write, while its content is still the clipboard's; once another
        // program has written over it, the text left is read instead.
        if (clipboard->ownsClipboard() && reportOwnWrite()) {
            return;
        }
        takeOwnText();
        emit changed(
            describeClipboard(clipboard->mimeData(QClipboard::Clipboard), offeredSecretMarks()));
    }

    QMetaObject::Connection connection_;
    DWORD lastSequence_ = 0;
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
