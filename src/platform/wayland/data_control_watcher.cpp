#include "platform/wayland/data_control_watcher.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>
#include <wayland-client.h>

#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <new>

#include "ext-data-control-v1-client-protocol.h"
#include "wlr-data-control-unstable-v1-client-protocol.h"

namespace tavro::wayland {

namespace {

// The messages of both bindings, which carry the same numbers: one code path serves both.
enum : std::uint32_t {
    kManagerCreateDataSource = EXT_DATA_CONTROL_MANAGER_V1_CREATE_DATA_SOURCE,
    kManagerGetDataDevice = EXT_DATA_CONTROL_MANAGER_V1_GET_DATA_DEVICE,
    kManagerDestroy = EXT_DATA_CONTROL_MANAGER_V1_DESTROY,
    kDeviceSetSelection = EXT_DATA_CONTROL_DEVICE_V1_SET_SELECTION,
    kDeviceDestroy = EXT_DATA_CONTROL_DEVICE_V1_DESTROY,
    kSourceOffer = EXT_DATA_CONTROL_SOURCE_V1_OFFER,
    kSourceDestroy = EXT_DATA_CONTROL_SOURCE_V1_DESTROY,
    kOfferReceive = EXT_DATA_CONTROL_OFFER_V1_RECEIVE,
    kOfferDestroy = EXT_DATA_CONTROL_OFFER_V1_DESTROY,
};
static_assert(kManagerCreateDataSource == ZWLR_DATA_CONTROL_MANAGER_V1_CREATE_DATA_SOURCE &&
              kManagerGetDataDevice == ZWLR_DATA_CONTROL_MANAGER_V1_GET_DATA_DEVICE &&
              kManagerDestroy == ZWLR_DATA_CONTROL_MANAGER_V1_DESTROY &&
              kDeviceSetSelection == ZWLR_DATA_CONTROL_DEVICE_V1_SET_SELECTION &&
              kDeviceDestroy == ZWLR_DATA_CONTROL_DEVICE_V1_DESTROY &&
              kSourceOffer == ZWLR_DATA_CONTROL_SOURCE_V1_OFFER &&
              kSourceDestroy == ZWLR_DATA_CONTROL_SOURCE_V1_DESTROY &&
              kOfferReceive == ZWLR_DATA_CONTROL_OFFER_V1_RECEIVE &&
              kOfferDestroy == ZWLR_DATA_CONTROL_OFFER_V1_DESTROY);

// The events of both bindings, in their order on the wire; every object is a wl_proxy.
struct DeviceListener {
    void (*dataOffer)(void*, wl_proxy*, wl_proxy*);
    void (*selection)(void*, wl_proxy*, wl_proxy*);
    void (*finished)(void*, wl_proxy*);
    void (*primarySelection)(void*, wl_proxy*, wl_proxy*);
};
struct OfferListener {
    void (*offer)(void*, wl_proxy*, const char*);
};
struct SourceListener {
    void (*send)(void*, wl_proxy*, const char*, int);
    void (*cancelled)(void*, wl_proxy*);
};
struct CallbackListener {
    void (*done)(void*, wl_proxy*, std::uint32_t);
};

template <typename Listener>
void listen(wl_proxy* proxy, const Listener* listener, void* data) {
    wl_proxy_add_listener(proxy, reinterpret_cast<void (**)(void)>(const_cast<Listener*>(listener)),
                          data);
}

// The text formats offered for the program's own writes, and asked for in this order.
const char* const kTextFormats[] = {"text/plain;charset=utf-8", "UTF8_STRING", "text/plain",
                                    "STRING", "TEXT"};
// Marks an offer as a write of this program: the format's name ends with the write's number.
constexpr char kOwnWriteFormat[] = "application/x-tavro-own-write;id=";

// How many own texts may be being sent at once, and how long a reader may leave one waiting.
constexpr size_t kMaxOutgoing = 64;
constexpr Millis kSendTimeout = 1000;
// After the compositor's socket appears, how often connecting is tried before waiting for the
// socket again (it is bound a moment before it listens).
constexpr int kConnectTries = 6;

bool isUtf8PlainText(const QString& name) {
    return name.compare(QLatin1String(kTextFormats[0]), Qt::CaseInsensitive) == 0;
}

}  // namespace

struct DataControlWatcher::Binding {
    const char* managerName;
    std::uint32_t maxVersion;
    const wl_interface* manager;
    const wl_interface* device;
    const wl_interface* source;
    const wl_interface* offer;
};

namespace {

// The standard protocol first; the older one where a compositor offers only that.
const DataControlWatcher::Binding kBindingList[] = {
    {"ext_data_control_manager_v1", 1, &ext_data_control_manager_v1_interface,
     &ext_data_control_device_v1_interface, &ext_data_control_source_v1_interface,
     &ext_data_control_offer_v1_interface},
    {"zwlr_data_control_manager_v1", 2, &zwlr_data_control_manager_v1_interface,
     &zwlr_data_control_device_v1_interface, &zwlr_data_control_source_v1_interface,
     &zwlr_data_control_offer_v1_interface},
};
const DataControlWatcher::Binding* const kBindings[] = {&kBindingList[0], &kBindingList[1]};

}  // namespace

std::unique_ptr<DataControlWatcher> DataControlWatcher::open() {
    const QByteArray name = qgetenv("WAYLAND_DISPLAY");
    if (name.isEmpty()) {
        return nullptr;
    }
    QByteArray path = name;
    if (!name.startsWith('/')) {
        const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
        if (runtime.isEmpty()) {
            return nullptr;
        }
        path = runtime + '/' + name;
    }
    const int wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd < 0) {
        return nullptr;
    }
    return std::unique_ptr<DataControlWatcher>(new DataControlWatcher(path, wakeFd));
}

