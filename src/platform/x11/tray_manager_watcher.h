#pragma once

#include <QObject>
#include <memory>

class QSocketNotifier;
struct xcb_connection_t;

// Follows the XEmbed notification area of the X display: the owner of the selection
// _NET_SYSTEM_TRAY_S<screen> (freedesktop system tray protocol). It listens on a connection
// of its own through XFixes, so it learns of a panel that starts, ends or restarts without
// ever polling.
namespace tavro {

class TrayManagerWatcher : public QObject {
    Q_OBJECT
  public:
    // Nothing when no X display can be reached or it lacks XFixes.
    static std::unique_ptr<TrayManagerWatcher> create();
    ~TrayManagerWatcher() override;

    // Whether a notification area owns the selection now.
    bool managerPresent() const { return manager_ != 0; }
    // The window of the notification area's manager (the selection's owner); 0 when none.
    unsigned managerWindow() const { return manager_; }

  signals:
    // A notification area came, went, or was replaced by another (a restart without a gap).
    void managerChanged(bool present);

  private:
    TrayManagerWatcher(xcb_connection_t* connection, unsigned selection, int xfixesEventBase,
                       unsigned manager);
    void readEvents();

    xcb_connection_t* connection_;
    unsigned selection_;
    int xfixesEventBase_;
    unsigned manager_;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace tavro
