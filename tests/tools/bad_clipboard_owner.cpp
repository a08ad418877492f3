// A program that takes the X11 clipboard and serves it badly, for tests and benchmarks.
//
// Usage: bad_clipboard_owner MODE TEXT
//   never          answers no request at all
//   targets-only   answers the list of targets (TARGETS, UTF8_STRING), never the text
//   slow           sends the text in INCR pieces of 1 byte, one a second
//   secret         offers the text with the password-manager hint "secret" and answers both
//   copy-and-exit  answers like any program, and ends once it has sent its text
//   clear-after-copy  answers like any program, and empties the clipboard (sets no owner)
//                  once it has sent its text
//   late           answers like any program, each request 400 ms after it came (or the
//                  number of milliseconds given as a third argument)
//
// Prints "owner" once it owns the clipboard and "request TARGET" for each request, and ends
// when another program takes the clipboard.
#include <poll.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

xcb_connection_t* connection = nullptr;

xcb_atom_t intern(const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, std::uint16_t(std::strlen(name)), name),
        nullptr);
    const xcb_atom_t atom = reply != nullptr ? reply->atom : XCB_NONE;
    std::free(reply);
    return atom;
}

std::string nameOf(xcb_atom_t atom) {
    xcb_get_atom_name_reply_t* reply =
        xcb_get_atom_name_reply(connection, xcb_get_atom_name(connection, atom), nullptr);
    std::string name = reply != nullptr ? std::string(xcb_get_atom_name_name(reply),
                                                      size_t(xcb_get_atom_name_name_length(reply)))
                                        : std::string("?");
    std::free(reply);
    return name;
}

void notify(const xcb_selection_request_event_t* request, xcb_atom_t property) {
    xcb_selection_notify_event_t event{};
    event.response_type = XCB_SELECTION_NOTIFY;
    event.time = request->time;
    event.requestor = request->requestor;
    event.selection = request->selection;
    event.target = request->target;
    event.property = property;
    xcb_send_event(connection, 0, request->requestor, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&event));
}

void answer(const xcb_selection_request_event_t* request, xcb_atom_t type, std::uint8_t format,
            const void* data, std::uint32_t units) {
    const xcb_atom_t property = request->property != XCB_NONE ? request->property : request->target;
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request->requestor, property, type,
                        format, units, data);
    notify(request, property);
}

