#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/shutdown.h"

namespace tavro {

void limitShutdownWait(int exitCode) {
    // When the program owns the clipboard, Qt's clean-up offers its content to a clipboard
    // manager and waits up to five seconds for one that never answers. A manager that
    // answers takes milliseconds; past half a second the process ends regardless.
    std::thread([exitCode] {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        std::_Exit(exitCode);
    }).detach();
}

}  // namespace tavro
