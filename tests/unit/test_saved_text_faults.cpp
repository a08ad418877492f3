// The saved-text store when others share its folder: new files never replace an entry, a name
// taken meanwhile makes the save take the next one, and a folder removed meanwhile is made
// again.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "core/saved_text_store.h"
#include "support/saved_text_helpers.h"

using namespace tavro;
using namespace tavro::testing;

namespace {

QDateTime at(int h, int mi, int s) {
    return QDateTime(QDate(1998, 8, 28), QTime(h, mi, s));
}

// Lets threads start together. (std::latch waits for ever in MinGW's runtime under Wine.)
class StartTogether {
  public:
    explicit StartTogether(int count) : left_(count) {}

    void arriveAndWait() {
        std::unique_lock lock(mutex_);
        if (--left_ == 0) {
            allHere_.notify_all();
            return;
        }
        allHere_.wait(lock, [this] { return left_ == 0; });
    }

  private:
    std::mutex mutex_;
    std::condition_variable allHere_;
    int left_;
};

using StoreSharingTest = TempTextFolderTest;

}  // namespace

TEST_F(StoreSharingTest, NewFilesNeverReplaceAnEntry) {
    const QString name = QStringLiteral("980828100000.TXT");
    const QByteArray bytes = textOf(1, 5000).toLatin1();
    EXPECT_EQ(writeNewFile(folder_, name, bytes), NewFileResult::Written);
    EXPECT_EQ(contents(path(name)), bytes);
    EXPECT_EQ(writeNewFile(folder_, name, QByteArray("replacement")), NewFileResult::NameTaken);
    EXPECT_EQ(contents(path(name)), bytes);

    ASSERT_TRUE(QDir(folder_).mkdir(QStringLiteral("980828100001.TXT")));
    EXPECT_EQ(writeNewFile(folder_, QStringLiteral("980828100001.TXT"), bytes),
              NewFileResult::NameTaken);
    EXPECT_TRUE(QFileInfo(path(QStringLiteral("980828100001.TXT"))).isDir());

    EXPECT_EQ(writeNewFile(root_.path() + QStringLiteral("/missing"), name, bytes),
              NewFileResult::Failed);
    EXPECT_EQ(writeNewFile(path(name), QStringLiteral("x.TXT"), bytes), NewFileResult::Failed);
    // No temporary file is left, and nothing was made outside the folder.
    EXPECT_EQ(entriesOf(folder_), (QStringList{"980828100000.TXT", "980828100001.TXT"}));
    EXPECT_EQ(entriesOf(root_.path()), QStringList{"Temptext"});
}

TEST_F(StoreSharingTest, TwoStoresWritingOneNameAtOnceNeverReplaceEachOther) {
    // Two copies of the program sharing the folder, each with its own store.
    const SavedTextStore first(folder_);
    const SavedTextStore second(folder_);
    const QString texts[2] = {textOf(1, 1 << 20), textOf(2, 1 << 20)};
    for (int round = 0; round < 10; ++round) {
        const QString name = savedTextName(at(12, 0, round));
        bool saved[2] = {false, false};
        StartTogether start(2);
        std::thread other([&] {
            start.arriveAndWait();
            saved[1] = second.write(name, texts[1]);
        });
        start.arriveAndWait();
        saved[0] = first.write(name, texts[0]);
        other.join();
        // Exactly one of them has the name, and the file holds that one's text.
        ASSERT_NE(saved[0], saved[1]) << "round " << round << ": both reported saved";
        EXPECT_TRUE(holds(path(name), texts[saved[0] ? 0 : 1]));
    }
    EXPECT_EQ(entriesOf(folder_).size(), 10);
}

