// The tray menu as a D-Bus client calls it, over a private peer-to-peer connection.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusPendingCall>
#include <QDBusServer>
#include <QMenu>
#include <QTest>
#include <climits>

#include "platform/linux/dbus_menu_exporter.h"

TEST(DBusMenuProtocol, UnknownEntriesAreErrorsDepthsAreClampedAndNulsShow) {
    QMenu menu;
    menu.addMenu(QStringLiteral("sub"))->addAction(QStringLiteral("inner"));
    menu.addAction(QStringLiteral("a") + QChar(u'\0') + QStringLiteral("b"));
    tavro::DBusMenuExporter exporter(&menu);
    QDBusServer server;
    QString served;
    QObject::connect(&server, &QDBusServer::newConnection,
                     [&](const QDBusConnection& connection) { served = connection.name(); });
    QDBusConnection client = QDBusConnection::connectToPeer(server.address(), "menu-client");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !served.isEmpty(); }));
    ASSERT_TRUE(exporter.publish(served, QStringLiteral("/MenuBar")));
    auto call = [&](const QString& method, const QVariantList& arguments) {
        QDBusMessage message =
            QDBusMessage::createMethodCall({}, "/MenuBar", "com.canonical.dbusmenu", method);
        message.setArguments(arguments);
        QDBusPendingCall pending = client.asyncCall(message, 5000);
        EXPECT_TRUE(QTest::qWaitFor([&] { return pending.isFinished(); }, 6000));
        return pending.reply();
    };
    const std::pair<QString, QVariantList> refused[] = {
        {"GetLayout", {4242, -1, QStringList()}},
        {"GetProperty", {4242, "label"}},
        {"GetProperty", {0, "no-such-property"}},
        {"Event", {99999, "clicked", QVariant::fromValue(QDBusVariant(0)), 0u}},
        {"AboutToShow", {4242}},
    };
    for (const auto& [method, arguments] : refused) {
        EXPECT_EQ(call(method, arguments).errorName(), "org.freedesktop.DBus.Error.InvalidArgs")
            << method.toStdString();
    }
    // Any negative depth is the whole menu; 1 leaves out the submenu's own entries.
    for (int depth : {-1, -2, INT_MIN, 1}) {
        const QDBusMessage reply = call("GetLayout", {0, depth, QStringList()});
        ASSERT_EQ(reply.arguments().size(), 2) << depth;
        const auto root = qdbus_cast<tavro::DBusMenuLayoutItem>(reply.arguments().at(1));
        ASSERT_EQ(root.children.size(), 2) << depth;
        EXPECT_EQ(root.children.at(0).children.size(), depth == 1 ? 0 : 1) << depth;
        EXPECT_EQ(root.children.at(1).properties.value("label"), QStringLiteral("a\u2400b"));
    }
}