DataControlWatcher::DataControlWatcher(QByteArray socketPath, int wakeFd)
    : socketPath_(std::move(socketPath)),
      wakeFd_(wakeFd),
      ownMarkPrefix_(kOwnWriteFormat + QByteArray::number(qint64(::getpid())) + '-') {}

DataControlWatcher::~DataControlWatcher() {
    stop();
    ::close(wakeFd_);
}

void DataControlWatcher::start(Deliver deliver, IsEcho isEcho, ActiveChanged activeChanged) {
    if (isRunning()) {
        return;
    }
    deliver_ = std::move(deliver);
    isEcho_ = std::move(isEcho);
    activeChanged_ = std::move(activeChanged);
    stopping_ = false;
    thread_ = std::thread([this] {
        pthread_setname_np(pthread_self(), "wl-clipboard");
        // A reader that closes its pipe early makes a write fail, never end the program.
        sigset_t pipe;
        sigemptyset(&pipe);
        sigaddset(&pipe, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
        run();
        disconnect();
    });
}

void DataControlWatcher::stop() {
    if (!isRunning()) {
        return;
    }
    stopping_ = true;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakeFd_, &one, sizeof one);
    thread_.join();
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t read = ::read(wakeFd_, &count, sizeof count);
    finishWrites(true);
    deliver_ = nullptr;
    isEcho_ = nullptr;
    activeChanged_ = nullptr;
}

bool DataControlWatcher::write(const QString& text, Millis timeout) {
    std::unique_lock lock(mutex_);
    if (!isRunning() || !active_) {
        return false;
    }
    const std::uint64_t serial = nextWriteSerial_++;
    writesAsked_.push_back({serial, text});
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakeFd_, &one, sizeof one);
    if (!written_.wait_for(lock, std::chrono::milliseconds(timeout),
                           [&] { return writesSettled_ >= serial; })) {
        return true;  // still on its way: its change is reported when it comes
    }
    return lastWriteTaken_ >= serial;
}

// ---- the thread ----

void DataControlWatcher::run() {
    while (!stopping_) {
        if (display_ == nullptr && !connect()) {
            waitForCompositor();
            continue;
        }
        if (!serve()) {
            disconnect();  // the compositor went away; the next one is waited for
        }
    }
}

bool DataControlWatcher::connect() {
    display_ = wl_display_connect(socketPath_.constData());
    if (display_ == nullptr) {
        return false;
    }
    static const wl_registry_listener registryListener = {registryGlobal, registryGlobalRemove};
    registry_ = wl_display_get_registry(display_);
    wl_registry_add_listener(registry_, &registryListener, this);
    // The device may be bound during the round trip, as the globals come in.
    newCompositor_ = connectedBefore_;
    if (wl_display_roundtrip(display_) < 0) {
        disconnect();
        return false;
    }
    connectedBefore_ = true;
    bindDevice();
    return true;
}

