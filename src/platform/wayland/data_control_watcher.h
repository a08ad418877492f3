#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/selection_jobs.h"

struct wl_display;
struct wl_registry;
struct wl_proxy;
struct wl_interface;

// Watches the clipboard of a Wayland compositor through its data-control protocol
// (ext-data-control-v1, else wlr-data-control-unstable-v1), which needs neither a window nor
// the keyboard focus. It runs on a connection and a thread of its own: Qt talks to the
// display through X11, and an offer that is slow to hand over its text holds up nothing else.
//
// Each new offer of the seat's clipboard (not the primary selection) is read through a pipe
// (SelectionJobQueue decides what to ask and when to give up) and reported in order. The
// program's own writes go through the same protocol, marked with a format of their own, so
// their change is known as the program's.
//
// Without a compositor, or without the protocol, it watches nothing and wakes for nothing;
// it takes up watching again when the compositor's socket appears again (a restart) or the
// protocol's global is announced.
namespace tavro::wayland {

class DataControlWatcher final : private SelectionRequester {
  public:
    using Deliver = std::function<void(ClipboardChange change)>;
    // Asked on the watcher's thread for each new offer of another program: whether it is the
    // echo of a change another watcher reports.
    using IsEcho = std::function<bool()>;
    // Told on the watcher's thread when watching starts or stops.
    using ActiveChanged = std::function<void(bool active)>;

    // Null when the environment names no Wayland display.
    static std::unique_ptr<DataControlWatcher> open();
    ~DataControlWatcher() override;
    DataControlWatcher(const DataControlWatcher&) = delete;
    DataControlWatcher& operator=(const DataControlWatcher&) = delete;

    void start(Deliver deliver, IsEcho isEcho, ActiveChanged activeChanged);
    // Stops watching and waits for the thread; nothing is delivered once this returns.
    void stop();
    bool isRunning() const { return thread_.joinable(); }
    // Whether a clipboard is being watched now.
    bool isActive() const { return active_; }

    // Puts `text` on the clipboard as the program's own and waits (up to `timeout`) until the
    // compositor has taken it and its change has been taken in (past the timeout the change
    // is reported when it comes). False when nothing was written (no clipboard to write to,
    // or the compositor refused it).
    bool write(const QString& text, Millis timeout);

    // One of the protocol's two bindings (their messages are the same).
    struct Binding;

  private:
    struct Offer {
        wl_proxy* proxy = nullptr;
        QStringList formats;
    };
    struct Incoming {
        JobId job = 0;
        int fd = -1;
        QString format;
        QByteArray data;
    };
    struct Outgoing {
        int fd = -1;
        QByteArray bytes;
        qsizetype written = 0;
        Millis deadline = 0;
    };
    struct Write {
        std::uint64_t serial = 0;
        QString text;
    };

    DataControlWatcher(QByteArray socketPath, int wakeFd);

    std::uint32_t request(JobId job, const QString& format, std::uint32_t timestamp) override;
    void release(JobId job, bool answerMayFollow) override;
    QStringList textFormatsInOrder(const QStringList& formats) const override;
    std::optional<QString> decodeText(const SelectionValue& value,
                                      const QString& format) const override;

    void run();
    bool connect();
    void disconnect();
    void bindDevice();
    void dropDevice();
    void setActive(bool active);
    bool serve();
    void waitForCompositor();
    void takeWrites();
    void finishWrites(bool all);
    void readIncoming(Incoming& incoming, Millis now);
    void writeOutgoing(Outgoing& outgoing, Millis now);
    void deliverReports();

    // Protocol events.
    static void registryGlobal(void* self, wl_registry* registry, std::uint32_t name,
                               const char* interface, std::uint32_t version);
    static void registryGlobalRemove(void* self, wl_registry* registry, std::uint32_t name);
    static void deviceDataOffer(void* self, wl_proxy* device, wl_proxy* offer);
    static void deviceSelection(void* self, wl_proxy* device, wl_proxy* offer);
    static void deviceFinished(void* self, wl_proxy* device);
    static void devicePrimarySelection(void* self, wl_proxy* device, wl_proxy* offer);
    static void offerFormat(void* self, wl_proxy* offer, const char* mimeType);
    static void sourceSend(void* self, wl_proxy* source, const char* mimeType, int fd);
    static void sourceCancelled(void* self, wl_proxy* source);
    static void syncDone(void* self, wl_proxy* callback, std::uint32_t data);

    void selectionChanged(wl_proxy* offer);

    const QByteArray socketPath_;
    const int wakeFd_;
    const QByteArray ownMarkPrefix_;
    Deliver deliver_;
    IsEcho isEcho_;
    ActiveChanged activeChanged_;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> active_{false};

    // Shared with the writing thread.
    std::mutex mutex_;
    std::condition_variable written_;
    std::deque<Write> writesAsked_;
    std::uint64_t nextWriteSerial_ = 1;
    std::uint64_t writesSettled_ = 0;  // every write up to this one is taken in or refused
    std::uint64_t lastWriteTaken_ = 0;

    // Used by the thread.
    wl_display* display_ = nullptr;
    wl_registry* registry_ = nullptr;
    wl_proxy* seat_ = nullptr;
    std::uint32_t seatName_ = 0;
    wl_proxy* manager_ = nullptr;
    std::uint32_t managerName_ = 0;
    const Binding* binding_ = nullptr;
    wl_proxy* device_ = nullptr;
    bool firstSelection_ = true;
    bool connectedBefore_ = false;  // this is not the first compositor watched
    bool newCompositor_ = false;    // connected to a compositor that started again
    std::map<wl_proxy*, Offer> offers_;
    wl_proxy* currentOffer_ = nullptr;
    wl_proxy* newOffer_ = nullptr;  // while its change is taken in
    std::map<JobId, wl_proxy*> offerOfJob_;
    std::vector<Incoming> incoming_;
    std::vector<Outgoing> outgoing_;
    std::map<wl_proxy*, QByteArray> sources_;      // the program's own offers, with their text
    std::map<std::uint64_t, QString> writesMade_;  // serial -> text, until its change is seen
    std::map<std::uint64_t, std::uint64_t> writeChecks_;  // request number -> write serial
    std::uint32_t requestsMade_ = 0;
    std::uint32_t requestsHandled_ = 0;
    int inotify_ = -1;
    SelectionJobQueue jobs_{*this};
};

}  // namespace tavro::wayland
