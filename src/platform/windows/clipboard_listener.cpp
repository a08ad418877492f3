#include "platform/windows/clipboard_listener.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "core/clipboard_formats.h"
#include "platform/windows/win32_clipboard.h"

namespace tavro::win32 {

namespace {

// Posted to the listening window: the program's own write (its number in wParam) comes
// next; the listener is to end.
constexpr UINT kOwnWriteMessage = WM_APP + 1;
constexpr UINT kStopMessage = WM_APP + 2;

// From this many characters on, the system's copy of a text read is let go of at once.
constexpr qsizetype kLargeText = qsizetype(1) << 20;

// How long stop() waits for a read to finish before leaving the thread to end on its own.
constexpr std::chrono::seconds kStopWait{2};

// A change whose content was gone, or could not be read: as if every format question failed.
ClipboardChange unreadChange() {
    ClipboardChange change;
    change.formatMask = kUnknownFormats;
    return change;
}

// The changes taken from the listening window's queue and not reported yet, in order.
struct ChangeRun {
    std::optional<std::uint64_t> nextOwnWrite;
    std::vector<std::optional<std::uint64_t>> changes;  // the own write's number, or none
    bool stopAsked = false;

    void take(const MSG& message) {
        if (message.message == kOwnWriteMessage) {
            nextOwnWrite = std::uint64_t(message.wParam);
        } else if (message.message == WM_CLIPBOARDUPDATE) {
            changes.push_back(nextOwnWrite);
            nextOwnWrite.reset();
        } else if (message.message == kStopMessage) {
            stopAsked = true;
        }
    }
};

}  // namespace

struct ClipboardListener::State {
    enum class Phase { Starting, Listening, Failed, Ended };

    std::mutex mutex;
    std::condition_variable phaseChanged;
    Phase phase = Phase::Starting;  // under mutex
    Deliver deliver;                // under mutex; cleared by stop()
    std::atomic<bool> stopping{false};
    HWND window = nullptr;  // set before the phase leaves Starting

    void setPhase(Phase next) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            phase = next;
        }
        phaseChanged.notify_all();
    }

    void report(ListenedChange change) {
        std::lock_guard<std::mutex> lock(mutex);
        if (deliver) {
            deliver(std::move(change));
        }
    }

    // Reads the clipboard for the changes of `run` and of any notification queued by the time
    // the clipboard is open, and reports them all.
    void readAndReport(ChangeRun& run) {
        ClipboardChange content = unreadChange();
        if (openClipboard(window, kClipboardPatience, [this] { return stopping.load(); })) {
            // Every change completed so far has its notification queued, and none can
            // complete while the clipboard is held: the content is the last change's.
            MSG message;
            while (PeekMessageW(&message, window, 0, 0, PM_REMOVE)) {
                run.take(message);
            }
            if (!run.changes.back()) {
                // The sequence number names the content; the read belongs to it only when the
                // number is the same after it.
                const DWORD before = GetClipboardSequenceNumber();
                content = describeOpenClipboard();
                if (GetClipboardSequenceNumber() != before) {
                    content = unreadChange();
                }
            }
            CloseClipboard();
            // The system may keep its copy of the data it handed out until the clipboard is
            // next opened (Wine does): for a large text, that is now rather than at the next
            // change, so the text is held once.
            if (content.text && content.text->size() >= kLargeText &&
                openClipboard(window, std::chrono::milliseconds(0))) {
                CloseClipboard();
            }
        }
        for (size_t i = 0; i < run.changes.size(); ++i) {
            ListenedChange listened;
            if (run.changes[i]) {
                listened.ownWrite = run.changes[i];
            } else if (i + 1 == run.changes.size()) {
                listened.change = std::move(content);
            } else {
                listened.change = unreadChange();  // overwritten before it could be read
            }
            report(std::move(listened));
        }
        run.changes.clear();
    }
};

ClipboardListener::~ClipboardListener() {
    stop();
}

bool ClipboardListener::start(Deliver deliver) {
    if (state_) {
        return true;
    }
    auto state = std::make_shared<State>();
    state->deliver = std::move(deliver);
    std::thread thread(&ClipboardListener::run, state);
    std::unique_lock<std::mutex> lock(state->mutex);
    state->phaseChanged.wait(lock, [&] { return state->phase != State::Phase::Starting; });
    if (state->phase != State::Phase::Listening) {
        lock.unlock();
        thread.join();
        return false;
    }
    lock.unlock();
    state_ = std::move(state);
    thread_ = std::move(thread);
    return true;
}

void ClipboardListener::stop() {
    if (!state_) {
        return;
    }
    std::shared_ptr<State> state = std::move(state_);
    state->stopping = true;
    std::unique_lock<std::mutex> lock(state->mutex);
    state->deliver = nullptr;
    PostMessageW(state->window, kStopMessage, 0, 0);
    const bool ended = state->phaseChanged.wait_for(
        lock, kStopWait, [&] { return state->phase == State::Phase::Ended; });
    lock.unlock();
    if (ended) {
        thread_.join();
    } else {
        thread_.detach();  // it holds its own share of the state
    }
}

void ClipboardListener::announceOwnWrite(std::uint64_t id) {
    if (state_) {
        PostMessageW(state_->window, kOwnWriteMessage, WPARAM(id), 0);
    }
}

void ClipboardListener::run(const std::shared_ptr<State>& state) {
    const HWND window = createMessageWindow();
    if (window == nullptr || !AddClipboardFormatListener(window)) {
        if (window != nullptr) {
            DestroyWindow(window);
        }
        state->setPhase(State::Phase::Failed);
        return;
    }
    state->window = window;
    state->setPhase(State::Phase::Listening);

    ChangeRun run;
    MSG message;
    while (!run.stopAsked && GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.hwnd != window) {
            DispatchMessageW(&message);
            continue;
        }
        run.take(message);
        if (!run.changes.empty()) {
            state->readAndReport(run);
        }
    }
    RemoveClipboardFormatListener(window);
    DestroyWindow(window);
    state->setPhase(State::Phase::Ended);
}

}  // namespace tavro::win32