// The INCR transfer under way in slow mode.
struct SlowTransfer {
    bool active = false;
    xcb_window_t requestor = XCB_NONE;
    xcb_atom_t property = XCB_NONE;
    xcb_atom_t type = XCB_NONE;
    size_t sent = 0;
    bool waitingForDelete = false;
    std::chrono::steady_clock::time_point nextPiece;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fprintf(
            stderr,
            "usage: %s never|targets-only|slow|secret|copy-and-exit|clear-after-copy|late TEXT "
            "[DELAY_MS]\n",
            argv[0]);
        return 2;
    }
    const std::string mode = argv[1];
    const std::string text = argv[2];
    const int lateMs = argc == 4 ? std::atoi(argv[3]) : 400;
    int screenNumber = 0;
    connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection) != 0) {
        std::fprintf(stderr, "no X display\n");
        return 1;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber; ++i) {
        xcb_screen_next(&screens);
    }
    const xcb_window_t window = xcb_generate_id(connection);
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screens.data->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
    const xcb_atom_t clipboard = intern("CLIPBOARD");
    const xcb_atom_t targets = intern("TARGETS");
    const xcb_atom_t utf8 = intern("UTF8_STRING");
    const xcb_atom_t incr = intern("INCR");
    const xcb_atom_t hint = intern("x-kde-passwordManagerHint");

    xcb_set_selection_owner(connection, window, clipboard, XCB_CURRENT_TIME);
    xcb_get_selection_owner_reply_t* owner = xcb_get_selection_owner_reply(
        connection, xcb_get_selection_owner(connection, clipboard), nullptr);
    if (owner == nullptr || owner->owner != window) {
        std::fprintf(stderr, "could not take the clipboard\n");
        return 1;
    }
    std::free(owner);
    std::printf("owner\n");
    std::fflush(stdout);

    SlowTransfer slow;
    for (;;) {
        xcb_flush(connection);
        int timeout = -1;
        if (slow.active && !slow.waitingForDelete) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                slow.nextPiece - std::chrono::steady_clock::now());
            timeout = int(std::max<long long>(0, left.count()));
        }
        xcb_generic_event_t* event = xcb_poll_for_event(connection);
        if (event == nullptr) {
            pollfd fd{xcb_get_file_descriptor(connection), POLLIN, 0};
            poll(&fd, 1, timeout);
            event = xcb_poll_for_event(connection);
        }
        if (xcb_connection_has_error(connection) != 0) {
            return 1;
        }
        if (slow.active && !slow.waitingForDelete &&
            std::chrono::steady_clock::now() >= slow.nextPiece) {
            // The next byte, or the empty piece that ends the transfer.
            const std::uint32_t length = slow.sent < text.size() ? 1 : 0;
            xcb_change_property(connection, XCB_PROP_MODE_REPLACE, slow.requestor, slow.property,
                                slow.type, 8, length, text.data() + slow.sent);
            slow.sent += length;
            slow.waitingForDelete = length > 0;
            slow.active = length > 0;
        }
        if (event == nullptr) {
            continue;
        }
        const std::uint8_t type = event->response_type & 0x7f;
        if (type == XCB_SELECTION_CLEAR) {
            return 0;  // another program took the clipboard
        }
        if (type == XCB_PROPERTY_NOTIFY) {
            const auto* changed = reinterpret_cast<const xcb_property_notify_event_t*>(event);
            if (slow.active && slow.waitingForDelete && changed->window == slow.requestor &&
                changed->atom == slow.property && changed->state == XCB_PROPERTY_DELETE) {
                slow.waitingForDelete = false;
                slow.nextPiece = std::chrono::steady_clock::now() + std::chrono::seconds(1);
            }
        }
        if (type != XCB_SELECTION_REQUEST) {
            std::free(event);
            continue;
        }
        const auto* request = reinterpret_cast<const xcb_selection_request_event_t*>(event);
        std::printf("request %s\n", nameOf(request->target).c_str());
        std::fflush(stdout);
        if (mode == "late") {
            // Other programs may take the clipboard meanwhile; the answer is still this one's.
            poll(nullptr, 0, lateMs);
        }
        bool sentText = false;
        if (mode == "never") {
            // not a word
        } else if (request->target == targets) {
            std::vector<xcb_atom_t> offered = {targets, utf8};
            if (mode == "secret") {
                offered.push_back(hint);
            }
            answer(request, XCB_ATOM_ATOM, 32, offered.data(), std::uint32_t(offered.size()));
        } else if (request->target == utf8 && mode == "targets-only") {
            // never sends the text
        } else if (request->target == utf8 && mode == "slow") {
            slow = SlowTransfer{};
            slow.active = true;
            slow.requestor = request->requestor;
            slow.property = request->property != XCB_NONE ? request->property : request->target;
            slow.type = utf8;
            slow.waitingForDelete = true;
            const std::uint32_t size = std::uint32_t(text.size());
            const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
            xcb_change_window_attributes(connection, request->requestor, XCB_CW_EVENT_MASK, &mask);
            answer(request, incr, 32, &size, 1);
        } else if (request->target == utf8) {
            answer(request, utf8, 8, text.data(), std::uint32_t(text.size()));
            sentText = true;
        } else if (request->target == hint && mode == "secret") {
            answer(request, hint, 8, "secret", 6);
        } else {
            notify(request, XCB_NONE);  // refused
        }
        std::free(event);
        if (sentText && mode == "copy-and-exit") {
            // A round trip first, as Xlib's XCloseDisplay makes: the server may drop requests
            // still unread when a connection closes.
            std::free(
                xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
            xcb_disconnect(connection);
            return 0;
        }
        if (sentText && mode == "clear-after-copy") {
            xcb_set_selection_owner(connection, XCB_NONE, clipboard, XCB_CURRENT_TIME);
        }
    }
}
