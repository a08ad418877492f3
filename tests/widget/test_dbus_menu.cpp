// The tray menu as a StatusNotifierItem tray reads it over D-Bus (com.canonical.dbusmenu):
// the entries of the real tray menu in order with their captions, separators and hidden
// entries, one LayoutUpdated per change, clicks that run the entries, and the icon's pixels.
#include <QAction>
#include <QImage>
#include <QMenu>
#include <QPixmap>
#include <QRegularExpression>
#include <QSignalSpy>

#include "app_fixture.h"
#include "platform/linux/dbus_menu_exporter.h"
#include "platform/linux/status_notifier_item.h"

using tavro::DBusMenuExporter;
using tavro::DBusMenuLayoutItem;

namespace {

// One line per entry: "-" for a separator, else the label; "(hidden) " before hidden ones.
QStringList entries(const DBusMenuLayoutItem& root) {
    QStringList lines;
    for (const DBusMenuLayoutItem& child : root.children) {
        QString line = child.properties.value(QStringLiteral("type")) == QLatin1String("separator")
                           ? QStringLiteral("-")
                           : child.properties.value(QStringLiteral("label")).toString();
        if (!child.properties.value(QStringLiteral("visible"), true).toBool()) {
            line.prepend(QStringLiteral("(hidden) "));
        }
        lines.append(line);
    }
    return lines;
}

int idOfLabel(const DBusMenuLayoutItem& root, const QString& label) {
    for (const DBusMenuLayoutItem& child : root.children) {
        if (child.properties.value(QStringLiteral("label")).toString() == label) {
            return child.id;
        }
    }
    return -1;
}

}  // namespace

TEST(DBusMenuLabel, QtMnemonicsBecomeUnderscoresAndUnderscoresAreDoubled) {
    const std::pair<QString, QString> cases[] = {
        {"plain", "plain"},     {"snake_case", "snake__case"},
        {"&File", "_File"},     {"a && b", "a & b"},
        {"x&_y", "x___y"},      {"trailing &", "trailing &"},
        {"履歴ｸﾘｱ", "履歴ｸﾘｱ"}, {"__", "____"},
    };
    for (const auto& [qt, dbus] : cases) {
        EXPECT_EQ(tavro::dbusMenuLabel(qt), dbus) << qt.toStdString();
    }
}

TEST(StatusNotifierPixmaps, EveryTraySizeInNetworkOrderArgb) {
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(qRgba(0x10, 0x20, 0x30, 0xff));
    image.setPixel(31, 31, qRgba(0, 0, 0, 0));
    const QList<tavro::StatusNotifierPixmap> pixmaps =
        tavro::statusNotifierPixmaps(QIcon(QPixmap::fromImage(image)));
    QList<int> sizes;
    for (const tavro::StatusNotifierPixmap& pixmap : pixmaps) {
        sizes.append(pixmap.width);
        EXPECT_EQ(pixmap.height, pixmap.width);
        ASSERT_EQ(pixmap.argb.size(), pixmap.width * pixmap.height * 4);
        // The first pixel: alpha, red, green, blue, most significant first.
        EXPECT_EQ(pixmap.argb.left(4), QByteArray::fromHex("ff102030")) << pixmap.width;
    }
    EXPECT_EQ(sizes, (QList<int>{16, 22, 32, 48, 64}));
    EXPECT_EQ(pixmaps.at(2).argb.right(4), QByteArray::fromHex("00000000"));
}

