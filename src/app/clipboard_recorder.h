#pragma once

#include <QObject>

#include "core/clipboard_change.h"
#include "core/clock.h"

class QWidget;

// Turns every change of the clipboard's content into one history entry, on the window's
// thread, and puts the program's own texts on the clipboard.
//
// While an entry is being made (which may wait in a message box with the event loop running)
// a further change adds nothing, so history updates never nest.
namespace tavro {

class ClipboardMonitor;
class HistoryModel;

class ClipboardRecorder : public QObject {
    Q_OBJECT
  public:
    ClipboardRecorder(HistoryModel& history, Clock clock, QWidget* messageParent);
    ~ClipboardRecorder() override;

    // Starts recording the changes `monitor` reports; a second start changes nothing.
    void start(ClipboardMonitor* monitor);
    // Stops recording; without a start, or a second time, it changes nothing.
    void stop();
    bool isRecording() const { return monitor_ != nullptr; }
    // True while a change is being recorded.
    bool isBusy() const { return busy_; }

    // Every text the program puts on the clipboard goes through here. Its change comes back
    // as the newest entry, as any other program's change does.
    void putOnClipboard(const QString& text);

    // One change of the clipboard: the entry it makes, unless a change is being recorded.
    void record(const ClipboardChange& change);

  private:
    HistoryModel& history_;
    Clock clock_;
    QWidget* messageParent_;
    ClipboardMonitor* monitor_ = nullptr;
    QMetaObject::Connection connection_;
    bool busy_ = false;
};

}  // namespace tavro
