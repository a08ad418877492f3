#include "platform/x11/selection_reader.h"

#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <xcb/randr.h>
#include <xcb/xfixes.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <new>
#include <string_view>
#include <vector>

#include "platform/x11/selection_targets.h"

namespace tavro::x11 {

namespace {

// How long a window an owner may still write to is kept before it is destroyed, and how many
// such windows are kept at most (the oldest goes first).
constexpr Millis kRetiredWindowLife = 60 * 1000;
constexpr size_t kMaxRetiredWindows = 256;
// A property is read in pieces of this many 32-bit units (4 MB).
constexpr std::uint32_t kPropertyPieceUnits = 1 << 20;
// At most this many targets of one owner are looked at.
constexpr int kMaxTargets = 1024;

// A reply of xcb, freed when it goes.
template <typename Reply>
using ReplyPtr = std::unique_ptr<Reply, decltype(&std::free)>;

template <typename Reply>
ReplyPtr<Reply> owned(Reply* reply) {
    return ReplyPtr<Reply>(reply, &std::free);
}

// Whether the X server is a Wayland compositor's own Xwayland. Xwayland 23.1 and later
// announce themselves with the XWAYLAND extension; earlier ones (Debian 12 has 22.1) only by
// the names of their outputs, XWAYLAND0, XWAYLAND1, ...
bool isXwaylandServer(xcb_connection_t* connection, xcb_window_t root) {
    static constexpr char kXwayland[] = "XWAYLAND";
    const auto extension = owned(xcb_query_extension_reply(
        connection, xcb_query_extension(connection, sizeof kXwayland - 1, kXwayland), nullptr));
    if (extension && extension->present != 0) {
        return true;
    }
    const xcb_query_extension_reply_t* randr = xcb_get_extension_data(connection, &xcb_randr_id);
    if (randr == nullptr || randr->present == 0 ||
        !owned(xcb_randr_query_version_reply(connection, xcb_randr_query_version(connection, 1, 3),
                                             nullptr))) {
        return false;
    }
    const auto resources = owned(xcb_randr_get_screen_resources_current_reply(
        connection, xcb_randr_get_screen_resources_current(connection, root), nullptr));
    if (!resources) {
        return false;
    }
    const xcb_randr_output_t* outputs =
        xcb_randr_get_screen_resources_current_outputs(resources.get());
    const int count = xcb_randr_get_screen_resources_current_outputs_length(resources.get());
    std::vector<xcb_randr_get_output_info_cookie_t> cookies;
    for (int i = 0; i < count; ++i) {
        cookies.push_back(
            xcb_randr_get_output_info(connection, outputs[i], resources->config_timestamp));
    }
    bool named = false;
    for (const xcb_randr_get_output_info_cookie_t& cookie : cookies) {
        const auto info = owned(xcb_randr_get_output_info_reply(connection, cookie, nullptr));
        if (info) {
            const std::string_view name(
                reinterpret_cast<const char*>(xcb_randr_get_output_info_name(info.get())),
                size_t(xcb_randr_get_output_info_name_length(info.get())));
            named = named || name.starts_with(kXwayland);
        }
    }
    return named;
}

xcb_screen_t* screenOf(xcb_connection_t* connection, int number) {
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (; it.rem > 0; --number, xcb_screen_next(&it)) {
        if (number == 0) {
            return it.data;
        }
    }
    return nullptr;
}

}  // namespace

std::unique_ptr<SelectionReader> SelectionReader::open(std::uint32_t ownIdBase,
                                                       std::uint32_t ownIdMask) {
    const int wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd < 0) {
        return nullptr;
    }
    std::unique_ptr<SelectionReader> reader(new SelectionReader(ownIdBase, ownIdMask, wakeFd));
    if (!reader->connect()) {
        return nullptr;
    }
    return reader;
}

SelectionReader::SelectionReader(std::uint32_t ownIdBase, std::uint32_t ownIdMask, int wakeFd)
    : ownIdBase_(ownIdBase), ownIdMask_(ownIdMask), wakeFd_(wakeFd) {}

