#pragma once

#include <QDBusArgument>
#include <QIcon>
#include <QList>
#include <QObject>
#include <QString>
#include <memory>

class QDBusConnection;
class QDBusServiceWatcher;
class QMenu;

// The program's icon in a notification area that shows icons over D-Bus (KDE Plasma, GNOME's
// AppIndicator extension, waybar, ...): an org.kde.StatusNotifierItem with its menu as
// com.canonical.dbusmenu, registered with the org.kde.StatusNotifierWatcher of the session.
// It follows the watcher: it knows when one with a notification area (a host) is on the
// bus, appears later or goes, and registers again with each new watcher.
namespace tavro {

class DBusMenuExporter;

// One picture of the icon: width, height, ARGB32 pixels in network byte order: (iiay).
struct StatusNotifierPixmap {
    int width = 0;
    int height = 0;
    QByteArray argb;
};
// The tool tip: icon name, pictures, title, description: (sa(iiay)ss).
struct StatusNotifierToolTip {
    QString iconName;
    QList<StatusNotifierPixmap> pixmaps;
    QString title;
    QString description;
};

// The pictures the item offers for an icon, at the sizes trays commonly draw.
QList<StatusNotifierPixmap> statusNotifierPixmaps(const QIcon& icon);

class StatusNotifierItem : public QObject {
    Q_OBJECT
  public:
    StatusNotifierItem(const QIcon& icon, const QString& toolTip, QMenu* menu,
                       QObject* parent = nullptr);
    ~StatusNotifierItem() override;

    // Whether the item can be shown over D-Bus now: a watcher with a notification area (a
    // host) is on the session bus and has not refused the item (an error, or no answer in
    // time, counts as a refusal until another watcher takes the watcher's name).
    bool hostAvailable() const { return hostAvailable_; }
    // Shows the item (registers it with every watcher there is or comes) or takes it away.
    void setPublished(bool published);
    bool isPublished() const { return published_; }

    // ---- the item's side of the protocol, as its adaptor serves it ----
    QString title() const { return toolTip_; }
    const QList<StatusNotifierPixmap>& pixmaps() const { return pixmaps_; }
    StatusNotifierToolTip toolTip() const;
    void activate();
    void contextMenu();

  signals:
    void hostAvailabilityChanged(bool available);
    void activated();
    void contextMenuRequested();

  private slots:
    void hostRegistered();
    void hostUnregistered();

  private:
    enum class Registration { None, Pending, Accepted, Refused };

    void watcherOwnerChanged(const QString& newOwner);
    void readHostRegistered(bool wait);
    void updateHostAvailable();
    bool takeServiceName(QDBusConnection& connection);
    void registerWithWatcher();

    QString connectionName_;
    bool connected_ = false;
    QString serviceName_;     // the well-known name the item has now, if any
    QString registeredName_;  // the name the watcher was given
    QString toolTip_;
    QList<StatusNotifierPixmap> pixmaps_;
    std::unique_ptr<DBusMenuExporter> menuExporter_;
    QDBusServiceWatcher* watcherWatcher_ = nullptr;
    // Answers that come after the watcher or the registration they belong to are dropped.
    quint64 watcherEpoch_ = 0;
    quint64 registrationEpoch_ = 0;
    bool hostRegistered_ = false;
    Registration registration_ = Registration::None;
    bool hostAvailable_ = false;
    bool published_ = false;
};

}  // namespace tavro

Q_DECLARE_METATYPE(tavro::StatusNotifierPixmap)
Q_DECLARE_METATYPE(tavro::StatusNotifierToolTip)

QDBusArgument& operator<<(QDBusArgument& argument, const tavro::StatusNotifierPixmap& pixmap);
const QDBusArgument& operator>>(const QDBusArgument& argument, tavro::StatusNotifierPixmap& pixmap);
QDBusArgument& operator<<(QDBusArgument& argument, const tavro::StatusNotifierToolTip& toolTip);
const QDBusArgument& operator>>(const QDBusArgument& argument,
                                tavro::StatusNotifierToolTip& toolTip);
