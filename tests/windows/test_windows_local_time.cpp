// Local time on Windows: the C runtime follows a TZ variable where Windows itself does not. A
// saved text's name and the time the list shows for it must agree whatever TZ holds.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cstdlib>
#include <ctime>

#include "core/saved_text_store.h"
#include "core/time_format.h"

using namespace tavro;

TEST(WindowsLocalTime, ASavedTextIsListedAtTheTimeItsNameGives) {
    const QByteArray zoneBefore = qgetenv("TZ");
    // 14 hours apart, so at least one differs from the system's zone; the C runtime reads the
    // last as UTC.
    for (const char* zone : {"JST-9", "EST5EDT", "Asia/Tokyo"}) {
        SCOPED_TRACE(zone);
        _putenv_s("TZ", zone);
        _tzset();
        // A folder each, so no name is taken already.
        QTemporaryDir folder;
        ASSERT_TRUE(folder.isValid());
        const SavedTextStore store(folder.path());
        // Named by the program's clock.
        const std::optional<QString> name =
            store.save(QDateTime::currentDateTime(), QStringLiteral("text"));
        ASSERT_TRUE(name.has_value());
        const std::optional<SavedText> text = store.read(*name);
        ASSERT_TRUE(text.has_value());
        // Both read as plain fields, with no conversion of their own.
        auto fields = [](const QString& stamp) {
            QDateTime time = QDateTime::fromString(stamp, QStringLiteral("yyMMddHHmmss"));
            time.setTimeSpec(Qt::UTC);
            return time;
        };
        const qint64 apart = fields(name->left(12)).secsTo(fields(formatNameStamp(text->modified)));
        // The file was written within a moment of the time its name gives.
        EXPECT_GE(apart, 0);
        EXPECT_LE(apart, 2);
    }
    _putenv_s("TZ", zoneBefore.constData());
    _tzset();
}
