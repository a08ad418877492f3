#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <utility>

// Commands that come from the tray (clicks on the icon, entries of the tray menu, also over
// D-Bus) run one at a time. One that comes while another runs (inside its pass of pending
// events or its message box) waits until that one has returned; a repeat of the command that
// runs or of one that waits is dropped. So however many clicks arrive, nothing nests and the
// queue stays as short as the number of different commands.
namespace tavro {

class TrayCommandQueue {
  public:
    // What a command is: its kind and the row it acts on, if any.
    using Key = std::pair<int, int>;

    void run(Key key, std::function<void()> command);
    bool isRunning() const { return running_.has_value(); }

  private:
    bool isKnown(const Key& key) const;

    std::optional<Key> running_;
    std::deque<std::pair<Key, std::function<void()>>> waiting_;
};

}  // namespace tavro
