// Clipboard watching on Windows. Qt joins the system's clipboard notifications itself and
// reports every change, the program's own writes included, after the write has returned
// (checked under Wine: one report per write, a moment later, with the program as owner).
#include <windows.h>

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <vector>

#include "core/clipboard_secret.h"
#include "platform/clipboard_monitor.h"

namespace tavro {

namespace {

struct SecretFormat {
    UINT id;
    QString mimeType;
};

// The formats by which password managers mark content, registered once.
const std::vector<SecretFormat>& secretFormats() {
    static const std::vector<SecretFormat> formats = [] {
        std::vector<SecretFormat> registered;
        for (const char* name : kWindowsSecretFormats) {
            const QString formatName = QString::fromLatin1(name);
            const UINT id = RegisterClipboardFormatW(reinterpret_cast<LPCWSTR>(formatName.utf16()));
            if (id != 0) {
                registered.push_back({id, windowsFormatMimeType(formatName)});
            }
        }
        return registered;
    }();
    return formats;
}

// The marks the system clipboard offers now, named as Qt names registered formats. Asked of
// the system itself, so a mark counts even where Qt's list of formats leaves it out.
QStringList offeredSecretMarks() {
    QStringList marks;
    for (const SecretFormat& format : secretFormats()) {
        if (IsClipboardFormatAvailable(format.id)) {
            marks.append(format.mimeType);
        }
    }
    return marks;
}

class WindowsClipboardMonitor final : public QtClipboardMonitor {
  public:
    using QtClipboardMonitor::QtClipboardMonitor;

    void start() override {
        lastSequence_ = GetClipboardSequenceNumber();
        QtClipboardMonitor::start();
    }

  protected:
    void report() override {
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

  private:
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
