#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

#include "core/clipboard_change.h"

class QMimeData;

// Watching the system clipboard: each change of its content is reported once, in the order
// the changes happened, on the thread that owns the window.
namespace tavro {

class ClipboardMonitor : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;

    // Starts reporting changes; a second start changes nothing.
    virtual void start() = 0;
    // Stops reporting; without a start, or a second time, it changes nothing.
    virtual void stop() = 0;
    virtual bool isStarted() const = 0;

    // Puts a text of the program's own on the clipboard. Every write of the program goes
    // through here, so the change it makes is reported with that text, without reading it
    // back, and is never taken for another program's.
    //
    // The change is reported in its place among the others, once: on Linux before this
    // returns when every earlier change of another program has been reported (the changes
    // that were ready are reported first, in order), otherwise right after the earlier changes
    // still being read; on Windows as the system announces it, in order. Earlier changes never
    // get the written text, nor it theirs. A write the system did not take (the clipboard could
    // not be set) reports nothing. The base class writes through Qt; a platform may write the
    // clipboard itself.
    virtual void setText(const QString& text);

  signals:
    void changed(const tavro::ClipboardChange& change);

  protected:
    // The text of the program's own write that has not been reported yet, taken once.
    std::optional<QString> takeOwnText();
    // Reports the change the program's own write made, with its text, when one is pending;
    // true then.
    bool reportOwnWrite();

  private:
    std::optional<QString> ownText_;
};

// Reports the changes Qt's clipboard announces, reading each on the window's thread. It is
// what every platform without a monitor of its own uses (and Qt's offscreen platform).
class QtClipboardMonitor : public ClipboardMonitor {
    Q_OBJECT
  public:
    using ClipboardMonitor::ClipboardMonitor;
    ~QtClipboardMonitor() override;

    void start() override;
    void stop() override;
    bool isStarted() const override { return static_cast<bool>(connection_); }

  protected:
    // One change Qt announced: the program's own write, or the clipboard read.
    virtual void report();

  private:
    QMetaObject::Connection connection_;
};

// What a clipboard offering `content` amounts to for the history (nullptr: no content).
// `alsoOffered` adds formats the platform knows are offered where Qt may not list them.
ClipboardChange describeClipboard(const QMimeData* content, const QStringList& alsoOffered = {});

// The monitor this platform uses for the application's clipboard.
std::unique_ptr<ClipboardMonitor> createClipboardMonitor();

}  // namespace tavro