void DataControlWatcher::disconnect() {
    if (display_ == nullptr) {
        return;
    }
    dropDevice();
    for (auto& [source, text] : sources_) {
        wl_proxy_destroy(source);
    }
    sources_.clear();
    if (manager_ != nullptr) {
        wl_proxy_destroy(manager_);
        manager_ = nullptr;
    }
    if (seat_ != nullptr) {
        wl_proxy_destroy(seat_);
        seat_ = nullptr;
    }
    wl_registry_destroy(registry_);
    registry_ = nullptr;
    writeChecks_.clear();
    // The requests the old connection never answered are over: the next connection's answers
    // count from the requests made on it.
    requestsHandled_ = requestsMade_;
    wl_display_disconnect(display_);
    display_ = nullptr;
    for (Outgoing& outgoing : outgoing_) {
        ::close(outgoing.fd);
    }
    outgoing_.clear();
    finishWrites(true);
}

void DataControlWatcher::bindDevice() {
    if (device_ != nullptr || manager_ == nullptr || seat_ == nullptr) {
        return;
    }
    device_ = wl_proxy_marshal_flags(manager_, kManagerGetDataDevice, binding_->device,
                                     wl_proxy_get_version(manager_), 0, nullptr, seat_);
    static const DeviceListener deviceListener = {deviceDataOffer, deviceSelection, deviceFinished,
                                                  devicePrimarySelection};
    listen(device_, &deviceListener, this);
    // The first selection is what the clipboard holds now, no change; but a compositor that
    // started again holds only what was copied since it started.
    firstSelection_ = !newCompositor_;
    newCompositor_ = false;
    setActive(true);
}

void DataControlWatcher::dropDevice() {
    jobs_.clear();
    for (auto& [proxy, offer] : offers_) {
        wl_proxy_marshal_flags(proxy, kOfferDestroy, nullptr, wl_proxy_get_version(proxy),
                               WL_MARSHAL_FLAG_DESTROY);
    }
    offers_.clear();
    currentOffer_ = nullptr;
    offerOfJob_.clear();
    if (device_ != nullptr) {
        wl_proxy_marshal_flags(device_, kDeviceDestroy, nullptr, wl_proxy_get_version(device_),
                               WL_MARSHAL_FLAG_DESTROY);
        device_ = nullptr;
    }
    setActive(false);
    finishWrites(true);
}

void DataControlWatcher::setActive(bool active) {
    if (active_.exchange(active) != active && activeChanged_) {
        activeChanged_(active);
    }
}

void DataControlWatcher::waitForCompositor() {
    // Woken only when something appears in the socket's folder, or to stop.
    if (inotify_ < 0) {
        inotify_ = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
        const QByteArray folder =
            QFileInfo(QString::fromLocal8Bit(socketPath_)).path().toLocal8Bit();
        if (inotify_ >= 0 &&
            inotify_add_watch(inotify_, folder.constData(), IN_CREATE | IN_MOVED_TO) < 0) {
            ::close(inotify_);
            inotify_ = -1;
        }
    }
    // The socket may be there already (the compositor came back before this); it is bound a
    // moment before it listens.
    for (int attempt = 0; attempt < kConnectTries && !stopping_; ++attempt) {
        if (access(socketPath_.constData(), F_OK) == 0 && connect()) {
            return;
        }
        if (access(socketPath_.constData(), F_OK) != 0) {
            break;
        }
        pollfd wakeUp{wakeFd_, POLLIN, 0};
        ::poll(&wakeUp, 1, 50 << attempt);
    }
    pollfd fds[2] = {{wakeFd_, POLLIN, 0}, {inotify_, POLLIN, 0}};
    ::poll(fds, inotify_ >= 0 ? 2 : 1, -1);
    char events[4096];
    while (inotify_ >= 0 && ::read(inotify_, events, sizeof events) > 0) {
    }
    if ((fds[0].revents & POLLIN) != 0) {
        std::uint64_t count = 0;
        [[maybe_unused]] const ssize_t read = ::read(wakeFd_, &count, sizeof count);
        takeWrites();  // none can be made: they are answered at once
    }
}

