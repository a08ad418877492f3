#include "platform/x11/tray_manager_watcher.h"

#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <QByteArray>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdlib>

namespace tavro {

namespace {

template <typename Reply>
struct FreeReply {
    void operator()(Reply* reply) const { std::free(reply); }
};
template <typename Reply>
using ReplyPtr = std::unique_ptr<Reply, FreeReply<Reply>>;

xcb_window_t rootOfScreen(xcb_connection_t* connection, int screenNumber) {
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i) {
        xcb_screen_next(&screens);
    }
    return screens.rem > 0 ? screens.data->root : xcb_window_t{XCB_WINDOW_NONE};
}

}  // namespace

std::unique_ptr<TrayManagerWatcher> TrayManagerWatcher::create() {
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    auto giveUp = [connection] {
        xcb_disconnect(connection);
        return nullptr;
    };
    if (xcb_connection_has_error(connection) != 0) {
        return giveUp();
    }
    const xcb_query_extension_reply_t* xfixes = xcb_get_extension_data(connection, &xcb_xfixes_id);
    if (xfixes == nullptr || xfixes->present == 0) {
        return giveUp();
    }
    // XFixes answers selection requests only once the client has said which version it speaks.
    ReplyPtr<xcb_xfixes_query_version_reply_t> version(xcb_xfixes_query_version_reply(
        connection, xcb_xfixes_query_version(connection, 1, 0), nullptr));
    const xcb_window_t root = rootOfScreen(connection, screenNumber);
    if (!version || root == XCB_WINDOW_NONE) {
        return giveUp();
    }
    const QByteArray name = "_NET_SYSTEM_TRAY_S" + QByteArray::number(screenNumber);
    ReplyPtr<xcb_intern_atom_reply_t> atom(xcb_intern_atom_reply(
        connection,
        xcb_intern_atom(connection, 0, static_cast<uint16_t>(name.size()), name.constData()),
        nullptr));
    if (!atom) {
        return giveUp();
    }
    // Listen first, then ask who owns it now, so no change can fall in between.
    xcb_xfixes_select_selection_input(connection, root, atom->atom,
                                      XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
    ReplyPtr<xcb_get_selection_owner_reply_t> owner(xcb_get_selection_owner_reply(
        connection, xcb_get_selection_owner(connection, atom->atom), nullptr));
    if (!owner) {
        return giveUp();
    }
    return std::unique_ptr<TrayManagerWatcher>(
        new TrayManagerWatcher(connection, atom->atom, xfixes->first_event, owner->owner));
}

TrayManagerWatcher::TrayManagerWatcher(xcb_connection_t* connection, unsigned selection,
                                       int xfixesEventBase, unsigned manager)
    : connection_(connection),
      selection_(selection),
      xfixesEventBase_(xfixesEventBase),
      manager_(manager) {
    notifier_ =
        new QSocketNotifier(xcb_get_file_descriptor(connection_), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TrayManagerWatcher::readEvents);
    // Events read along with the replies above wait in xcb's queue, not in the socket.
    QTimer::singleShot(0, this, &TrayManagerWatcher::readEvents);
}

TrayManagerWatcher::~TrayManagerWatcher() {
    delete notifier_;
    xcb_disconnect(connection_);
}

void TrayManagerWatcher::readEvents() {
    unsigned manager = manager_;
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
        const int type = event->response_type & 0x7f;
        if (type == xfixesEventBase_ + XCB_XFIXES_SELECTION_NOTIFY) {
            const auto* notify = reinterpret_cast<xcb_xfixes_selection_notify_event_t*>(event);
            if (notify->selection == selection_) {
                // A destroyed owner or a closed client is reported with no owner.
                manager = notify->owner;
            }
        }
        std::free(event);
    }
    if (xcb_connection_has_error(connection_) != 0) {
        // The display went away; nothing more will come.
        notifier_->setEnabled(false);
    }
    if (manager != manager_) {
        manager_ = manager;
        emit managerChanged(manager_ != XCB_WINDOW_NONE);
    }
}

}  // namespace tavro
