#include "platform/linux/status_notifier_item.h"

#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QFileInfo>
#include <QImage>
#include <QMenu>
#include <QMetaObject>
#include <QtEndian>

#include "platform/linux/dbus_menu_exporter.h"

QDBusArgument& operator<<(QDBusArgument& argument, const tavro::StatusNotifierPixmap& pixmap) {
    argument.beginStructure();
    argument << pixmap.width << pixmap.height << pixmap.argb;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument,
                                tavro::StatusNotifierPixmap& pixmap) {
    argument.beginStructure();
    argument >> pixmap.width >> pixmap.height >> pixmap.argb;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const tavro::StatusNotifierToolTip& toolTip) {
    argument.beginStructure();
    argument << toolTip.iconName << toolTip.pixmaps << toolTip.title << toolTip.description;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument,
                                tavro::StatusNotifierToolTip& toolTip) {
    argument.beginStructure();
    argument >> toolTip.iconName >> toolTip.pixmaps >> toolTip.title >> toolTip.description;
    argument.endStructure();
    return argument;
}

namespace tavro {

namespace {

const QString kWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");
const QString kWatcherInterface = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kItemPath = QStringLiteral("/StatusNotifierItem");
const QString kMenuPath = QStringLiteral("/MenuBar");
const QString kConnectionName = QStringLiteral("tavro-status-notifier");
// A watcher that does not answer a question within this time is taken as absent; no call to
// it ever waits longer on the window's thread.
constexpr int kWatcherCallTimeoutMs = 1000;
// A registration is answered in the background, so a busy watcher gets longer; one that does
// not answer in this time is taken as refusing the item.
constexpr int kRegistrationTimeoutMs = 2000;
// Instance numbers tried for the item's well-known name before it goes by its unique name.
constexpr int kServiceNameAttempts = 4;

void registerStatusNotifierTypes() {
    static const bool registered = [] {
        qDBusRegisterMetaType<StatusNotifierPixmap>();
        qDBusRegisterMetaType<QList<StatusNotifierPixmap>>();
        qDBusRegisterMetaType<StatusNotifierToolTip>();
        return true;
    }();
    Q_UNUSED(registered);
}

// Whether the session has a bus to reach. Without an address, libdbus would start a bus of
// its own for the X display (autolaunch), which would outlive the program and help nobody.
bool sessionBusReachable() {
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) {
        return true;
    }
    const QString runtimeDir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtimeDir.isEmpty() && QFileInfo(runtimeDir + QStringLiteral("/bus")).exists();
}

QDBusMessage watcherPropertyCall() {
    QDBusMessage call = QDBusMessage::createMethodCall(
        kWatcherService, kWatcherPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    call << kWatcherInterface << QStringLiteral("IsStatusNotifierHostRegistered");
    call.setAutoStartService(false);
    return call;
}

bool hostRegisteredIn(const QDBusMessage& reply) {
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return false;
    }
    return qvariant_cast<QDBusVariant>(reply.arguments().first()).variant().toBool();
}

}  // namespace

QList<StatusNotifierPixmap> statusNotifierPixmaps(const QIcon& icon) {
    QList<StatusNotifierPixmap> pixmaps;
    for (int size : {16, 22, 32, 48, 64}) {
        const QImage image = icon.pixmap(QSize(size, size))
                                 .toImage()
                                 .scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                                 .convertToFormat(QImage::Format_ARGB32);
        if (image.isNull()) {
            continue;
        }
        StatusNotifierPixmap pixmap{image.width(), image.height(), {}};
        pixmap.argb.resize(static_cast<qsizetype>(image.width()) * image.height() * 4);
        uchar* out = reinterpret_cast<uchar*>(pixmap.argb.data());
        for (int y = 0; y < image.height(); ++y) {
            const auto* line = reinterpret_cast<const quint32*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x, out += 4) {
                qToBigEndian(line[x], out);
            }
        }
        pixmaps.append(pixmap);
    }
    return pixmaps;
}