bool DataControlWatcher::serve() {
    if (wl_display_dispatch_pending(display_) < 0) {
        return false;
    }
    takeWrites();
    const Millis now = steadyMillis();
    jobs_.expire(now);
    deliverReports();
    for (Outgoing& outgoing : outgoing_) {
        if (outgoing.deadline <= now) {
            ::close(outgoing.fd);  // a reader that takes nothing more is left
            outgoing.fd = -1;
        }
    }
    std::erase_if(outgoing_, [](const Outgoing& outgoing) { return outgoing.fd < 0; });

    while (wl_display_prepare_read(display_) != 0) {
        if (wl_display_dispatch_pending(display_) < 0) {
            return false;
        }
    }
    int flushed = wl_display_flush(display_);
    const bool mustWrite = flushed < 0 && errno == EAGAIN;
    if (flushed < 0 && !mustWrite) {
        wl_display_cancel_read(display_);
        return false;
    }

    std::vector<pollfd> fds;
    fds.push_back({wl_display_get_fd(display_), short(POLLIN | (mustWrite ? POLLOUT : 0)), 0});
    fds.push_back({wakeFd_, POLLIN, 0});
    for (const Incoming& incoming : incoming_) {
        fds.push_back({incoming.fd, POLLIN, 0});
    }
    for (const Outgoing& outgoing : outgoing_) {
        fds.push_back({outgoing.fd, POLLOUT, 0});
    }
    std::optional<Millis> wake = jobs_.nextDeadline();
    for (const Outgoing& outgoing : outgoing_) {
        wake = std::min(wake.value_or(outgoing.deadline), outgoing.deadline);
    }
    const int timeout = wake ? int(std::clamp<Millis>(*wake - steadyMillis(), 0, 60000)) : -1;
    if (::poll(fds.data(), fds.size(), timeout) < 0 && errno != EINTR) {
        wl_display_cancel_read(display_);
        return false;
    }
    if ((fds[0].revents & POLLIN) != 0) {
        if (wl_display_read_events(display_) < 0) {
            return false;
        }
    } else {
        wl_display_cancel_read(display_);
    }
    if ((fds[0].revents & (POLLERR | POLLHUP)) != 0 && (fds[0].revents & POLLIN) == 0) {
        return false;
    }
    if ((fds[1].revents & POLLIN) != 0) {
        std::uint64_t count = 0;
        [[maybe_unused]] const ssize_t read = ::read(wakeFd_, &count, sizeof count);
    }
    // The pipes, by their descriptors: reading may end a job and change the lists.
    const Millis then = steadyMillis();
    size_t index = 2;
    std::vector<int> readable;
    for (const Incoming& incoming : incoming_) {
        if ((fds[index++].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
            readable.push_back(incoming.fd);
        }
    }
    std::vector<int> writable;
    for (const Outgoing& outgoing : outgoing_) {
        if ((fds[index++].revents & (POLLOUT | POLLHUP | POLLERR)) != 0) {
            writable.push_back(outgoing.fd);
        }
    }
    for (int fd : readable) {
        const auto found =
            std::find_if(incoming_.begin(), incoming_.end(),
                         [fd](const Incoming& incoming) { return incoming.fd == fd; });
        if (found != incoming_.end()) {
            readIncoming(*found, then);
        }
    }
    for (Outgoing& outgoing : outgoing_) {
        if (std::find(writable.begin(), writable.end(), outgoing.fd) != writable.end()) {
            writeOutgoing(outgoing, then);
        }
    }
    std::erase_if(outgoing_, [](const Outgoing& outgoing) { return outgoing.fd < 0; });
    deliverReports();
    return wl_display_get_error(display_) == 0;
}

void DataControlWatcher::readIncoming(Incoming& incoming, Millis now) {
    const JobId job = incoming.job;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(incoming.fd, buffer, sizeof buffer);
        if (got > 0) {
            if (incoming.data.size() + got > kMaxSelectionBytes) {
                jobs_.transferFailed(job);
                return;
            }
            try {
                incoming.data.append(buffer, got);
            } catch (const std::bad_alloc&) {
                jobs_.transferFailed(job);
                return;
            }
            continue;
        }
        if (got == 0) {
            // The source closed its end: the text is whole.
            SelectionValue value;
            value.type = incoming.format;
            value.bytes = std::move(incoming.data);
            jobs_.answered(job, value, now);
            return;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno == EAGAIN) {
            jobs_.transferProgressed(job, now);
        } else {
            jobs_.transferFailed(job);
        }
        return;
    }
}

