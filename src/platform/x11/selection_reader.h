#pragma once

#include <xcb/xcb.h>

#include <QHash>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/selection_jobs.h"

// Reads the X11 clipboard on a connection and a thread of its own, so an owner that answers
// slowly, or never, holds up nothing but this thread.
//
// XFixes tells of every change of the CLIPBOARD owner; each new owner is asked at once for
// its targets and its text (SelectionJobQueue decides what to ask and when to give up). Each
// job converts into a property of a window of its own: an answer that comes after the job
// gave up lands on a window no job uses, and a window whose owner may still write to it is
// kept for a while before it is destroyed, so a late owner never writes to a window that
// no longer exists.
//
// When the connection breaks while the display still runs (another client killed ours, as
// xkill does), the reader connects again and goes on with the next change.
//
// The thread touches nothing of Qt's GUI: it hands every change to `deliver`, in order.
namespace tavro::x11 {

class SelectionReader final : private SelectionRequester {
  public:
    using Deliver = std::function<void(ClipboardChange change)>;
    // Called on the reader's thread for a change made by another X11 program.
    using ForeignChange = std::function<void()>;

    // Connects to the display of $DISPLAY. Windows whose ids lie in the range of
    // `ownIdBase`/`ownIdMask` are the program's own. Null when the display can't be reached
    // or lacks XFixes.
    static std::unique_ptr<SelectionReader> open(std::uint32_t ownIdBase, std::uint32_t ownIdMask);
    ~SelectionReader() override;
    SelectionReader(const SelectionReader&) = delete;
    SelectionReader& operator=(const SelectionReader&) = delete;

    // Starts listening; `deliver` is called on the reader's thread for each change.
    void start(Deliver deliver, ForeignChange foreignChange = {});
    // Stops listening and waits for the thread: nothing is delivered once this returns, and
    // changes not yet delivered are dropped.
    void stop();
    bool isRunning() const { return thread_.joinable(); }

    // The program is about to write `text` to the clipboard through Qt: the change its
    // window's ownership makes is reported with that text.
    void expectOwnWrite(const QString& text);
    // Waits (up to `timeout`) until every change the server made before this call has been
    // taken in and what is ready delivered. ownWriteMade: the write announced before has been
    // made; a text no change of the program's window took is forgotten. False on timeout.
    bool sync(Millis timeout, bool ownWriteMade = false);
    // Whether the display is a Wayland compositor's Xwayland, whose clipboard the compositor
    // bridges with its own.
    bool isXwayland() const { return isXwayland_; }
    // While true, an owner belonging to the window manager's client (a Wayland compositor's
    // bridge, which takes the X11 clipboard for each Wayland change) is no change of an X11
    // program: another watcher reports it.
    void setCompositorSpeaks(bool speaks) { compositorSpeaks_ = speaks; }

  private:
    struct Atoms {
        xcb_atom_t clipboard = XCB_NONE;
        xcb_atom_t targets = XCB_NONE;
        xcb_atom_t incr = XCB_NONE;
        xcb_atom_t property = XCB_NONE;
        xcb_atom_t wmCheck = XCB_NONE;
    };
    // What a job is waiting for on its window.
    struct Request {
        xcb_window_t window = XCB_NONE;
        bool incremental = false;  // an INCR transfer: pieces arrive as the property changes
        xcb_atom_t type = XCB_NONE;
        std::uint8_t format = 0;
        QByteArray data;
    };
    // A window an owner may still write to, and when it can go.
    struct Retired {
        xcb_window_t window;
        Millis until;
    };

    SelectionReader(std::uint32_t ownIdBase, std::uint32_t ownIdMask, int wakeFd);

    std::uint32_t request(JobId job, const QString& format, std::uint32_t timestamp) override;
    void release(JobId job, bool answerMayFollow) override;
    QStringList textFormatsInOrder(const QStringList& formats) const override;
    std::optional<QString> decodeText(const SelectionValue& value,
                                      const QString& format) const override;

    bool connect();
    void disconnect();
    void listen(bool on);
    void run();
    bool serve();
    void answerSyncs();
    void handle(const xcb_generic_event_t* event, Millis now);
    void ownerChanged(const xcb_generic_event_t* event, Millis now);
    bool ownedByWindowManager(xcb_window_t owner);
    void selectionNotified(const xcb_selection_notify_event_t* event, Millis now);
    void propertyChanged(const xcb_property_notify_event_t* event, Millis now);
    void answer(JobId job, const Request& request, Millis now);
    bool readProperty(xcb_window_t window, xcb_atom_t property, Request* into);
    void deliverReports();
    void destroyRetired(Millis now, bool all);
    std::optional<Millis> nextWake() const;
    xcb_window_t takeWindow();
    xcb_atom_t atomNamed(const QString& name);
    QStringList namesOf(const xcb_atom_t* atoms, int count);
    void remember(xcb_atom_t atom, const QString& name);
    void wake();

    xcb_connection_t* connection_ = nullptr;
    xcb_window_t root_ = XCB_NONE;
    xcb_window_t listener_ = XCB_NONE;
    std::uint8_t xfixesEvent_ = 0;
    std::uint32_t idMask_ = 0;
    Atoms atoms_;
    const std::uint32_t ownIdBase_;
    const std::uint32_t ownIdMask_;
    const int wakeFd_;

    Deliver deliver_;
    ForeignChange foreignChange_;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> compositorSpeaks_{false};
    bool isXwayland_ = false;
    bool lastOwnerBridged_ = false;  // the clipboard was the bridge's

    // Shared with the threads that wait for a sync or announce own writes.
    std::mutex mutex_;
    std::condition_variable synced_;
    std::uint64_t syncsAsked_ = 0;
    std::uint64_t syncsDone_ = 0;
    std::uint64_t ownWriteSync_ = 0;  // the sync after which unclaimed own texts are dropped
    std::deque<QString> ownTexts_;

    // Used by the thread while it runs, by start() and stop() otherwise.
    SelectionJobQueue jobs_{*this};
    std::unordered_map<JobId, Request> requests_;
    std::unordered_map<xcb_window_t, JobId> jobOfWindow_;
    std::vector<xcb_window_t> freeWindows_;
    std::vector<Retired> retired_;
    QHash<xcb_atom_t, QString> atomNames_;
    QHash<QString, xcb_atom_t> atomsByName_;
};

}  // namespace tavro::x11
