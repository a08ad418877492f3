// Linux desktops show tray icons two ways: XEmbed notification areas (the freedesktop system
// tray protocol) and StatusNotifierItem trays over D-Bus (KDE Plasma, GNOME's AppIndicator
// extension, waybar). The icon goes where a tray is, one way at a time, and moves when trays
// come, go, restart, or misbehave.
//
// Both ways are the program's own. Qt 6.4's tray icon can't serve here: it chooses between
// D-Bus and XEmbed once per process, when its first icon is made, keeps that choice when the
// trays change, and asks the session bus with blocking calls that wait up to 25 s for a
// watcher that does not answer, freezing the window meanwhile.
//
// A way counts while it is being set up (the watcher has not answered the registration yet,
// the notification area has not embedded the icon yet); one that fails or gives no answer in
// time hands over to the other way, or leaves the program without a tray, so the window can
// be shown instead.
#include <QGuiApplication>
#include <QPointer>
#include <QTimer>

#include "platform/linux/status_notifier_item.h"
#include "platform/tray_icon.h"
#include "platform/x11/tray_manager_watcher.h"
#include "platform/x11/xembed_tray_icon.h"

namespace tavro {

namespace {

// A notification area that has not embedded the icon this long after the request is taken as
// not showing it.
constexpr int kEmbedTimeoutMs = 3000;

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
        embedTimer_.setSingleShot(true);
        embedTimer_.setInterval(kEmbedTimeoutMs);
        connect(&embedTimer_, &QTimer::timeout, this, &LinuxTrayIcon::update);
        available_ = computeAvailable();
    }

    ~LinuxTrayIcon() override { delete xembedIcon_; }

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
    unsigned xembedManager() const { return xembedAreas_ ? xembedAreas_->managerWindow() : 0; }

    bool computeAvailable() const {
        if (!shown_) {
            return statusNotifier_->hostAvailable() || xembedManager() != 0;
        }
        return statusNotifier_->isPublished() ||
               (xembedIcon_ != nullptr && (xembedIcon_->isEmbedded() || embedTimer_.isActive()));
    }

    void update() {
        const bool overDBus = shown_ && statusNotifier_->hostAvailable();
        statusNotifier_->setPublished(overDBus);
        const unsigned manager = shown_ && !overDBus ? xembedManager() : 0;
        if (xembedIcon_ != nullptr && xembedIcon_->manager() != manager) {
            // Not wanted any more, or a notification area that went or was replaced. This may
            // run inside one of the icon's own handlers, so it goes once that is done.
            xembedIcon_->deleteLater();
            xembedIcon_ = nullptr;
            embedTimer_.stop();
        }
        if (manager != 0 && xembedIcon_ == nullptr) {
            xembedIcon_ = new XEmbedTrayIcon(look_.icon, look_.toolTip, manager);
            connect(xembedIcon_, &XEmbedTrayIcon::leftButtonDown, this, &TrayIcon::leftButtonDown);
            connect(xembedIcon_, &XEmbedTrayIcon::rightButtonDown, this,
                    &TrayIcon::rightButtonDown);
            connect(xembedIcon_, &XEmbedTrayIcon::embedded, this, &LinuxTrayIcon::update);
            embedTimer_.start();
        }
        const bool available = computeAvailable();
        if (available != available_) {
            available_ = available;
            emit availabilityChanged(available);
        }
    }

    TrayIconLook look_;
    StatusNotifierItem* statusNotifier_ = nullptr;
    std::unique_ptr<TrayManagerWatcher> xembedAreas_;
    QPointer<XEmbedTrayIcon> xembedIcon_;  // a window of its own, deleted with the tray icon
    QTimer embedTimer_;
    bool shown_ = false;
    bool available_ = false;
};

}  // namespace

std::unique_ptr<TrayIcon> createTrayIcon(const TrayIconLook& look) {
    return std::make_unique<LinuxTrayIcon>(look);
}

}  // namespace tavro
