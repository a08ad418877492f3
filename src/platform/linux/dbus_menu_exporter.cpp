#include "platform/linux/dbus_menu_exporter.h"

#include <QAction>
#include <QActionEvent>
#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QMenu>
#include <QMetaObject>
#include <QTimer>
#include <algorithm>

QDBusArgument& operator<<(QDBusArgument& argument, const tavro::DBusMenuItem& item) {
    argument.beginStructure();
    argument << item.id << item.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, tavro::DBusMenuItem& item) {
    argument.beginStructure();
    argument >> item.id >> item.properties;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const tavro::DBusMenuItemKeys& keys) {
    argument.beginStructure();
    argument << keys.id << keys.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, tavro::DBusMenuItemKeys& keys) {
    argument.beginStructure();
    argument >> keys.id >> keys.properties;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const tavro::DBusMenuLayoutItem& item) {
    argument.beginStructure();
    argument << item.id << item.properties;
    argument.beginArray(qMetaTypeId<QDBusVariant>());
    for (const tavro::DBusMenuLayoutItem& child : item.children) {
        argument << QDBusVariant(QVariant::fromValue(child));
    }
    argument.endArray();
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, tavro::DBusMenuLayoutItem& item) {
    argument.beginStructure();
    argument >> item.id >> item.properties;
    argument.beginArray();
    item.children.clear();
    while (!argument.atEnd()) {
        QDBusVariant child;
        argument >> child;
        item.children.append(qdbus_cast<tavro::DBusMenuLayoutItem>(child.variant()));
    }
    argument.endArray();
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const tavro::DBusMenuEvent& event) {
    argument.beginStructure();
    argument << event.id << event.eventId << event.data << event.timestamp;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, tavro::DBusMenuEvent& event) {
    argument.beginStructure();
    argument >> event.id >> event.eventId >> event.data >> event.timestamp;
    argument.endStructure();
    return argument;
}

