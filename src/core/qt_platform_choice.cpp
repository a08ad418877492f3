#include "core/qt_platform_choice.h"

#include <QtGlobal>

namespace tavro {

SessionEnvironment currentSessionEnvironment() {
    return {qEnvironmentVariable("QT_QPA_PLATFORM"), qEnvironmentVariable("WAYLAND_DISPLAY"),
            qEnvironmentVariable("XDG_SESSION_TYPE"), qEnvironmentVariable("DISPLAY")};
}

std::optional<QByteArray> chooseQtPlatform(const SessionEnvironment& session) {
    if (!session.qtQpaPlatform.trimmed().isEmpty()) {
        return std::nullopt;
    }
    const bool wayland =
        !session.waylandDisplay.isEmpty() ||
        session.sessionType.compare(QLatin1String("wayland"), Qt::CaseInsensitive) == 0;
    if (wayland && !session.x11Display.isEmpty()) {
        return QByteArrayLiteral("xcb");
    }
    return std::nullopt;
}

}  // namespace tavro
