#include "app/tray_command_queue.h"

#include <algorithm>

namespace tavro {

void TrayCommandQueue::run(Key key, std::function<void()> command) {
    if (isRunning()) {
        if (!isKnown(key)) {
            waiting_.emplace_back(key, std::move(command));
        }
        return;
    }
    running_ = key;
    command();
    while (!waiting_.empty()) {
        auto [nextKey, next] = std::move(waiting_.front());
        waiting_.pop_front();
        running_ = nextKey;
        next();
    }
    running_.reset();
}

bool TrayCommandQueue::isKnown(const Key& key) const {
    return running_ == key || std::any_of(waiting_.begin(), waiting_.end(),
                                          [&key](const auto& entry) { return entry.first == key; });
}

}  // namespace tavro