namespace tavro {

namespace {

const QString kInterface = QStringLiteral("com.canonical.dbusmenu");

void registerDBusMenuTypes() {
    static const bool registered = [] {
        qDBusRegisterMetaType<DBusMenuItem>();
        qDBusRegisterMetaType<QList<DBusMenuItem>>();
        qDBusRegisterMetaType<DBusMenuItemKeys>();
        qDBusRegisterMetaType<QList<DBusMenuItemKeys>>();
        qDBusRegisterMetaType<DBusMenuLayoutItem>();
        qDBusRegisterMetaType<DBusMenuEvent>();
        qDBusRegisterMetaType<QList<DBusMenuEvent>>();
        qDBusRegisterMetaType<QList<int>>();
        return true;
    }();
    Q_UNUSED(registered);
}

}  // namespace

// The com.canonical.dbusmenu interface (version 3) of one exported menu.
class DBusMenuAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.canonical.dbusmenu")
    Q_CLASSINFO("D-Bus Introspection",
                "  <interface name=\"com.canonical.dbusmenu\">\n"
                "    <property name=\"Version\" type=\"u\" access=\"read\"/>\n"
                "    <property name=\"TextDirection\" type=\"s\" access=\"read\"/>\n"
                "    <property name=\"Status\" type=\"s\" access=\"read\"/>\n"
                "    <property name=\"IconThemePath\" type=\"as\" access=\"read\"/>\n"
                "    <method name=\"GetLayout\">\n"
                "      <arg type=\"i\" name=\"parentId\" direction=\"in\"/>\n"
                "      <arg type=\"i\" name=\"recursionDepth\" direction=\"in\"/>\n"
                "      <arg type=\"as\" name=\"propertyNames\" direction=\"in\"/>\n"
                "      <arg type=\"u\" name=\"revision\" direction=\"out\"/>\n"
                "      <arg type=\"(ia{sv}av)\" name=\"layout\" direction=\"out\"/>\n"
                "    </method>\n"
                "    <method name=\"GetGroupProperties\">\n"
                "      <arg type=\"ai\" name=\"ids\" direction=\"in\"/>\n"
                "      <arg type=\"as\" name=\"propertyNames\" direction=\"in\"/>\n"
                "      <arg type=\"a(ia{sv})\" name=\"properties\" direction=\"out\"/>\n"
                "    </method>\n"
                "    <method name=\"GetProperty\">\n"
                "      <arg type=\"i\" name=\"id\" direction=\"in\"/>\n"
                "      <arg type=\"s\" name=\"name\" direction=\"in\"/>\n"
                "      <arg type=\"v\" name=\"value\" direction=\"out\"/>\n"
                "    </method>\n"
                "    <method name=\"Event\">\n"
                "      <arg type=\"i\" name=\"id\" direction=\"in\"/>\n"
                "      <arg type=\"s\" name=\"eventId\" direction=\"in\"/>\n"
                "      <arg type=\"v\" name=\"data\" direction=\"in\"/>\n"
                "      <arg type=\"u\" name=\"timestamp\" direction=\"in\"/>\n"
                "    </method>\n"
                "    <method name=\"EventGroup\">\n"
                "      <arg type=\"a(isvu)\" name=\"events\" direction=\"in\"/>\n"
                "      <arg type=\"ai\" name=\"idErrors\" direction=\"out\"/>\n"
                "    </method>\n"
                "    <method name=\"AboutToShow\">\n"
                "      <arg type=\"i\" name=\"id\" direction=\"in\"/>\n"
                "      <arg type=\"b\" name=\"needUpdate\" direction=\"out\"/>\n"
                "    </method>\n"
                "    <method name=\"AboutToShowGroup\">\n"
                "      <arg type=\"ai\" name=\"ids\" direction=\"in\"/>\n"
                "      <arg type=\"ai\" name=\"updatesNeeded\" direction=\"out\"/>\n"
                "      <arg type=\"ai\" name=\"idErrors\" direction=\"out\"/>\n"
                "    </method>\n"
                "    <signal name=\"ItemsPropertiesUpdated\">\n"
                "      <arg type=\"a(ia{sv})\" name=\"updatedProps\" direction=\"out\"/>\n"
                "      <arg type=\"a(ias)\" name=\"removedProps\" direction=\"out\"/>\n"
                "    </signal>\n"
                "    <signal name=\"LayoutUpdated\">\n"
                "      <arg type=\"u\" name=\"revision\" direction=\"out\"/>\n"
                "      <arg type=\"i\" name=\"parent\" direction=\"out\"/>\n"
                "    </signal>\n"
                "    <signal name=\"ItemActivationRequested\">\n"
                "      <arg type=\"i\" name=\"id\" direction=\"out\"/>\n"
                "      <arg type=\"u\" name=\"timestamp\" direction=\"out\"/>\n"
                "    </signal>\n"
                "  </interface>\n")
    Q_PROPERTY(uint Version READ version)
    Q_PROPERTY(QString TextDirection READ textDirection)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(QStringList IconThemePath READ iconThemePath)

  public:
    explicit DBusMenuAdaptor(DBusMenuExporter* exporter)
        : QDBusAbstractAdaptor(exporter), exporter_(exporter) {
        connect(exporter, &DBusMenuExporter::layoutUpdated, this, &DBusMenuAdaptor::LayoutUpdated);
    }

    uint version() const { return 3; }
    QString textDirection() const { return QStringLiteral("ltr"); }
    QString status() const { return QStringLiteral("normal"); }
    QStringList iconThemePath() const { return {}; }

