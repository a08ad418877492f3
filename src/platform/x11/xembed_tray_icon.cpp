#include "platform/x11/xembed_tray_icon.h"

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <cstdlib>
#include <cstring>

namespace tavro {

namespace {

// The system tray protocol's request to dock, and XEmbed's message telling a client that it
// was embedded.
constexpr uint32_t kSystemTrayRequestDock = 0;
constexpr uint32_t kXEmbedEmbeddedNotify = 0;
// Most notification areas draw icons at this size; they resize the window to their own.
constexpr int kIconSize = 22;

// Qt's own X connection: requests about Qt's windows go through it, in order with Qt's.
xcb_connection_t* qtConnection() {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 != nullptr ? x11->connection() : nullptr;
}

xcb_atom_t atomNamed(xcb_connection_t* connection, const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return atom;
}

}  // namespace

XEmbedTrayIcon::XEmbedTrayIcon(const QIcon& icon, const QString& toolTip, unsigned manager)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::BypassWindowManagerHint),
      icon_(icon),
      manager_(manager) {
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setAttribute(Qt::WA_QuitOnClose, false);
    setToolTip(toolTip);
    resize(kIconSize, kIconSize);
    // Notification areas size an icon by the smallest size its window asks for.
    setMinimumSize(kIconSize, kIconSize);
    xcb_connection_t* connection = qtConnection();
    if (connection == nullptr) {
        return;
    }
    window_ = static_cast<unsigned>(winId());
    xembedAtom_ = atomNamed(connection, "_XEMBED");
    // The window shows the notification area's own background where nothing is drawn, so the
    // icon's transparent parts look like the panel (see paintEvent).
    const uint32_t parentRelative = XCB_BACK_PIXMAP_PARENT_RELATIVE;
    xcb_change_window_attributes(connection, window_, XCB_CW_BACK_PIXMAP, &parentRelative);
    QCoreApplication::instance()->installNativeEventFilter(this);
    // The window is not mapped: the area maps it when it takes it in (its _XEMBED_INFO, which
    // Qt sets on every window, says so), so it never shows anywhere else.
    xcb_client_message_event_t request{};
    request.response_type = XCB_CLIENT_MESSAGE;
    request.format = 32;
    request.window = manager;
    request.type = atomNamed(connection, "_NET_SYSTEM_TRAY_OPCODE");
    request.data.data32[0] = XCB_CURRENT_TIME;
    request.data.data32[1] = kSystemTrayRequestDock;
    request.data.data32[2] = window_;
    xcb_send_event(connection, 0, manager, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&request));
    xcb_flush(connection);
}

XEmbedTrayIcon::~XEmbedTrayIcon() {
    QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool XEmbedTrayIcon::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (embedded_ || eventType != "xcb_generic_event_t") {
        return false;
    }
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_CLIENT_MESSAGE) {
        return false;
    }
    const auto* client = reinterpret_cast<const xcb_client_message_event_t*>(event);
    if (client->window == window_ && client->type == xembedAtom_ && client->format == 32 &&
        client->data.data32[1] == kXEmbedEmbeddedNotify) {
        // Qt maps the window on this message; the widget follows once Qt is done with it.
        QMetaObject::invokeMethod(this, &XEmbedTrayIcon::showEmbedded, Qt::QueuedConnection);
    }
    return false;
}

void XEmbedTrayIcon::showEmbedded() {
    if (embedded_) {
        return;
    }
    embedded_ = true;
    show();
    emit embedded();
}

void XEmbedTrayIcon::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        emit leftButtonDown();
    } else if (event->button() == Qt::RightButton) {
        emit rightButtonDown();
    }
}

void XEmbedTrayIcon::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (background_.isNull() && window_ != 0) {
        // Cleared, the window shows the area's background; a copy of it goes under the icon.
        // Both requests go through Qt's connection, so the copy is taken after the clear.
        xcb_clear_area(qtConnection(), 0, window_, 0, 0, 0, 0);
        background_ = screen()->grabWindow(window_);
    }
    painter.drawPixmap(0, 0, background_);
    icon_.paint(&painter, rect());
}

void XEmbedTrayIcon::resizeEvent(QResizeEvent* event) {
    background_ = QPixmap();
    QWidget::resizeEvent(event);
}

}  // namespace tavro
