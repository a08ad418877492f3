#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class QMimeData;

// Watching the system clipboard: each change of its content is reported once, in the order
// the changes happened, on the thread that owns the window.
namespace tavro {

struct ClipboardChange {
    enum class Kind {
        Content,    // a program put content on the clipboard (or Qt saw some change)
        Cleared,    // a program emptied the clipboard while it runs
        OwnerGone,  // the owner ended and its content went with it
        Secret,     // content a password manager marked as secret; never read
    };
    Kind kind = Kind::Content;
    // The formats offered (a mask of ClipboardFormat); only for Content.
    int formatMask = 0;
    // The plain text, read when plain text alone is offered; nothing when that read failed
    // (an owner that did not answer in time, a text too large to hold).
    std::optional<QString> text;
};

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
    void setText(const QString& text);

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

  private:
    QMetaObject::Connection connection_;
};

// What a clipboard offering `content` amounts to for the history (nullptr: no content).
// `alsoOffered` adds formats the platform knows are offered where Qt may not list them.
ClipboardChange describeClipboard(const QMimeData* content, const QStringList& alsoOffered = {});

// The monitor this platform uses for the application's clipboard.
std::unique_ptr<ClipboardMonitor> createClipboardMonitor();

}  // namespace tavro