TEST_F(AppTest, TheTrayMenuReadsOverDBusInOrderWithItsCaptions) {
    // A saved text's caption shows its line break as a mark, as the tray menu draws it.
    writeSaved(QStringLiteral("261207090000.TXT"), QByteArrayLiteral("saved text"));
    startApp();
    DBusMenuExporter exporter(&app->trayMenu());
    QSignalSpy updates(&exporter, &DBusMenuExporter::layoutUpdated);

    const QStringList commands{QStringLiteral("-"), QStringLiteral("履歴ｸﾘｱ"),
                               QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"), QStringLiteral("終了")};
    DBusMenuLayoutItem root = exporter.layout(0, -1, {});
    EXPECT_EQ(root.id, 0);
    EXPECT_EQ(root.properties.value(QStringLiteral("children-display")), QStringLiteral("submenu"));
    EXPECT_EQ(entries(root),
              QStringList({QStringLiteral("【ﾃｷｽﾄ履歴】"), QStringLiteral("saved text↵"),
                           QStringLiteral("-"), QStringLiteral("【ｸﾘｯﾌﾟﾎﾞｰﾄﾞ履歴】"),
                           QStringLiteral("(hidden) 履歴")}) +
                  commands);

    // Two copies rebuild the history entries: the tray hears of it once, when idle.
    copyText(QStringLiteral("first"));
    copyText(QStringLiteral("a_b & c"));
    EXPECT_EQ(updates.count(), 0);
    QCoreApplication::processEvents();
    ASSERT_EQ(updates.count(), 1);
    EXPECT_GT(updates.at(0).at(0).toUInt(), 1u);
    EXPECT_EQ(updates.at(0).at(1).toInt(), 0);
    EXPECT_EQ(exporter.revision(), updates.at(0).at(0).toUInt());

    root = exporter.layout(0, -1, {});
    EXPECT_EQ(
        entries(root),
        QStringList({QStringLiteral("【ﾃｷｽﾄ履歴】"), QStringLiteral("saved text↵"),
                     QStringLiteral("-"), QStringLiteral("【ｸﾘｯﾌﾟﾎﾞｰﾄﾞ履歴】"),
                     QStringLiteral("15:30:12 | a__b & c"), QStringLiteral("15:30:12 | first")}) +
            commands);

    // A click is answered at once and runs the entry afterwards: the older copy is recalled.
    const int first = idOfLabel(root, QStringLiteral("15:30:12 | first"));
    ASSERT_GT(first, 0);
    EXPECT_TRUE(exporter.handleEvent(first, QStringLiteral("clicked")));
    EXPECT_EQ(clipboardText(), QStringLiteral("a_b & c"));
    QCoreApplication::processEvents();
    EXPECT_EQ(clipboardText(), QStringLiteral("first"));
    EXPECT_EQ(count(historyList()), 3);

    // Other events and separators run nothing; entries that are gone (the recall rebuilt the
    // history entries) and unknown ones are refused.
    const int separator = root.children.at(2).id;
    const int quit = idOfLabel(root, QStringLiteral("終了"));
    EXPECT_TRUE(exporter.handleEvent(separator, QStringLiteral("clicked")));
    EXPECT_TRUE(exporter.handleEvent(quit, QStringLiteral("hovered")));
    EXPECT_FALSE(exporter.handleEvent(first, QStringLiteral("clicked")));
    EXPECT_FALSE(exporter.handleEvent(99999, QStringLiteral("clicked")));
    QCoreApplication::processEvents();
    EXPECT_EQ(count(historyList()), 3);
    EXPECT_EQ(clipboardText(), QStringLiteral("first"));

    // Ids stay with their entries; properties can be asked for by name.
    EXPECT_EQ(exporter.layout(0, -1, {}).children.at(2).id, separator);
    const QList<tavro::DBusMenuItem> props =
        exporter.groupProperties({separator, 0, 99999}, {QStringLiteral("type")});
    ASSERT_EQ(props.size(), 2);
    EXPECT_EQ(props.at(0).properties,
              (QVariantMap{{QStringLiteral("type"), QStringLiteral("separator")}}));
    EXPECT_TRUE(props.at(1).properties.isEmpty());
    // Depth 0 is the entry alone.
    EXPECT_TRUE(exporter.layout(0, 0, {}).children.isEmpty());

    // Clearing the history leaves no history entry in sight, announced once more.
    const qsizetype announced = updates.count();
    choose(QStringLiteral("clearHistoryAction"));
    QCoreApplication::processEvents();
    EXPECT_EQ(updates.count(), announced + 1);
    const QStringList shown =
        entries(exporter.layout(0, -1, {})).filter(QRegularExpression("^[^(]"));
    EXPECT_EQ(shown, QStringList({QStringLiteral("【ﾃｷｽﾄ履歴】"), QStringLiteral("saved text↵"),
                                  QStringLiteral("-"), QStringLiteral("【ｸﾘｯﾌﾟﾎﾞｰﾄﾞ履歴】")}) +
                         commands);
}