SelectionReader::~SelectionReader() {
    stop();
    disconnect();
    ::close(wakeFd_);
}

bool SelectionReader::connect() {
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    auto fail = [connection] {
        xcb_disconnect(connection);
        return false;
    };
    if (xcb_connection_has_error(connection) != 0) {
        return fail();
    }
    const xcb_query_extension_reply_t* xfixes = xcb_get_extension_data(connection, &xcb_xfixes_id);
    if (xfixes == nullptr || xfixes->present == 0) {
        return fail();
    }
    // The version must be asked before any other request of the extension.
    if (!owned(xcb_xfixes_query_version_reply(
            connection, xcb_xfixes_query_version(connection, 1, 0), nullptr))) {
        return fail();
    }
    xcb_screen_t* screen = screenOf(connection, screenNumber);
    if (screen == nullptr) {
        return fail();
    }
    isXwayland_ = isXwaylandServer(connection, screen->root);

    const char* names[] = {"CLIPBOARD", "TARGETS", "INCR", "_TAVRO_SELECTION",
                           "_NET_SUPPORTING_WM_CHECK"};
    xcb_intern_atom_cookie_t cookies[std::size(names)];
    for (size_t i = 0; i < std::size(names); ++i) {
        cookies[i] = xcb_intern_atom(connection, 0, std::strlen(names[i]), names[i]);
    }
    xcb_atom_t values[std::size(names)] = {};
    for (size_t i = 0; i < std::size(names); ++i) {
        auto reply = owned(xcb_intern_atom_reply(connection, cookies[i], nullptr));
        if (!reply) {
            return fail();
        }
        values[i] = reply->atom;
    }
    connection_ = connection;
    root_ = screen->root;
    xfixesEvent_ = xfixes->first_event;
    idMask_ = xcb_get_setup(connection)->resource_id_mask;
    atoms_.clipboard = values[0];
    atoms_.targets = values[1];
    atoms_.incr = values[2];
    atoms_.property = values[3];
    atoms_.wmCheck = values[4];
    atomNames_.clear();
    atomsByName_.clear();
    for (size_t i = 0; i < std::size(names); ++i) {
        remember(values[i], QString::fromLatin1(names[i]));
    }
    listener_ = xcb_generate_id(connection_);
    xcb_create_window(connection_, XCB_COPY_FROM_PARENT, listener_, root_, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    // A name for whoever looks at the display's windows.
    static constexpr char kName[] = "Tavro clipboard reader";
    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, listener_, XCB_ATOM_WM_NAME,
                        XCB_ATOM_STRING, 8, sizeof kName - 1, kName);
    xcb_flush(connection_);
    return true;
}

void SelectionReader::disconnect() {
    if (connection_ == nullptr) {
        return;
    }
    // Whatever was under way is dropped; windows go with the connection.
    jobs_.clear();
    requests_.clear();
    jobOfWindow_.clear();
    freeWindows_.clear();
    retired_.clear();
    xcb_disconnect(connection_);
    connection_ = nullptr;
}

void SelectionReader::listen(bool on) {
    const std::uint32_t mask = on ? XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                                        XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                                        XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE
                                  : 0;
    xcb_xfixes_select_selection_input(connection_, listener_, atoms_.clipboard, mask);
    xcb_flush(connection_);
}

void SelectionReader::start(Deliver deliver, ForeignChange foreignChange) {
    if (isRunning()) {
        return;
    }
    deliver_ = std::move(deliver);
    foreignChange_ = std::move(foreignChange);
    if (connection_ != nullptr) {
        listen(true);
    }
    stopping_ = false;
    thread_ = std::thread([this] {
        pthread_setname_np(pthread_self(), "clipboard");
        run();
    });
}

