#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

#include "core/clipboard_change.h"

// Listens to the Windows clipboard on a thread of its own, so each change is read the moment
// it is announced, whatever the window's thread is doing.
//
// The system posts WM_CLIPBOARDUPDATE to a listening window once for every change, when the
// program that made it closes the clipboard. The listener reads with the clipboard open and,
// while it holds it, takes every further notification already queued: those changes are
// complete and no other can complete meanwhile, so the text read is the last one's. The
// earlier changes of such a run were overwritten before anyone could read them and are
// reported as failed reads, never with the text of a later change.
//
// The program's own writes are announced by the writer while it still holds the clipboard
// (so the notice is queued just before the change's notification); the listener reports them
// in their place among the changes, without reading them back.
namespace tavro::win32 {

struct ListenedChange {
    std::optional<std::uint64_t> ownWrite;  // the program's own write with this number
    ClipboardChange change;                 // otherwise: another program's change, as read
};

class ClipboardListener {
  public:
    // Called on the listener's thread, once per change, in the order of the changes.
    using Deliver = std::function<void(ListenedChange change)>;

    ClipboardListener() = default;
    ~ClipboardListener();
    ClipboardListener(const ClipboardListener&) = delete;
    ClipboardListener& operator=(const ClipboardListener&) = delete;

    // Starts listening; false when the system refused a listening window.
    bool start(Deliver deliver);
    // Stops listening: nothing is delivered once this returns. A read stuck on an owner that
    // never renders its data is left to end on its own.
    void stop();
    bool isRunning() const { return state_ != nullptr; }

    // The next change is the program's own write number `id`. Called by the writer after its
    // write and before it closes the clipboard.
    void announceOwnWrite(std::uint64_t id);

  private:
    struct State;
    static void run(const std::shared_ptr<State>& state);

    std::shared_ptr<State> state_;
    std::thread thread_;
};

}  // namespace tavro::win32