// The org.kde.StatusNotifierItem interface of the item.
class StatusNotifierItemAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_CLASSINFO("D-Bus Introspection",
                "  <interface name=\"org.kde.StatusNotifierItem\">\n"
                "    <property name=\"Category\" type=\"s\" access=\"read\"/>\n"
                "    <property name=\"Id\" type=\"s\" access=\"read\"/>\n"
                "    <property name=\"Title\" type=\"s\" access=\"read\"/>\n"
                "    <property name=\"Status\" type=\"s\" access=\"read\"/>\n"
                "    <property name=\"WindowId\" type=\"i\" access=\"read\"/>\n"
                "    <property name=\"IconThemePath\" type=\"s\" access=\"read\"/>\n"
                "    <property name=\"Menu\" type=\"o\" access=\"read\"/>\n"
                "    <property name=\"ItemIsMenu\" type=\"b\" access=\"read\"/>\n"
                "    <property name=\"IconName\" type=\"s\" access=\"read\"/>\n"
                "    <property name=\"IconPixmap\" type=\"a(iiay)\" access=\"read\"/>\n"
                "    <property name=\"OverlayIconName\" type=\"s\" access=\"read\"/>\n"
                "    <property name=\"OverlayIconPixmap\" type=\"a(iiay)\" access=\"read\"/>\n"
                "    <property name=\"AttentionIconName\" type=\"s\" access=\"read\"/>\n"
                "    <property name=\"AttentionIconPixmap\" type=\"a(iiay)\" access=\"read\"/>\n"
                "    <property name=\"AttentionMovieName\" type=\"s\" access=\"read\"/>\n"
                "    <property name=\"ToolTip\" type=\"(sa(iiay)ss)\" access=\"read\"/>\n"
                "    <method name=\"ContextMenu\">\n"
                "      <arg name=\"x\" type=\"i\" direction=\"in\"/>\n"
                "      <arg name=\"y\" type=\"i\" direction=\"in\"/>\n"
                "    </method>\n"
                "    <method name=\"Activate\">\n"
                "      <arg name=\"x\" type=\"i\" direction=\"in\"/>\n"
                "      <arg name=\"y\" type=\"i\" direction=\"in\"/>\n"
                "    </method>\n"
                "    <method name=\"SecondaryActivate\">\n"
                "      <arg name=\"x\" type=\"i\" direction=\"in\"/>\n"
                "      <arg name=\"y\" type=\"i\" direction=\"in\"/>\n"
                "    </method>\n"
                "    <method name=\"Scroll\">\n"
                "      <arg name=\"delta\" type=\"i\" direction=\"in\"/>\n"
                "      <arg name=\"orientation\" type=\"s\" direction=\"in\"/>\n"
                "    </method>\n"
                "    <signal name=\"NewTitle\"/>\n"
                "    <signal name=\"NewIcon\"/>\n"
                "    <signal name=\"NewAttentionIcon\"/>\n"
                "    <signal name=\"NewOverlayIcon\"/>\n"
                "    <signal name=\"NewToolTip\"/>\n"
                "    <signal name=\"NewStatus\">\n"
                "      <arg name=\"status\" type=\"s\"/>\n"
                "    </signal>\n"
                "  </interface>\n")
    Q_PROPERTY(QString Category READ category)
    Q_PROPERTY(QString Id READ id)
    Q_PROPERTY(QString Title READ title)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(int WindowId READ windowId)
    Q_PROPERTY(QString IconThemePath READ emptyName)
    Q_PROPERTY(QDBusObjectPath Menu READ menu)
    Q_PROPERTY(bool ItemIsMenu READ itemIsMenu)
    Q_PROPERTY(QString IconName READ emptyName)
    Q_PROPERTY(QList<tavro::StatusNotifierPixmap> IconPixmap READ iconPixmap)
    Q_PROPERTY(QString OverlayIconName READ emptyName)
    Q_PROPERTY(QList<tavro::StatusNotifierPixmap> OverlayIconPixmap READ noPixmaps)
    Q_PROPERTY(QString AttentionIconName READ emptyName)
    Q_PROPERTY(QList<tavro::StatusNotifierPixmap> AttentionIconPixmap READ noPixmaps)
    Q_PROPERTY(QString AttentionMovieName READ emptyName)
    Q_PROPERTY(tavro::StatusNotifierToolTip ToolTip READ toolTip)

  public:
    explicit StatusNotifierItemAdaptor(StatusNotifierItem* item)
        : QDBusAbstractAdaptor(item), item_(item) {}

    QString category() const { return QStringLiteral("ApplicationStatus"); }
    QString id() const { return QStringLiteral("tavro"); }
    QString title() const { return item_->title(); }
    QString status() const { return QStringLiteral("Active"); }
    int windowId() const { return 0; }
    QString emptyName() const { return {}; }
    QDBusObjectPath menu() const { return QDBusObjectPath(kMenuPath); }
    bool itemIsMenu() const { return false; }
    QList<StatusNotifierPixmap> iconPixmap() const { return item_->pixmaps(); }
    QList<StatusNotifierPixmap> noPixmaps() const { return {}; }
    StatusNotifierToolTip toolTip() const { return item_->toolTip(); }

  public slots:
    // The call is answered before the program acts: the action may run an event loop.
    void ContextMenu(int x, int y) {
        Q_UNUSED(x);
        Q_UNUSED(y);
        QMetaObject::invokeMethod(item_, &StatusNotifierItem::contextMenu, Qt::QueuedConnection);
    }
    void Activate(int x, int y) {
        Q_UNUSED(x);
        Q_UNUSED(y);
        QMetaObject::invokeMethod(item_, &StatusNotifierItem::activate, Qt::QueuedConnection);
    }
    void SecondaryActivate(int x, int y) {
        Q_UNUSED(x);
        Q_UNUSED(y);
    }
    void Scroll(int delta, const QString& orientation) {
        Q_UNUSED(delta);
        Q_UNUSED(orientation);
    }

  signals:
    void NewTitle();
    void NewIcon();
    void NewAttentionIcon();
    void NewOverlayIcon();
    void NewToolTip();
    void NewStatus(const QString& status);

  private:
    StatusNotifierItem* item_;
};

