#include "app/clipboard_recorder.h"

#include <QApplication>
#include <QClipboard>
#include <exception>

#include "core/clipboard_formats.h"
#include "core/history_model.h"
#include "platform/clipboard_monitor.h"
#include "ui/message_box.h"

namespace tavro {

ClipboardRecorder::ClipboardRecorder(HistoryModel& history, Clock clock, QWidget* messageParent)
    : history_(history), clock_(std::move(clock)), messageParent_(messageParent) {}

ClipboardRecorder::~ClipboardRecorder() {
    stop();
}

void ClipboardRecorder::start(ClipboardMonitor* monitor) {
    if (isRecording() || monitor == nullptr) {
        return;
    }
    monitor_ = monitor;
    connection_ = connect(monitor, &ClipboardMonitor::changed, this, &ClipboardRecorder::record);
    monitor->start();
}

void ClipboardRecorder::stop() {
    if (!isRecording()) {
        return;
    }
    disconnect(connection_);
    connection_ = {};
    monitor_->stop();
    monitor_ = nullptr;
}

void ClipboardRecorder::putOnClipboard(const QString& text) {
    if (monitor_ != nullptr) {
        monitor_->setText(text);
    } else {
        QApplication::clipboard()->setText(text);
    }
}

void ClipboardRecorder::record(const ClipboardChange& change) {
    if (busy_) {
        return;
    }
    busy_ = true;
    struct Lower {
        bool& flag;
        ~Lower() { flag = false; }
    } lower{busy_};

    switch (change.kind) {
        case ClipboardChange::Kind::Secret:
        case ClipboardChange::Kind::OwnerGone:
            return;  // no change of the user's: no entry
        case ClipboardChange::Kind::Cleared:
            break;  // nothing offered: the entry repeats the last text
        case ClipboardChange::Kind::Content:
            // Plain text alone is taken; a read that failed keeps the last text.
            if (takesClipboardText(change.formatMask) && change.text) {
                history_.setLastText(*change.text);
            }
            break;
    }
    try {
        history_.record(clock_());
    } catch (const std::exception& error) {
        showMessage(messageParent_, QString::fromLocal8Bit(error.what()));
    }
}

}  // namespace tavro
