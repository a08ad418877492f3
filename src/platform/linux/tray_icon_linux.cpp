// Linux desktops show tray icons two ways: XEmbed notification areas (the freedesktop system
// tray protocol; Qt's tray icon on xcb) and StatusNotifierItem trays over D-Bus (KDE Plasma,
// GNOME's AppIndicator extension, waybar). The icon goes where a tray is, one way at a time,
// and moves when trays come and go.
//
// Qt 6.4 chooses between the two once per process, when its first tray icon is made, and
// keeps that choice: a StatusNotifierWatcher that appears later never gets Qt's icon, and
// an icon made while a watcher ran stays a D-Bus icon when the watcher goes. So the D-Bus
// item is the program's own, and Qt's icon is made only once no D-Bus tray is there, which
// keeps Qt's choice on XEmbed for the whole run. Qt's XEmbed icon docks by itself into a
// notification area that appears or restarts after it was shown.
#include <QGuiApplication>
#include <QSystemTrayIcon>

#include "platform/linux/status_notifier_item.h"
#include "platform/tray_icon.h"
#include "platform/x11/tray_manager_watcher.h"

namespace tavro {

namespace {

class LinuxTrayIcon : public TrayIcon {
  public:
    explicit LinuxTrayIcon(const TrayIconLook& look) : look_(look) {
        statusNotifier_ = new StatusNotifierItem(look.icon, look.toolTip, look.menu, this);
        connect(statusNotifier_, &StatusNotifierItem::hostAvailabilityChanged, this,
                &LinuxTrayIcon::update);
        connect(statusNotifier_, &StatusNotifierItem::activated, this, &TrayIcon::leftButtonDown);
        connect(statusNotifier_, &StatusNotifierItem::contextMenuRequested, this,
                &TrayIcon::rightButtonDown);
        if (QGuiApplication::platformName() == QLatin1String("xcb")) {
            xembedAreas_ = TrayManagerWatcher::create();
            if (xembedAreas_) {
                connect(xembedAreas_.get(), &TrayManagerWatcher::managerChanged, this,
                        &LinuxTrayIcon::update);
            }
        }
        available_ = areaExists();
    }

    void show() override {
        shown_ = true;
        update();
    }

    void hide() override {
        shown_ = false;
        update();
    }

    bool isAvailable() const override { return available_; }

  private:
    bool areaExists() const {
        return statusNotifier_->hostAvailable() || (xembedAreas_ && xembedAreas_->managerPresent());
    }

    void update() {
        const bool overDBus = statusNotifier_->hostAvailable();
        statusNotifier_->setPublished(shown_ && overDBus);
        if (shown_ && !overDBus && QGuiApplication::platformName() == QLatin1String("xcb")) {
            xembedIcon()->show();  // docks now, or once a notification area appears
        } else if (xembedIcon_ != nullptr) {
            xembedIcon_->hide();
        }
        const bool available = areaExists();
        if (available != available_) {
            available_ = available;
            emit availabilityChanged(available);
        }
    }

    QSystemTrayIcon* xembedIcon() {
        if (xembedIcon_ == nullptr) {
            xembedIcon_ = new QSystemTrayIcon(look_.icon, this);
            xembedIcon_->setToolTip(look_.toolTip);
            connect(xembedIcon_, &QSystemTrayIcon::activated, this,
                    [this](QSystemTrayIcon::ActivationReason reason) {
                        if (reason == QSystemTrayIcon::Trigger) {
                            emit leftButtonDown();
                        } else if (reason == QSystemTrayIcon::Context) {
                            emit rightButtonDown();
                        }
                    });
        }
        return xembedIcon_;
    }

    TrayIconLook look_;
    StatusNotifierItem* statusNotifier_ = nullptr;
    std::unique_ptr<TrayManagerWatcher> xembedAreas_;
    QSystemTrayIcon* xembedIcon_ = nullptr;
    bool shown_ = false;
    bool available_ = false;
};

}  // namespace

std::unique_ptr<TrayIcon> createTrayIcon(const TrayIconLook& look) {
    return std::make_unique<LinuxTrayIcon>(look);
}

}  // namespace tavro
