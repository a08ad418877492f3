// Qt's own tray icon behind the program's tray interface.
#include <QMenu>
#include <QSystemTrayIcon>

#include "platform/tray_icon.h"

namespace tavro {

namespace {

class QtTrayIcon : public TrayIcon {
  public:
    QtTrayIcon(const TrayIconLook& look, bool available) : available_(available) {
        icon_ = new QSystemTrayIcon(look.icon, this);
        icon_->setToolTip(look.toolTip);
        connect(icon_, &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) {
                    if (reason == QSystemTrayIcon::Trigger) {
                        emit leftButtonDown();
                    } else if (reason == QSystemTrayIcon::Context) {
                        emit rightButtonDown();
                    }
                });
    }

    void show() override { icon_->show(); }
    void hide() override { icon_->hide(); }
    bool isAvailable() const override { return available_; }

  private:
    QSystemTrayIcon* icon_ = nullptr;
    bool available_;
};

}  // namespace

std::unique_ptr<TrayIcon> createQtTrayIcon(const TrayIconLook& look, bool available) {
    return std::make_unique<QtTrayIcon>(look, available);
}

}  // namespace tavro