void DataControlWatcher::writeOutgoing(Outgoing& outgoing, Millis now) {
    while (outgoing.written < outgoing.bytes.size()) {
        const ssize_t put = ::write(outgoing.fd, outgoing.bytes.constData() + outgoing.written,
                                    size_t(outgoing.bytes.size() - outgoing.written));
        if (put > 0) {
            outgoing.written += put;
            outgoing.deadline = now + kSendTimeout;
            continue;
        }
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put < 0 && errno == EAGAIN) {
            return;
        }
        break;  // the reader went away (EPIPE): nothing more to send
    }
    ::close(outgoing.fd);
    outgoing.fd = -1;
}

void DataControlWatcher::deliverReports() {
    for (ClipboardChange& change : jobs_.takeReports()) {
        deliver_(std::move(change));
    }
    finishWrites(false);
}

void DataControlWatcher::takeWrites() {
    std::deque<Write> asked;
    {
        std::lock_guard lock(mutex_);
        asked.swap(writesAsked_);
    }
    for (Write& write : asked) {
        if (device_ == nullptr) {
            continue;  // refused: settled below
        }
        wl_proxy* source =
            wl_proxy_marshal_flags(manager_, kManagerCreateDataSource, binding_->source,
                                   wl_proxy_get_version(manager_), 0, nullptr);
        static const SourceListener sourceListener = {sourceSend, sourceCancelled};
        listen(source, &sourceListener, this);
        for (const char* format : kTextFormats) {
            wl_proxy_marshal_flags(source, kSourceOffer, nullptr, wl_proxy_get_version(source), 0,
                                   format);
        }
        const QByteArray mark = ownMarkPrefix_ + QByteArray::number(write.serial);
        wl_proxy_marshal_flags(source, kSourceOffer, nullptr, wl_proxy_get_version(source), 0,
                               mark.constData());
        wl_proxy_marshal_flags(device_, kDeviceSetSelection, nullptr, wl_proxy_get_version(device_),
                               0, source);
        sources_[source] = write.text.toUtf8();
        writesMade_[write.serial] = std::move(write.text);
        // The compositor answers this after it has handled the selection: a write whose change
        // has not come by then was refused.
        wl_callback* check = wl_display_sync(display_);
        static const CallbackListener checkListener = {syncDone};
        listen(reinterpret_cast<wl_proxy*>(check), &checkListener, this);
        writeChecks_[wl_proxy_get_id(reinterpret_cast<wl_proxy*>(check))] = write.serial;
    }
    if (!asked.empty()) {
        finishWrites(false);
    }
}

void DataControlWatcher::finishWrites(bool all) {
    std::lock_guard lock(mutex_);
    // Settled: every write asked before that is neither queued nor waiting for its check.
    std::uint64_t settled = nextWriteSerial_ - 1;
    if (!all) {
        for (const Write& write : writesAsked_) {
            settled = std::min(settled, write.serial - 1);
        }
        for (const auto& [id, serial] : writeChecks_) {
            settled = std::min(settled, serial - 1);
        }
    } else {
        writesAsked_.clear();
    }
    if (settled > writesSettled_) {
        writesSettled_ = settled;
        written_.notify_all();
    }
}

// ---- requests of the job queue ----

std::uint32_t DataControlWatcher::request(JobId job, const QString& format, std::uint32_t) {
    const std::uint32_t number = ++requestsMade_;
    auto offer = offerOfJob_.find(job);
    if (offer == offerOfJob_.end() && newOffer_ != nullptr) {
        // The first request of a job is made while its change is taken in.
        offer = offerOfJob_.emplace(job, newOffer_).first;
    }
    int fds[2] = {-1, -1};
    if (offer != offerOfJob_.end() && pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0) {
        const QByteArray name = format.toUtf8();
        wl_proxy_marshal_flags(offer->second, kOfferReceive, nullptr,
                               wl_proxy_get_version(offer->second), 0, name.constData(), fds[1]);
        ::close(fds[1]);
        incoming_.push_back({job, fds[0], format, {}});
    }
    // Its answer tells that the compositor handled the request: a selection event that comes
    // before it may have come before the request too. (Nothing asked: the read fails at its
    // deadline.)
    wl_callback* handled = wl_display_sync(display_);
    static const CallbackListener handledListener = {syncDone};
    listen(reinterpret_cast<wl_proxy*>(handled), &handledListener, this);
    return number;
}