void SelectionReader::stop() {
    if (!isRunning()) {
        return;
    }
    stopping_ = true;
    wake();
    thread_.join();
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t read = ::read(wakeFd_, &count, sizeof count);
    {
        // Whoever waits for a sync waits no longer.
        std::lock_guard lock(mutex_);
        syncsDone_ = syncsAsked_;
        ownTexts_.clear();
    }
    synced_.notify_all();
    deliver_ = nullptr;
    foreignChange_ = nullptr;
    if (connection_ == nullptr) {
        return;
    }
    // Stop listening, and drop whatever was under way.
    listen(false);
    jobs_.clear();
    destroyRetired(0, true);
    for (xcb_window_t window : freeWindows_) {
        xcb_destroy_window(connection_, window);
    }
    freeWindows_.clear();
    // Once this round trip is answered, every event sent before is here: drop them all, so a
    // later start sees only new changes.
    free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    while (xcb_generic_event_t* event = xcb_poll_for_queued_event(connection_)) {
        free(event);
    }
}

void SelectionReader::wake() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakeFd_, &one, sizeof one);
}

void SelectionReader::expectOwnWrite(const QString& text) {
    std::lock_guard lock(mutex_);
    ownTexts_.push_back(text);
}

bool SelectionReader::sync(Millis timeout, bool ownWriteMade) {
    std::unique_lock lock(mutex_);
    if (!isRunning()) {
        ownTexts_.clear();
        return false;
    }
    const std::uint64_t ticket = ++syncsAsked_;
    if (ownWriteMade) {
        ownWriteSync_ = ticket;
    }
    wake();
    return synced_.wait_for(lock, std::chrono::milliseconds(timeout),
                            [&] { return syncsDone_ >= ticket; });
}

void SelectionReader::answerSyncs() {
    std::uint64_t asked = 0;
    {
        std::lock_guard lock(mutex_);
        if (syncsAsked_ == syncsDone_) {
            return;
        }
        asked = syncsAsked_;
    }
    if (connection_ != nullptr) {
        // Every event the server sent before this reply is here once it comes.
        free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
        while (xcb_generic_event_t* event = xcb_poll_for_queued_event(connection_)) {
            handle(event, steadyMillis());
            free(event);
        }
        deliverReports();
    }
    std::deque<QString> unclaimed;
    {
        std::lock_guard lock(mutex_);
        if (ownWriteSync_ != 0 && ownWriteSync_ <= asked) {
            unclaimed.swap(ownTexts_);
            ownWriteSync_ = 0;
        }
        syncsDone_ = asked;
    }
    if (connection_ == nullptr) {
        // Written while the reader had no display to watch: nothing else can report it.
        for (QString& text : unclaimed) {
            ClipboardChange own;
            own.formatMask = kFormatText;
            own.text = std::move(text);
            deliver_(std::move(own));
        }
    }
    synced_.notify_all();
}

void SelectionReader::run() {
    Millis retryDelay = 0;
    Millis nextTry = 0;
    while (!stopping_) {
        if (connection_ != nullptr && serve()) {
            continue;
        }
        if (connection_ != nullptr) {
            // The connection broke: connect again, at once and then less and less often.
            disconnect();
            retryDelay = 0;
            nextTry = steadyMillis();
        }
        answerSyncs();
        if (steadyMillis() >= nextTry) {
            if (connect()) {
                listen(true);
                continue;
            }
            retryDelay = std::clamp<Millis>(retryDelay * 4, 100, 5000);
            nextTry = steadyMillis() + retryDelay;
        }
        pollfd wakeUp{wakeFd_, POLLIN, 0};
        ::poll(&wakeUp, 1, int(std::clamp<Millis>(nextTry - steadyMillis(), 0, 5000)));
        std::uint64_t count = 0;
        [[maybe_unused]] const ssize_t read = ::read(wakeFd_, &count, sizeof count);
    }
}

