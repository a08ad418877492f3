#pragma once

#include <QAbstractNativeEventFilter>
#include <QIcon>
#include <QPixmap>
#include <QWidget>

// The program's icon as a client of an XEmbed notification area (the freedesktop system tray
// protocol): a small window that asks the area's manager to take it in and shows once the area
// has embedded it. Qt's own tray icon does the same on X11, but Qt 6.4 first decides between
// it and a D-Bus icon with blocking calls on the session bus, once for the whole run; this
// icon never touches D-Bus, so it can come and go with the notification areas.
namespace tavro {

class XEmbedTrayIcon : public QWidget, public QAbstractNativeEventFilter {
    Q_OBJECT
  public:
    // Asks the notification area whose manager owns the window `manager` to embed the icon.
    XEmbedTrayIcon(const QIcon& icon, const QString& toolTip, unsigned manager);
    ~XEmbedTrayIcon() override;

    unsigned manager() const { return manager_; }
    // Whether the notification area has taken the icon in.
    bool isEmbedded() const { return embedded_; }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

  signals:
    void embedded();
    void leftButtonDown();
    void rightButtonDown();

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    // The second press of a double click does nothing, as with Qt's own icon.
    void mouseDoubleClickEvent(QMouseEvent*) override {}
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void showEmbedded();

    QIcon icon_;
    unsigned manager_;
    unsigned window_ = 0;
    unsigned xembedAtom_ = 0;
    bool embedded_ = false;
    QPixmap background_;  // the notification area behind the icon, as the area draws it
};

}  // namespace tavro
