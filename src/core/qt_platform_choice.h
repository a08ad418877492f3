#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// Which of Qt's platform plugins the program runs on. In a Wayland session a Wayland program
// learns of clipboard changes only while it has the keyboard focus, so the program, which
// watches the clipboard from the background, runs through XWayland (Qt's xcb plugin), unless
// the user chose a plugin with QT_QPA_PLATFORM.
namespace tavro {

struct SessionEnvironment {
    QString qtQpaPlatform;   // QT_QPA_PLATFORM
    QString waylandDisplay;  // WAYLAND_DISPLAY
    QString sessionType;     // XDG_SESSION_TYPE
    QString x11Display;      // DISPLAY
};

// The session as the environment of this process describes it.
SessionEnvironment currentSessionEnvironment();

// The plugin to ask Qt for before the application object exists; nothing leaves Qt's own
// choice (an X11 session, a user's choice, a Wayland session without XWayland).
std::optional<QByteArray> chooseQtPlatform(const SessionEnvironment& session);

}  // namespace tavro