bool SelectionReader::serve() {
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
        handle(event, steadyMillis());
        free(event);
    }
    if (xcb_connection_has_error(connection_) != 0) {
        return false;
    }
    answerSyncs();
    const Millis now = steadyMillis();
    jobs_.expire(now);
    destroyRetired(now, false);
    deliverReports();
    if (xcb_flush(connection_) <= 0) {
        return false;
    }
    // Writing may have read events too; they would not wake the poll below.
    if (xcb_generic_event_t* event = xcb_poll_for_queued_event(connection_)) {
        handle(event, steadyMillis());
        free(event);
        return true;
    }
    int timeout = -1;
    if (const std::optional<Millis> wake = nextWake()) {
        timeout = int(std::clamp<Millis>(*wake - steadyMillis(), 0, 60 * 1000));
    }
    pollfd fds[2] = {{xcb_get_file_descriptor(connection_), POLLIN, 0}, {wakeFd_, POLLIN, 0}};
    ::poll(fds, 2, timeout);
    if ((fds[1].revents & POLLIN) != 0) {
        std::uint64_t count = 0;
        [[maybe_unused]] const ssize_t read = ::read(wakeFd_, &count, sizeof count);
    }
    return true;
}

void SelectionReader::handle(const xcb_generic_event_t* event, Millis now) {
    const std::uint8_t type = event->response_type & 0x7f;
    if (type == xfixesEvent_ + XCB_XFIXES_SELECTION_NOTIFY) {
        ownerChanged(event, now);
    } else if (type == XCB_SELECTION_NOTIFY) {
        selectionNotified(reinterpret_cast<const xcb_selection_notify_event_t*>(event), now);
    } else if (type == XCB_PROPERTY_NOTIFY) {
        propertyChanged(reinterpret_cast<const xcb_property_notify_event_t*>(event), now);
    }
    // Errors (a late owner's window gone, ...) and other events need nothing.
}

void SelectionReader::ownerChanged(const xcb_generic_event_t* event, Millis now) {
    const auto* notify = reinterpret_cast<const xcb_xfixes_selection_notify_event_t*>(event);
    if (notify->selection != atoms_.clipboard) {
        return;
    }
    OwnerChange change;
    change.timestamp = notify->selection_timestamp;
    change.owner = notify->owner;
    change.handledRequest = event->full_sequence;
    const bool bridged = compositorSpeaks_ && ownedByWindowManager(notify->owner);
    if (notify->subtype == XCB_XFIXES_SELECTION_EVENT_SET_SELECTION_OWNER) {
        if (notify->owner == XCB_NONE) {
            // The bridge lets go of the clipboard when the Wayland one empties.
            change.kind = lastOwnerBridged_ ? OwnerChange::Kind::ReportedElsewhere
                                            : OwnerChange::Kind::NoOwner;
        } else if ((notify->owner & ~ownIdMask_) == ownIdBase_) {
            change.kind = OwnerChange::Kind::OwnWrite;
            std::lock_guard lock(mutex_);
            if (!ownTexts_.empty()) {
                change.ownText = std::move(ownTexts_.front());
                ownTexts_.pop_front();
            }
        } else if (bridged) {
            change.kind = OwnerChange::Kind::ReportedElsewhere;
        } else {
            change.kind = OwnerChange::Kind::NewOwner;
            if (foreignChange_) {
                foreignChange_();
            }
        }
        lastOwnerBridged_ = bridged;
    } else {
        change.kind = OwnerChange::Kind::OwnerGone;
        lastOwnerBridged_ = false;
    }
    jobs_.ownerChanged(change, now);
}

bool SelectionReader::ownedByWindowManager(xcb_window_t owner) {
    if (owner == XCB_NONE) {
        return false;
    }
    // The window manager names a window of its own on the root window; the compositor's
    // bridge owns the clipboard through a window of the same client.
    auto reply = owned(xcb_get_property_reply(
        connection_, xcb_get_property(connection_, 0, root_, atoms_.wmCheck, XCB_ATOM_WINDOW, 0, 1),
        nullptr));
    if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) != 4) {
        return false;
    }
    xcb_window_t manager = XCB_NONE;
    std::memcpy(&manager, xcb_get_property_value(reply.get()), 4);
    return manager != XCB_NONE && (manager & ~idMask_) == (owner & ~idMask_);
}