TEST_F(StoreSharingTest, ANameTakenAfterTheCheckMakesTheSaveTakeTheNextOne) {
    const QDateTime now = at(13, 0, 0);
    const QString chosen = QStringLiteral("980828130000.TXT");
    const QString next = QStringLiteral("980828130001.TXT");
    const SavedTextStore other(folder_);
    const struct {
        const char* what;
        std::function<void()> meanwhile;  // runs once, between the check and the write
        QByteArray left;                  // what the chosen name holds afterwards
    } cases[] = {
        {"a file made by someone else",
         [&] {
             QFile file(path(chosen));
             ASSERT_TRUE(file.open(QIODevice::WriteOnly));
             file.write("someone else");
         },
         "someone else"},
        {"another copy saving in the same second",
         [&] { EXPECT_EQ(other.save(now, QStringLiteral("other copy")), chosen); }, "other copy"},
        {"a folder of that name", [&] { ASSERT_TRUE(QDir(folder_).mkdir(chosen)); }, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QDir(folder_).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(folder_));
        bool interfered = false;
        const SavedTextStore store(
            folder_, [&](const QString& folder, const QString& name, QByteArrayView bytes) {
                if (!interfered) {
                    interfered = true;
                    EXPECT_EQ(name, chosen);
                    c.meanwhile();
                }
                return writeNewFile(folder, name, bytes);
            });
        EXPECT_EQ(store.save(now, QStringLiteral("mine")), next);
        EXPECT_TRUE(holds(path(next), QStringLiteral("mine")));
        if (c.left.isNull()) {
            EXPECT_TRUE(QFileInfo(path(chosen)).isDir());
        } else {
            EXPECT_EQ(contents(path(chosen)), c.left);
        }
        EXPECT_EQ(entriesOf(folder_), (QStringList{chosen, next}));
    }
}

TEST_F(StoreSharingTest, TwoStoresSavingAtOnceKeepEveryText) {
    constexpr int kSaves = 40;
    const QDateTime now = at(14, 0, 0);
    QStringList names[2];
    StartTogether start(2);
    const auto saveAll = [&](int copy) {
        const SavedTextStore store(folder_);
        start.arriveAndWait();
        for (int i = 0; i < kSaves; ++i) {
            const std::optional<QString> name = store.save(now, textOf(copy * 1000 + i, 3000));
            if (name) {
                names[copy].append(*name);
            }
        }
    };
    std::thread other(saveAll, 1);
    saveAll(0);
    other.join();

    ASSERT_EQ(names[0].size(), kSaves);
    ASSERT_EQ(names[1].size(), kSaves);
    QSet<QString> distinct;
    for (int copy : {0, 1}) {
        for (int i = 0; i < kSaves; ++i) {
            const QString& name = names[copy][i];
            distinct.insert(name);
            EXPECT_TRUE(holds(path(name), textOf(copy * 1000 + i, 3000)));
        }
    }
    EXPECT_EQ(distinct.size(), 2 * kSaves);
    EXPECT_EQ(entriesOf(folder_).size(), 2 * kSaves);
}

TEST_F(StoreSharingTest, ASaveMakesItsFolderAgainButNothingElse) {
    const QDateTime now = at(15, 0, 0);
    const QString name = savedTextName(now);

    // Removed since the start: made again.
    const SavedTextStore store(folder_);
    ASSERT_TRUE(QDir(folder_).removeRecursively());
    EXPECT_EQ(store.save(now, QStringLiteral("again")), name);
    EXPECT_TRUE(holds(path(name), QStringLiteral("again")));

    // A file in its place is left alone.
    ASSERT_TRUE(QDir(folder_).removeRecursively());
    {
        QFile file(folder_);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("in the way");
    }
    EXPECT_FALSE(store.save(now, QStringLiteral("x")).has_value());
    EXPECT_EQ(contents(folder_), QByteArray("in the way"));

    // A folder whose parent is gone is not made, nor is the parent.
    const QString deep = root_.path() + QStringLiteral("/gone/Temptext");
    EXPECT_FALSE(SavedTextStore(deep).save(now, QStringLiteral("x")).has_value());
    EXPECT_FALSE(QFileInfo::exists(root_.path() + QStringLiteral("/gone")));

    // The plain write makes no folder either.
    ASSERT_TRUE(QFile::remove(folder_));
    EXPECT_FALSE(store.write(name, QStringLiteral("x")));
    EXPECT_FALSE(QFileInfo::exists(folder_));
}