StatusNotifierItem::StatusNotifierItem(const QIcon& icon, const QString& toolTip, QMenu* menu,
                                       QObject* parent)
    : QObject(parent),
      toolTip_(toolTip),
      pixmaps_(statusNotifierPixmaps(icon)),
      menuExporter_(std::make_unique<DBusMenuExporter>(menu)) {
    registerStatusNotifierTypes();
    new StatusNotifierItemAdaptor(this);
    if (!sessionBusReachable()) {
        return;
    }
    QDBusConnection connection =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, kConnectionName);
    connected_ = connection.isConnected();
    connectionName_ = kConnectionName;
    if (!connected_) {
        return;
    }
    watcherWatcher_ = new QDBusServiceWatcher(kWatcherService, connection,
                                              QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcherWatcher_, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& newOwner) {
                watcherOwnerChanged(newOwner);
            });
    connection.connect(kWatcherService, kWatcherPath, kWatcherInterface,
                       QStringLiteral("StatusNotifierHostRegistered"), this,
                       SLOT(hostRegistered()));
    connection.connect(kWatcherService, kWatcherPath, kWatcherInterface,
                       QStringLiteral("StatusNotifierHostUnregistered"), this,
                       SLOT(hostUnregistered()));
    // At start the answer is waited for (briefly), so the program knows at once where its
    // icon goes.
    readHostRegistered(true);
}

StatusNotifierItem::~StatusNotifierItem() {
    setPublished(false);
    if (connected_) {
        QDBusConnection::disconnectFromBus(connectionName_);
    }
}

StatusNotifierToolTip StatusNotifierItem::toolTip() const {
    return {QString(), pixmaps_, toolTip_, QString()};
}

void StatusNotifierItem::activate() {
    emit activated();
}

void StatusNotifierItem::contextMenu() {
    emit contextMenuRequested();
}

void StatusNotifierItem::hostRegistered() {
    hostRegistered_ = true;
    updateHostAvailable();
}

void StatusNotifierItem::hostUnregistered() {
    // Another host may still be there: ask.
    readHostRegistered(false);
}