void DataControlWatcher::release(JobId job, bool) {
    std::erase_if(incoming_, [job](Incoming& incoming) {
        if (incoming.job != job) {
            return false;
        }
        ::close(incoming.fd);  // a source still writing gets an error, nothing else
        return true;
    });
    const auto offer = offerOfJob_.find(job);
    if (offer == offerOfJob_.end()) {
        return;
    }
    wl_proxy* proxy = offer->second;
    offerOfJob_.erase(offer);
    if (proxy != currentOffer_ && offers_.erase(proxy) != 0) {
        wl_proxy_marshal_flags(proxy, kOfferDestroy, nullptr, wl_proxy_get_version(proxy),
                               WL_MARSHAL_FLAG_DESTROY);
    }
}

QStringList DataControlWatcher::textFormatsInOrder(const QStringList& formats) const {
    QStringList ordered;
    for (const char* wanted : kTextFormats) {
        for (const QString& format : formats) {
            const bool matches = wanted == kTextFormats[0] ? isUtf8PlainText(format)
                                                           : format == QLatin1String(wanted);
            if (matches && !ordered.contains(format)) {
                ordered.append(format);
            }
        }
    }
    return ordered;
}

std::optional<QString> DataControlWatcher::decodeText(const SelectionValue& value,
                                                      const QString&) const {
    // Wayland programs send UTF-8 for every text format; some end it with a NUL.
    QByteArray bytes = value.bytes;
    if (bytes.endsWith('\0')) {
        bytes.chop(1);
    }
    return QString::fromUtf8(bytes);
}

// ---- protocol events ----

void DataControlWatcher::registryGlobal(void* data, wl_registry* registry, std::uint32_t name,
                                        const char* interface, std::uint32_t version) {
    auto* self = static_cast<DataControlWatcher*>(data);
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && self->seat_ == nullptr) {
        self->seat_ =
            static_cast<wl_proxy*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
        self->seatName_ = name;
    }
    for (const Binding* binding : kBindings) {
        // The standard protocol replaces the older one; the older one is taken only alone.
        if (std::strcmp(interface, binding->managerName) != 0 ||
            (self->manager_ != nullptr &&
             (self->binding_ == binding || self->binding_ == kBindings[0]))) {
            continue;
        }
        if (self->manager_ != nullptr) {
            self->dropDevice();
            wl_proxy_destroy(self->manager_);
        }
        self->binding_ = binding;
        self->manager_ = static_cast<wl_proxy*>(wl_registry_bind(
            registry, name, binding->manager, std::min(version, binding->maxVersion)));
        self->managerName_ = name;
    }
    if (self->device_ == nullptr && self->display_ != nullptr) {
        self->bindDevice();
    }
}

void DataControlWatcher::registryGlobalRemove(void* data, wl_registry*, std::uint32_t name) {
    auto* self = static_cast<DataControlWatcher*>(data);
    if (self->seat_ != nullptr && name == self->seatName_) {
        self->dropDevice();
        wl_proxy_destroy(self->seat_);
        self->seat_ = nullptr;
    } else if (self->manager_ != nullptr && name == self->managerName_) {
        self->dropDevice();
        wl_proxy_destroy(self->manager_);
        self->manager_ = nullptr;
    }
}

void DataControlWatcher::deviceDataOffer(void* data, wl_proxy*, wl_proxy* offer) {
    auto* self = static_cast<DataControlWatcher*>(data);
    static const OfferListener offerListener = {offerFormat};
    listen(offer, &offerListener, self);
    self->offers_[offer].proxy = offer;
}

void DataControlWatcher::offerFormat(void* data, wl_proxy* offer, const char* mimeType) {
    auto* self = static_cast<DataControlWatcher*>(data);
    const auto found = self->offers_.find(offer);
    if (found != self->offers_.end() && found->second.formats.size() < 1024) {
        found->second.formats.append(QString::fromUtf8(mimeType));
    }
}

void DataControlWatcher::deviceSelection(void* data, wl_proxy*, wl_proxy* offer) {
    static_cast<DataControlWatcher*>(data)->selectionChanged(offer);
}

void DataControlWatcher::devicePrimarySelection(void* data, wl_proxy*, wl_proxy* offer) {
    // The primary selection changes with every selection of the mouse: not watched.
    auto* self = static_cast<DataControlWatcher*>(data);
    if (offer != nullptr) {
        self->offers_.erase(offer);
        wl_proxy_marshal_flags(offer, kOfferDestroy, nullptr, wl_proxy_get_version(offer),
                               WL_MARSHAL_FLAG_DESTROY);
    }
}

