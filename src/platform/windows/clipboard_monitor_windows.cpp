#include "platform/clipboard_monitor.h"

namespace tavro {

// Windows keeps Qt's notification: Qt joins the system's clipboard notifications itself.
std::unique_ptr<ClipboardMonitor> createClipboardMonitor() {
    return std::make_unique<QtClipboardMonitor>();
}

}  // namespace tavro