void SelectionReader::selectionNotified(const xcb_selection_notify_event_t* event, Millis now) {
    const auto job = jobOfWindow_.find(event->requestor);
    if (job == jobOfWindow_.end() || event->selection != atoms_.clipboard) {
        return;
    }
    const JobId id = job->second;
    Request& request = requests_[id];
    if (request.incremental || !jobs_.isWaiting(id)) {
        return;
    }
    if (event->property == XCB_NONE) {
        jobs_.answered(id, std::nullopt, now);  // refused
        return;
    }
    if (!readProperty(request.window, event->property, &request)) {
        jobs_.transferFailed(id);
        return;
    }
    if (request.type == atoms_.incr) {
        // Reading deleted the property: the owner now sends the text in pieces.
        request.incremental = true;
        request.data.clear();
        jobs_.transferProgressed(id, now);
        return;
    }
    answer(id, request, now);
}

void SelectionReader::propertyChanged(const xcb_property_notify_event_t* event, Millis now) {
    if (event->state != XCB_PROPERTY_NEW_VALUE || event->atom != atoms_.property) {
        return;
    }
    const auto job = jobOfWindow_.find(event->window);
    if (job == jobOfWindow_.end()) {
        return;
    }
    const JobId id = job->second;
    Request& request = requests_[id];
    if (!request.incremental || !jobs_.isWaiting(id)) {
        return;
    }
    Request piece;
    if (!readProperty(request.window, atoms_.property, &piece) ||
        request.data.size() + piece.data.size() > kMaxSelectionBytes) {
        jobs_.transferFailed(id);
        return;
    }
    if (piece.data.isEmpty()) {
        // An empty piece ends the transfer.
        request.incremental = false;
        answer(id, request, now);
        return;
    }
    try {
        request.data.append(piece.data);
    } catch (const std::bad_alloc&) {
        jobs_.transferFailed(id);
        return;
    }
    request.type = piece.type;
    request.format = piece.format;
    jobs_.transferProgressed(id, now);
}

void SelectionReader::answer(JobId job, const Request& request, Millis now) {
    SelectionValue value;
    value.type = namesOf(&request.type, 1).value(0);
    value.bytes = request.data;
    // A list of atoms; some older owners give it the type TARGETS.
    if ((request.type == XCB_ATOM_ATOM || request.type == atoms_.targets) && request.format == 32) {
        const int count = int(std::min<qsizetype>(request.data.size() / 4, kMaxTargets));
        std::vector<xcb_atom_t> list(size_t(count), XCB_NONE);
        std::memcpy(list.data(), request.data.constData(), size_t(count) * 4);
        value.formatNames = namesOf(list.data(), count);
    }
    jobs_.answered(job, value, now);
}

bool SelectionReader::readProperty(xcb_window_t window, xcb_atom_t property, Request* into) {
    into->data.clear();
    std::uint32_t offset = 0;
    for (;;) {
        // Deleting as it reads: the server deletes the property once the last piece is read,
        // which tells an INCR owner to send the next one.
        auto reply = owned(xcb_get_property_reply(
            connection_,
            xcb_get_property(connection_, 1, window, property, XCB_GET_PROPERTY_TYPE_ANY, offset,
                             kPropertyPieceUnits),
            nullptr));
        if (!reply) {
            return false;
        }
        const int length = xcb_get_property_value_length(reply.get());
        if (length < 0 || into->data.size() + length > kMaxSelectionBytes) {
            return false;
        }
        try {
            into->data.append(static_cast<const char*>(xcb_get_property_value(reply.get())),
                              length);
        } catch (const std::bad_alloc&) {
            return false;
        }
        into->type = reply->type;
        into->format = reply->format;
        if (reply->bytes_after == 0) {
            return true;
        }
        if (length == 0 || length % 4 != 0) {
            return false;
        }
        offset += std::uint32_t(length / 4);
    }
}

void SelectionReader::deliverReports() {
    for (ClipboardChange& change : jobs_.takeReports()) {
        deliver_(std::move(change));
    }
}

void SelectionReader::destroyRetired(Millis now, bool all) {
    auto keep = retired_.begin();
    for (const Retired& retired : retired_) {
        if (all || retired.until <= now) {
            xcb_destroy_window(connection_, retired.window);
        } else {
            *keep++ = retired;
        }
    }
    retired_.erase(keep, retired_.end());
}