void DataControlWatcher::deviceFinished(void* data, wl_proxy*) {
    // The compositor ended the device: watching stops until a seat or the protocol comes anew.
    static_cast<DataControlWatcher*>(data)->dropDevice();
}

void DataControlWatcher::selectionChanged(wl_proxy* offer) {
    const Millis now = steadyMillis();
    wl_proxy* previous = currentOffer_;
    currentOffer_ = offer;
    const bool first = firstSelection_;
    firstSelection_ = false;

    OwnerChange change;
    change.handledRequest = requestsHandled_;
    QStringList formats;
    if (offer != nullptr) {
        formats = offers_[offer].formats;
    }
    std::optional<std::uint64_t> ownSerial;
    for (const QString& format : formats) {
        const QByteArray name = format.toUtf8();
        if (name.startsWith(ownMarkPrefix_)) {
            ownSerial = name.mid(ownMarkPrefix_.size()).toULongLong();
        }
    }
    if (offer == nullptr) {
        // On Wayland the clipboard empties when its owner ends; a program emptying it can't
        // be told apart, and counts the same: no entry.
        change.kind = OwnerChange::Kind::OwnerGone;
    } else if (ownSerial) {
        change.kind = OwnerChange::Kind::OwnWrite;
        const auto made = writesMade_.find(*ownSerial);
        if (made != writesMade_.end()) {
            change.ownText = made->second;
        }
        std::erase_if(writesMade_, [&](const auto& entry) { return entry.first <= *ownSerial; });
        {
            std::lock_guard lock(mutex_);
            lastWriteTaken_ = std::max(lastWriteTaken_, *ownSerial);
        }
    } else if (!first && isEcho_ && isEcho_()) {
        change.kind = OwnerChange::Kind::ReportedElsewhere;
    } else {
        change.kind = OwnerChange::Kind::NewOwner;
        change.formats = formats;
    }
    if (!first) {
        // The new job's requests go to this offer, and can reach no other.
        newOffer_ = offer;
        jobs_.ownerChanged(change, now);
        newOffer_ = nullptr;
    }
    // The replaced offer asks nothing more; it goes unless a job still holds it (or its job
    // let it go just now).
    if (previous != nullptr && previous != offer && offers_.count(previous) != 0) {
        const bool held =
            std::any_of(offerOfJob_.begin(), offerOfJob_.end(),
                        [previous](const auto& entry) { return entry.second == previous; });
        if (!held) {
            offers_.erase(previous);
            wl_proxy_marshal_flags(previous, kOfferDestroy, nullptr, wl_proxy_get_version(previous),
                                   WL_MARSHAL_FLAG_DESTROY);
        }
    }
    deliverReports();
}

void DataControlWatcher::sourceSend(void* data, wl_proxy* source, const char* mimeType, int fd) {
    auto* self = static_cast<DataControlWatcher*>(data);
    const auto found = self->sources_.find(source);
    const QByteArray format(mimeType);
    if (found == self->sources_.end() || self->outgoing_.size() >= kMaxOutgoing) {
        ::close(fd);
        return;
    }
    QByteArray bytes = found->second;
    if (format.startsWith(kOwnWriteFormat)) {
        bytes = format;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    fcntl(fd, F_SETFD, FD_CLOEXEC);
    self->outgoing_.push_back({fd, std::move(bytes), 0, steadyMillis() + kSendTimeout});
    self->writeOutgoing(self->outgoing_.back(), steadyMillis());
}

void DataControlWatcher::sourceCancelled(void* data, wl_proxy* source) {
    // Another offer replaced this one; what is being sent goes on.
    auto* self = static_cast<DataControlWatcher*>(data);
    self->sources_.erase(source);
    wl_proxy_marshal_flags(source, kSourceDestroy, nullptr, wl_proxy_get_version(source),
                           WL_MARSHAL_FLAG_DESTROY);
}

void DataControlWatcher::syncDone(void* data, wl_proxy* callback, std::uint32_t) {
    auto* self = static_cast<DataControlWatcher*>(data);
    const auto check = self->writeChecks_.find(wl_proxy_get_id(callback));
    if (check != self->writeChecks_.end()) {
        self->writeChecks_.erase(check);
    } else {
        ++self->requestsHandled_;  // the requests are answered in the order they were made
    }
    wl_callback_destroy(reinterpret_cast<wl_callback*>(callback));
    self->finishWrites(false);
}

}  // namespace tavro::wayland
