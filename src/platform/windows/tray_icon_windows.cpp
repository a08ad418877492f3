// Windows: Qt's tray icon adds itself again when the task bar restarts, and the task bar's
// notification area is always there.
#include <QSystemTrayIcon>

#include "platform/tray_icon.h"

namespace tavro {

std::unique_ptr<TrayIcon> createTrayIcon(const TrayIconLook& look) {
    return createQtTrayIcon(look, QSystemTrayIcon::isSystemTrayAvailable());
}

}  // namespace tavro
