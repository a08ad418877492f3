// The tray menu as a D-Bus client calls it (com.canonical.dbusmenu), over a private
// peer-to-peer connection: questions about entries that don't exist get D-Bus errors, any
// depth is taken (a negative one as "all"), and labels keep what follows a NUL.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusServer>
#include <QDBusVariant>
#include <QMenu>
#include <QTest>
#include <climits>
#include <optional>

#include "platform/linux/dbus_menu_exporter.h"

using tavro::DBusMenuExporter;
using tavro::DBusMenuLayoutItem;

TEST(DBusMenuProtocol, UnknownEntriesAreErrorsDepthsAreClampedAndNulsShow) {
    QMenu menu;
    menu.addMenu(QStringLiteral("sub"))->addAction(QStringLiteral("inner"));
    menu.addAction(QStringLiteral("a") + QChar(u'\0') + QStringLiteral("b"));
    DBusMenuExporter exporter(&menu);

    QDBusServer server;
    std::optional<QDBusConnection> served;
    QObject::connect(&server, &QDBusServer::newConnection,
                     [&](const QDBusConnection& connection) { served = connection; });
    QDBusConnection client =
        QDBusConnection::connectToPeer(server.address(), QStringLiteral("menu-client"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return served.has_value(); }));
    ASSERT_TRUE(exporter.publish(served->name(), QStringLiteral("/MenuBar")));
    auto call = [&](const QString& method, const QVariantList& arguments) {
        QDBusMessage message =
            QDBusMessage::createMethodCall(QString(), QStringLiteral("/MenuBar"),
                                           QStringLiteral("com.canonical.dbusmenu"), method);
        message.setArguments(arguments);
        QDBusPendingCall pending = client.asyncCall(message, 5000);
        EXPECT_TRUE(QTest::qWaitFor([&] { return pending.isFinished(); }, 6000));
        return pending.reply();
    };
    auto layout = [&](int depth) {
        const QDBusMessage reply = call(QStringLiteral("GetLayout"), {0, depth, QStringList()});
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << depth;
        return reply.arguments().size() == 2
                   ? qdbus_cast<DBusMenuLayoutItem>(reply.arguments().at(1))
                   : DBusMenuLayoutItem{};
    };

    const std::pair<QString, QVariantList> refused[] = {
        {QStringLiteral("GetLayout"), {4242, -1, QStringList()}},
        {QStringLiteral("GetProperty"), {4242, QStringLiteral("label")}},
        {QStringLiteral("GetProperty"), {0, QStringLiteral("no-such-property")}},
        {QStringLiteral("Event"),
         {99999, QStringLiteral("clicked"), QVariant::fromValue(QDBusVariant(0)), 0u}},
        {QStringLiteral("AboutToShow"), {4242}},
    };
    for (const auto& [method, arguments] : refused) {
        const QDBusMessage reply = call(method, arguments);
        EXPECT_EQ(reply.type(), QDBusMessage::ErrorMessage) << method.toStdString();
        EXPECT_EQ(reply.errorName(), QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"));
    }

    // Any negative depth is the whole menu; 1 is the entries without their submenus' own.
    for (int depth : {-1, -2, INT_MIN}) {
        const DBusMenuLayoutItem all = layout(depth);
        ASSERT_EQ(all.children.size(), 2) << depth;
        EXPECT_EQ(all.children.at(0).children.size(), 1) << depth;
    }
    const DBusMenuLayoutItem top = layout(1);
    ASSERT_EQ(top.children.size(), 2);
    EXPECT_TRUE(top.children.at(0).children.isEmpty());
    EXPECT_EQ(top.children.at(1).properties.value(QStringLiteral("label")).toString(),
              QStringLiteral("a\u2400b"));
}