std::optional<Millis> SelectionReader::nextWake() const {
    std::optional<Millis> wake = jobs_.nextDeadline();
    for (const Retired& retired : retired_) {
        if (!wake || retired.until < *wake) {
            wake = retired.until;
        }
    }
    return wake;
}

std::uint32_t SelectionReader::request(JobId job, const QString& format, std::uint32_t timestamp) {
    Request& request = requests_[job];
    if (request.window == XCB_NONE) {
        request.window = takeWindow();
        jobOfWindow_[request.window] = job;
    }
    request.incremental = false;
    request.data.clear();
    return xcb_convert_selection(connection_, request.window, atoms_.clipboard, atomNamed(format),
                                 atoms_.property, timestamp)
        .sequence;
}

QStringList SelectionReader::textFormatsInOrder(const QStringList& formats) const {
    return textTargetsInOrder(formats);
}

std::optional<QString> SelectionReader::decodeText(const SelectionValue& value,
                                                   const QString& format) const {
    return decodeSelectionText(value.type, format, value.bytes);
}

void SelectionReader::release(JobId job, bool answerMayFollow) {
    const auto found = requests_.find(job);
    if (found == requests_.end()) {
        return;
    }
    const xcb_window_t window = found->second.window;
    requests_.erase(found);
    jobOfWindow_.erase(window);
    if (answerMayFollow) {
        if (retired_.size() >= kMaxRetiredWindows) {
            xcb_destroy_window(connection_, retired_.front().window);
            retired_.erase(retired_.begin());
        }
        retired_.push_back({window, steadyMillis() + kRetiredWindowLife});
    } else {
        freeWindows_.push_back(window);
    }
}

xcb_window_t SelectionReader::takeWindow() {
    if (!freeWindows_.empty()) {
        const xcb_window_t window = freeWindows_.back();
        freeWindows_.pop_back();
        return window;
    }
    const xcb_window_t window = xcb_generate_id(connection_);
    const std::uint32_t eventMask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window, root_, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                      &eventMask);
    return window;
}

xcb_atom_t SelectionReader::atomNamed(const QString& name) {
    if (const auto found = atomsByName_.constFind(name); found != atomsByName_.constEnd()) {
        return found.value();
    }
    const QByteArray bytes = name.toUtf8();
    auto reply = owned(xcb_intern_atom_reply(
        connection_, xcb_intern_atom(connection_, 0, std::uint16_t(bytes.size()), bytes.data()),
        nullptr));
    const xcb_atom_t atom = reply ? reply->atom : XCB_NONE;
    if (atom != XCB_NONE) {
        remember(atom, name);
    }
    return atom;
}

QStringList SelectionReader::namesOf(const xcb_atom_t* atoms, int count) {
    // Ask for every name not known yet at once, then take the answers.
    std::vector<std::pair<xcb_atom_t, xcb_get_atom_name_cookie_t>> asked;
    for (int i = 0; i < count; ++i) {
        if (atoms[i] != XCB_NONE && !atomNames_.contains(atoms[i])) {
            asked.emplace_back(atoms[i], xcb_get_atom_name(connection_, atoms[i]));
        }
    }
    for (const auto& [atom, cookie] : asked) {
        auto reply = owned(xcb_get_atom_name_reply(connection_, cookie, nullptr));
        if (reply) {
            remember(atom, QString::fromUtf8(xcb_get_atom_name_name(reply.get()),
                                             xcb_get_atom_name_name_length(reply.get())));
        }
    }
    QStringList names;
    for (int i = 0; i < count; ++i) {
        const QString name = atomNames_.value(atoms[i]);
        if (!name.isEmpty()) {
            names.append(name);
        }
    }
    return names;
}

void SelectionReader::remember(xcb_atom_t atom, const QString& name) {
    atomNames_.insert(atom, name);
    atomsByName_.insert(name, atom);
}

}  // namespace tavro::x11