void StatusNotifierItem::watcherOwnerChanged(const QString& newOwner) {
    ++watcherEpoch_;
    ++registrationEpoch_;
    // Whatever the watcher before made of the item, this one knows nothing of it.
    registration_ = Registration::None;
    if (newOwner.isEmpty()) {
        hostRegistered_ = false;
    } else {
        readHostRegistered(false);
        if (published_) {
            registerWithWatcher();
        }
    }
    updateHostAvailable();
}

void StatusNotifierItem::readHostRegistered(bool wait) {
    QDBusConnection connection(connectionName_);
    if (wait) {
        hostRegistered_ = hostRegisteredIn(
            connection.call(watcherPropertyCall(), QDBus::Block, kWatcherCallTimeoutMs));
        updateHostAvailable();
        return;
    }
    auto* pending = new QDBusPendingCallWatcher(
        connection.asyncCall(watcherPropertyCall(), kWatcherCallTimeoutMs), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [this, epoch = watcherEpoch_](QDBusPendingCallWatcher* call) {
                call->deleteLater();
                if (epoch == watcherEpoch_) {
                    hostRegistered_ = hostRegisteredIn(call->reply());
                    updateHostAvailable();
                }
            });
}

void StatusNotifierItem::updateHostAvailable() {
    const bool available = hostRegistered_ && registration_ != Registration::Refused;
    if (available == hostAvailable_) {
        return;
    }
    hostAvailable_ = available;
    emit hostAvailabilityChanged(available);
}

void StatusNotifierItem::setPublished(bool published) {
    if (published == published_ || !connected_) {
        return;
    }
    QDBusConnection connection(connectionName_);
    published_ = published;
    if (published) {
        connection.registerObject(kItemPath, this, QDBusConnection::ExportAdaptors);
        menuExporter_->publish(connectionName_, kMenuPath);
        registeredName_ = takeServiceName(connection) ? serviceName_ : connection.baseService();
        registerWithWatcher();
    } else {
        // The watcher drops the item when its name leaves the bus.
        if (!serviceName_.isEmpty()) {
            connection.unregisterService(serviceName_);
            serviceName_.clear();
        }
        menuExporter_->withdraw();
        connection.unregisterObject(kItemPath);
        ++registrationEpoch_;
        if (registration_ != Registration::Refused) {
            registration_ = Registration::None;
        }
    }
}

// The item's well-known name, org.kde.StatusNotifierItem-PID-N. Any process can take such a
// name first; the item never goes by a name another process holds, so it tries the next
// instance number, and at last goes by the connection's unique name, which no one else can
// hold (watchers find the item at its usual path there).
bool StatusNotifierItem::takeServiceName(QDBusConnection& connection) {
    for (int instance = 1; instance <= kServiceNameAttempts; ++instance) {
        const QString name = QStringLiteral("org.kde.StatusNotifierItem-%1-%2")
                                 .arg(QCoreApplication::applicationPid())
                                 .arg(instance);
        if (connection.registerService(name)) {
            serviceName_ = name;
            return true;
        }
    }
    return false;
}

void StatusNotifierItem::registerWithWatcher() {
    registration_ = Registration::Pending;
    QDBusMessage call =
        QDBusMessage::createMethodCall(kWatcherService, kWatcherPath, kWatcherInterface,
                                       QStringLiteral("RegisterStatusNotifierItem"));
    call << registeredName_;
    call.setAutoStartService(false);
    auto* pending = new QDBusPendingCallWatcher(
        QDBusConnection(connectionName_).asyncCall(call, kRegistrationTimeoutMs), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [this, epoch = ++registrationEpoch_](QDBusPendingCallWatcher* reply) {
                reply->deleteLater();
                if (epoch != registrationEpoch_) {
                    return;
                }
                // A watcher that refuses the item, or gives no answer in time, shows nothing:
                // use another way in.
                registration_ = reply->isError() ? Registration::Refused : Registration::Accepted;
                updateHostAvailable();
            });
}

}  // namespace tavro

#include "status_notifier_item.moc"
