#pragma once

#include <QDBusArgument>
#include <QDBusContext>
#include <QDBusVariant>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QVariantMap>

class QAction;
class QMenu;

// A QMenu published on D-Bus as com.canonical.dbusmenu, the menu protocol of
// StatusNotifierItem trays: the tray reads the entries (captions, separators, what is hidden
// or disabled) and draws the menu itself; a click comes back as an event that triggers the
// entry's QAction. Every change of the menu is announced with LayoutUpdated.
namespace tavro {

// One entry with its properties: (ia{sv}).
struct DBusMenuItem {
    int id = 0;
    QVariantMap properties;
};
// One entry with the names of properties it no longer has: (ias).
struct DBusMenuItemKeys {
    int id = 0;
    QStringList properties;
};
// An entry with its children: (ia{sv}av), each child a variant holding the same structure.
struct DBusMenuLayoutItem {
    int id = 0;
    QVariantMap properties;
    QList<DBusMenuLayoutItem> children;
};
// A click or other event on an entry, as EventGroup passes them: (isvu).
struct DBusMenuEvent {
    int id = 0;
    QString eventId;
    QDBusVariant data;
    uint timestamp = 0;
};

// The caption a dbusmenu label carries for a Qt caption: the mnemonic mark is '_' there and
// a literal underscore is doubled, where Qt marks with '&' and doubles a literal '&'. D-Bus
// strings can't hold NUL, which would cut the label short: it is shown as "␀" (U+2400).
QString dbusMenuLabel(const QString& qtText);

// QtDBus hands the context of a call made through an adaptor (who called, how to answer with
// an error) to the adaptor's parent, so the exporter carries it for its adaptor.
class DBusMenuExporter : public QObject, protected QDBusContext {
    Q_OBJECT
    friend class DBusMenuAdaptor;

  public:
    explicit DBusMenuExporter(QMenu* menu, QObject* parent = nullptr);
    ~DBusMenuExporter() override;

    // Publishes the menu at `path` on `connection` (false when the path is taken).
    bool publish(const QString& connectionName, const QString& path);
    void withdraw();

    // ---- the protocol, as the adaptor serves it ----
    uint revision() const { return revision_; }
    // The entry `parentId` (0: the menu itself) with its children down to `depth` levels
    // (any negative depth: all), each with the properties named (all when none are named).
    DBusMenuLayoutItem layout(int parentId, int depth, const QStringList& propertyNames);
    QList<DBusMenuItem> groupProperties(const QList<int>& ids, const QStringList& propertyNames);
    // Carries out an event on an entry after the call has been answered; false when there
    // is no entry `id`.
    bool handleEvent(int id, const QString& eventId);
    bool hasEntry(int id) const;

  signals:
    void layoutUpdated(uint revision, int parent);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    int idOf(QAction* action);
    QAction* actionOf(int id) const;
    QMenu* menuOf(int id) const;
    QVariantMap propertiesOf(QAction* action, const QStringList& names);
    DBusMenuLayoutItem layoutOf(int id, QMenu* submenu, QAction* action, int depth,
                                const QStringList& names);
    void watchMenu(QMenu* menu);
    void announceChange();

    QPointer<QMenu> menu_;
    QHash<QAction*, int> ids_;
    QHash<int, QPointer<QAction>> actions_;
    int nextId_ = 1;
    uint revision_ = 1;
    bool changePending_ = false;
    QString connectionName_;
    QString path_;
};

}  // namespace tavro

Q_DECLARE_METATYPE(tavro::DBusMenuItem)
Q_DECLARE_METATYPE(tavro::DBusMenuItemKeys)
Q_DECLARE_METATYPE(tavro::DBusMenuLayoutItem)
Q_DECLARE_METATYPE(tavro::DBusMenuEvent)

QDBusArgument& operator<<(QDBusArgument& argument, const tavro::DBusMenuItem& item);
const QDBusArgument& operator>>(const QDBusArgument& argument, tavro::DBusMenuItem& item);
QDBusArgument& operator<<(QDBusArgument& argument, const tavro::DBusMenuItemKeys& keys);
const QDBusArgument& operator>>(const QDBusArgument& argument, tavro::DBusMenuItemKeys& keys);
QDBusArgument& operator<<(QDBusArgument& argument, const tavro::DBusMenuLayoutItem& item);
const QDBusArgument& operator>>(const QDBusArgument& argument, tavro::DBusMenuLayoutItem& item);
QDBusArgument& operator<<(QDBusArgument& argument, const tavro::DBusMenuEvent& event);
const QDBusArgument& operator>>(const QDBusArgument& argument, tavro::DBusMenuEvent& event);
