#include "platform/clipboard_monitor.h"

namespace tavro {

std::unique_ptr<ClipboardMonitor> createClipboardMonitor() {
    return std::make_unique<QtClipboardMonitor>();
}

}  // namespace tavro