  public slots:
    uint GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                   tavro::DBusMenuLayoutItem& layout) {
        if (!exporter_->hasEntry(parentId)) {
            refuse(QStringLiteral("No menu entry %1").arg(parentId));
            return 0;
        }
        layout = exporter_->layout(parentId, recursionDepth, propertyNames);
        return exporter_->revision();
    }

    QList<tavro::DBusMenuItem> GetGroupProperties(const QList<int>& ids,
                                                  const QStringList& propertyNames) {
        return exporter_->groupProperties(ids, propertyNames);
    }

    QDBusVariant GetProperty(int id, const QString& name) {
        const QList<DBusMenuItem> found = exporter_->groupProperties({id}, {name});
        if (found.isEmpty()) {
            refuse(QStringLiteral("No menu entry %1").arg(id));
        } else if (!found.first().properties.contains(name)) {
            refuse(QStringLiteral("Menu entry %1 has no property %2").arg(id).arg(name));
        } else {
            return QDBusVariant(found.first().properties.value(name));
        }
        return {};
    }

    void Event(int id, const QString& eventId, const QDBusVariant& data, uint timestamp) {
        Q_UNUSED(data);
        Q_UNUSED(timestamp);
        if (!exporter_->handleEvent(id, eventId)) {
            refuse(QStringLiteral("No menu entry %1").arg(id));
        }
    }

    QList<int> EventGroup(const QList<tavro::DBusMenuEvent>& events) {
        QList<int> idErrors;
        for (const DBusMenuEvent& event : events) {
            if (!exporter_->handleEvent(event.id, event.eventId)) {
                idErrors.append(event.id);
            }
        }
        return idErrors;
    }

    bool AboutToShow(int id) {
        if (!exporter_->hasEntry(id)) {
            refuse(QStringLiteral("No menu entry %1").arg(id));
        }
        return false;  // the menu is kept up to date all the time
    }

    QList<int> AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors) {
        for (int id : ids) {
            if (!exporter_->hasEntry(id)) {
                idErrors.append(id);
            }
        }
        return {};
    }

  signals:
    void ItemsPropertiesUpdated(const QList<tavro::DBusMenuItem>& updatedProps,
                                const QList<tavro::DBusMenuItemKeys>& removedProps);
    void LayoutUpdated(uint revision, int parent);
    void ItemActivationRequested(int id, uint timestamp);

  private:
    // Answers the call being served with an error instead of its result.
    void refuse(const QString& why) {
        if (exporter_->calledFromDBus()) {
            exporter_->sendErrorReply(QDBusError::InvalidArgs, why);
        }
    }

    DBusMenuExporter* exporter_;
};

QString dbusMenuLabel(const QString& qtText) {
    QString label;
    label.reserve(qtText.size());
    for (qsizetype i = 0; i < qtText.size(); ++i) {
        const QChar c = qtText.at(i);
        if (c == QLatin1Char('_')) {
            label += QLatin1String("__");
        } else if (c == QLatin1Char('&') && i + 1 < qtText.size()) {
            ++i;  // "&&" is a literal '&'; "&x" marks x as the mnemonic
            if (qtText.at(i) != QLatin1Char('&')) {
                label += QLatin1Char('_');
            }
            label +=
                qtText.at(i) == QLatin1Char('_') ? QStringLiteral("__") : QString(qtText.at(i));
        } else {
            label += c;
        }
    }
    label.replace(QChar(u'\0'), QChar(0x2400));  // ␀
    return label;
}

DBusMenuExporter::DBusMenuExporter(QMenu* menu, QObject* parent) : QObject(parent), menu_(menu) {
    registerDBusMenuTypes();
    new DBusMenuAdaptor(this);
    if (menu != nullptr) {
        watchMenu(menu);
    }
}

DBusMenuExporter::~DBusMenuExporter() {
    withdraw();
}

bool DBusMenuExporter::publish(const QString& connectionName, const QString& path) {
    withdraw();
    QDBusConnection connection(connectionName);
    if (!connection.registerObject(path, this, QDBusConnection::ExportAdaptors)) {
        return false;
    }
    connectionName_ = connectionName;
    path_ = path;
    return true;
}

void DBusMenuExporter::withdraw() {
    if (!path_.isEmpty()) {
        QDBusConnection(connectionName_).unregisterObject(path_);
        path_.clear();
    }
}

void DBusMenuExporter::watchMenu(QMenu* menu) {
    menu->installEventFilter(this);
    for (QAction* action : menu->actions()) {
        if (QMenu* submenu = action->menu()) {
            watchMenu(submenu);
        }
    }
}

bool DBusMenuExporter::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::ActionAdded:
            if (QMenu* submenu = static_cast<QActionEvent*>(event)->action()->menu()) {
                watchMenu(submenu);
            }
            announceChange();
            break;
        case QEvent::ActionRemoved: {
            QAction* action = static_cast<QActionEvent*>(event)->action();
            const auto found = ids_.constFind(action);
            if (found != ids_.constEnd()) {
                actions_.remove(found.value());
                ids_.erase(found);
            }
            announceChange();
            break;
        }
        case QEvent::ActionChanged:
            announceChange();
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

