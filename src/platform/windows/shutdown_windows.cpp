#include "platform/shutdown.h"

namespace tavro {

// Clipboard data stays on Windows when its owner ends: Qt's clean-up does not wait for
// anyone, so there is nothing to cut short.
void limitShutdownWait(int) {}

}  // namespace tavro