// A rebuild of the menu changes many entries in a row: the tray hears of it once, when the
// program is idle again.
void DBusMenuExporter::announceChange() {
    if (changePending_) {
        return;
    }
    changePending_ = true;
    QTimer::singleShot(0, this, [this] {
        changePending_ = false;
        ++revision_;
        emit layoutUpdated(revision_, 0);
    });
}

int DBusMenuExporter::idOf(QAction* action) {
    const auto found = ids_.constFind(action);
    if (found != ids_.constEnd()) {
        return found.value();
    }
    const int id = nextId_++;
    ids_.insert(action, id);
    actions_.insert(id, action);
    return id;
}

QAction* DBusMenuExporter::actionOf(int id) const {
    return actions_.value(id);
}

QMenu* DBusMenuExporter::menuOf(int id) const {
    if (id == 0) {
        return menu_;
    }
    QAction* action = actionOf(id);
    return action ? action->menu() : nullptr;
}

bool DBusMenuExporter::hasEntry(int id) const {
    return id == 0 ? !menu_.isNull() : actionOf(id) != nullptr;
}

QVariantMap DBusMenuExporter::propertiesOf(QAction* action, const QStringList& names) {
    QVariantMap properties;
    if (action == nullptr) {
        properties.insert(QStringLiteral("children-display"), QStringLiteral("submenu"));
    } else if (action->isSeparator()) {
        properties.insert(QStringLiteral("type"), QStringLiteral("separator"));
    } else {
        properties.insert(QStringLiteral("label"), dbusMenuLabel(action->text()));
        if (action->menu() != nullptr) {
            properties.insert(QStringLiteral("children-display"), QStringLiteral("submenu"));
        }
    }
    if (action != nullptr) {
        // Only what differs from the protocol's defaults (visible, enabled) is listed.
        if (!action->isVisible()) {
            properties.insert(QStringLiteral("visible"), false);
        }
        if (!action->isEnabled()) {
            properties.insert(QStringLiteral("enabled"), false);
        }
    }
    if (!names.isEmpty()) {
        for (auto it = properties.begin(); it != properties.end();) {
            it = names.contains(it.key()) ? std::next(it) : properties.erase(it);
        }
    }
    return properties;
}

DBusMenuLayoutItem DBusMenuExporter::layoutOf(int id, QMenu* submenu, QAction* action, int depth,
                                              const QStringList& names) {
    DBusMenuLayoutItem item;
    item.id = id;
    item.properties = propertiesOf(action, names);
    if (submenu != nullptr && depth != 0) {
        // -1 (all levels) stays -1 all the way down.
        const int childDepth = depth < 0 ? depth : depth - 1;
        for (QAction* child : submenu->actions()) {
            item.children.append(layoutOf(idOf(child), child->menu(), child, childDepth, names));
        }
    }
    return item;
}

DBusMenuLayoutItem DBusMenuExporter::layout(int parentId, int depth, const QStringList& names) {
    QAction* action = parentId == 0 ? nullptr : actionOf(parentId);
    return layoutOf(parentId, menuOf(parentId), action, std::max(depth, -1), names);
}

QList<DBusMenuItem> DBusMenuExporter::groupProperties(const QList<int>& ids,
                                                      const QStringList& names) {
    QList<DBusMenuItem> items;
    for (int id : ids) {
        if (hasEntry(id)) {
            items.append({id, propertiesOf(id == 0 ? nullptr : actionOf(id), names)});
        }
    }
    return items;
}

bool DBusMenuExporter::handleEvent(int id, const QString& eventId) {
    if (!hasEntry(id)) {
        return false;
    }
    QAction* action = actionOf(id);
    if (eventId == QLatin1String("clicked") && action != nullptr && action->isEnabled() &&
        action->menu() == nullptr) {
        // The call is answered first: the action may open a dialog with its own event loop.
        QMetaObject::invokeMethod(action, &QAction::trigger, Qt::QueuedConnection);
    }
    return true;
}

}  // namespace tavro

#include "dbus_menu_exporter.moc"
