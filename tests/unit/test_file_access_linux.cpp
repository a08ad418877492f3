// Saved-text files on Linux under hostile conditions: a full disk or a file-size limit, both
// ways of writing a new file, and entries that are no regular files.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstring>
#include <string>

#include "core/file_access_linux.h"
#include "core/saved_text_store.h"
#include "support/fifo_unblocker.h"
#include "support/saved_text_helpers.h"

using namespace tavro;
using namespace tavro::testing;

namespace {

QDateTime at(int h, int mi, int s) {
    return QDateTime(QDate(1998, 8, 28), QTime(h, mi, s));
}

// Both ways a new file is written: the unnamed file where the system has it, and the
// temporary name where it hasn't.
const struct Way {
    const char* name;
    NewFileWriter writer;
} kWays[] = {
    {"unnamed file", writeNewFile},
    {"temporary name", writeNewFileViaTemporaryName},
};

class LinuxFileTest : public TempTextFolderTest {
  protected:
    void emptyFolder() const {
        ASSERT_TRUE(QDir(folder_).removeRecursively());
        ASSERT_TRUE(QDir().mkpath(folder_));
    }
};

// A small tmpfs mounted on a folder for the length of a test.
class SmallDisk {
  public:
    SmallDisk(const QString& folder, const char* size) : folder_(QFile::encodeName(folder)) {
        const QByteArray options = QByteArray("size=") + size;
        if (::mount("tavro-test", folder_.constData(), "tmpfs", 0, options.constData()) != 0) {
            error_ = std::strerror(errno);
        }
    }
    ~SmallDisk() {
        if (error_.empty()) {
            ::umount2(folder_.constData(), MNT_DETACH);
        }
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;
    bool mounted() const { return error_.empty(); }
    const std::string& error() const { return error_; }

  private:
    QByteArray folder_;
    std::string error_;
};

// Limits the size of every file this process writes; SIGXFSZ is ignored, so a write past
// the limit fails with EFBIG instead of ending the process.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        previousHandler_ = ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        ::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    rlimit saved_{};
    sighandler_t previousHandler_ = SIG_DFL;
};

}  // namespace

TEST_F(LinuxFileTest, FullTmpfsLeavesWholeFilesOrNothingAndSaysSo) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "mounting a small tmpfs needs root; the file-size limit test covers "
                        "the same writes";
    }
    for (const Way& way : kWays) {
        SCOPED_TRACE(way.name);
        // 64 KB and 4 KB pages: sixteen pages in all.
        SmallDisk disk(folder_, "64k");
        if (!disk.mounted()) {
            GTEST_SKIP() << "this system does not allow mounting a tmpfs (" << disk.error()
                         << "); the file-size limit test covers the same writes";
        }
        const SavedTextStore store(folder_, way.writer);

        // Nine 10,000-byte texts into the empty disk: each save either leaves its whole file
        // and says so, or leaves nothing and says so.
        QStringList written;
        int failures = 0;
        for (int i = 0; i < 9; ++i) {
            const QString name = savedTextName(at(10, 0, i));
            if (store.write(name, textOf(i, 10000))) {
                written.append(name);
                EXPECT_TRUE(holds(path(name), textOf(i, 10000)));
            } else {
                ++failures;
                EXPECT_FALSE(QFileInfo::exists(path(name))) << name.toStdString();
            }
        }
        EXPECT_EQ(entriesOf(folder_), written);
        EXPECT_GT(failures, 0) << "the disk never filled up";
        EXPECT_GE(written.size(), 4);

        // With 4 KB left, a 5,000-byte text leaves nothing; a 4,000-byte one fits.
        for (const QString& name : std::as_const(written)) {
            ASSERT_TRUE(QFile::remove(path(name)));
        }
        QFile filler(path(QStringLiteral("filler")));
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
        ASSERT_EQ(filler.write(QByteArray(60 * 1024, 'f')), 60 * 1024);
        ASSERT_TRUE(filler.flush());
        filler.close();
        EXPECT_FALSE(store.write(QStringLiteral("980828110000.TXT"), textOf(1, 5000)));
        EXPECT_EQ(entriesOf(folder_), QStringList{QStringLiteral("filler")});
        EXPECT_TRUE(store.write(QStringLiteral("980828110001.TXT"), textOf(2, 4000)));
        EXPECT_TRUE(holds(path(QStringLiteral("980828110001.TXT")), textOf(2, 4000)));
    }
}

TEST_F(LinuxFileTest, FileSizeLimitLeavesWholeFilesOrNothing) {
    const struct {
        qsizetype size;
        bool fits;
    } cases[] = {{0, true},     {4095, true},  {4096, true},
                 {4097, false}, {5000, false}, {100000, false}};
    for (const Way& way : kWays) {
        SCOPED_TRACE(way.name);
        emptyFolder();
        const SavedTextStore store(folder_, way.writer);
        int i = 0;
        for (const auto& c : cases) {
            const QDateTime time = at(11, 0, i);
            const QString name = savedTextName(time);
            const QString text = textOf(i++, c.size);
            std::optional<QString> saved;
            {
                FileSizeLimit limit(4096);
                saved = store.save(time, text);
            }
            EXPECT_EQ(saved.has_value(), c.fits) << c.size;
            if (c.fits) {
                EXPECT_EQ(saved, name);
                EXPECT_TRUE(holds(path(name), text));
            } else {
                EXPECT_FALSE(QFileInfo::exists(path(name))) << c.size;
            }
        }
        // Only the whole files are there: no temporary file, no file cut short.
        EXPECT_EQ(entriesOf(folder_).size(), 3);
    }
}

TEST_F(LinuxFileTest, BothWaysKeepHealthyFoldersAsTheyWereAndNeverReplace) {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    const QString name = QStringLiteral("980828120000.TXT");
    for (const Way& way : kWays) {
        SCOPED_TRACE(way.name);
        emptyFolder();
        // A new file: its bytes, the permissions any new file gets, nothing else in the folder.
        ASSERT_EQ(way.writer(folder_, name, QByteArray("abc")), NewFileResult::Written);
        EXPECT_EQ(contents(path(name)), QByteArray("abc"));
        struct stat info {};
        ASSERT_EQ(::stat(QFile::encodeName(path(name)).constData(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask);
        EXPECT_EQ(entriesOf(folder_), QStringList{name});

        // Taken by a file, a folder or a link to nowhere: never replaced.
        EXPECT_EQ(way.writer(folder_, name, QByteArray("x")), NewFileResult::NameTaken);
        EXPECT_EQ(contents(path(name)), QByteArray("abc"));
        ASSERT_TRUE(QDir(folder_).mkdir(QStringLiteral("folder.TXT")));
        EXPECT_EQ(way.writer(folder_, QStringLiteral("folder.TXT"), "x"), NewFileResult::NameTaken);
        ASSERT_TRUE(QFile::link(root_.path() + QStringLiteral("/nowhere"), path("dangling.TXT")));
        EXPECT_EQ(way.writer(folder_, QStringLiteral("dangling.TXT"), "x"),
                  NewFileResult::NameTaken);
        EXPECT_FALSE(QFileInfo::exists(root_.path() + QStringLiteral("/nowhere")));
        EXPECT_EQ(way.writer(root_.path() + QStringLiteral("/missing"), name, "x"),
                  NewFileResult::Failed);
        EXPECT_EQ(entriesOf(folder_), (QStringList{name, "dangling.TXT", "folder.TXT"}));
    }

    // A temporary file left by a killed process is never listed, nor does it hold up a name.
    emptyFolder();
    QFile leftover(path(QStringLiteral(".tavro-5f3a9c.tmp")));
    ASSERT_TRUE(leftover.open(QIODevice::WriteOnly));
    leftover.write("half a text");
    leftover.close();
    const SavedTextStore store(folder_);
    EXPECT_FALSE(store.list().anyFile);
    EXPECT_EQ(store.save(at(12, 0, 0), QStringLiteral("new")), name);
}

TEST_F(LinuxFileTest, OnlyRegularFilesAreListedAndOpenedWithoutBlocking) {
    const QByteArray fifo = QFile::encodeName(root_.path() + QStringLiteral("/fifo"));
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    const QByteArray fifoInFolder = QFile::encodeName(path(QStringLiteral("100000000003.TXT")));
    ASSERT_EQ(::mkfifo(fifoInFolder.constData(), 0600), 0);
    {
        QFile regular(path(QStringLiteral("100000000001.TXT")));
        ASSERT_TRUE(regular.open(QIODevice::WriteOnly));
        regular.write("regular");
    }
    const struct {
        const char* name;
        QString target;
    } links[] = {
        {"100000000002.TXT", QStringLiteral("100000000001.TXT")},  // a link to a saved text
        {"100000000004.TXT", QFile::decodeName(fifo)},
        {"100000000005.TXT", QStringLiteral("/dev/zero")},
        {"100000000006.TXT", QStringLiteral("/dev/null")},
        {"100000000007.TXT", root_.path()},                            // a folder
        {"100000000008.TXT", root_.path() + QStringLiteral("/gone")},  // dangling
        // A regular file whose size says 0: nothing past the size is read.
        {"100000000009.TXT", QStringLiteral("/proc/self/status")},
    };
    for (const auto& link : links) {
        ASSERT_TRUE(QFile::link(link.target, path(QString::fromLatin1(link.name)))) << link.name;
    }
    const int socketFd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray socketPath = QFile::encodeName(path(QStringLiteral("100000000010.TXT")));
    ASSERT_LT(size_t(socketPath.size()), sizeof(address.sun_path));
    std::memcpy(address.sun_path, socketPath.constData(), size_t(socketPath.size()));
    ASSERT_EQ(::bind(socketFd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);

    SavedTextStore store(folder_);
    FifoUnblocker unblocker({fifo, fifoInFolder});
    QStringList listed = store.list().names;
    listed.sort();
    ASSERT_EQ(listed, (QStringList{"100000000001.TXT", "100000000002.TXT", "100000000009.TXT"}));

    EXPECT_EQ(store.read(QStringLiteral("100000000002.TXT"))->excerpt,
              QStringLiteral("regular\r\n"));
    EXPECT_EQ(store.readWhole(QStringLiteral("100000000002.TXT")), QStringLiteral("regular"));
    EXPECT_EQ(store.read(QStringLiteral("100000000009.TXT"))->excerpt, QString());
    for (int i : {3, 4, 5, 6, 7, 8, 10}) {
        const QString name = QStringLiteral("1000000000%1.TXT").arg(i, 2, 10, QLatin1Char('0'));
        EXPECT_FALSE(store.read(name).has_value()) << name.toStdString();
        EXPECT_FALSE(store.readWhole(name).has_value()) << name.toStdString();
    }
    EXPECT_FALSE(store.readWhole(QStringLiteral("100000000009.TXT")).has_value());
    EXPECT_FALSE(unblocker.fired()) << "a read blocked on a FIFO";
    ::close(socketFd);

    // A sparse file far larger than any text is refused whole instead of filling the memory;
    // its excerpt still reads.
    QFile huge(path(QStringLiteral("100000000011.TXT")));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
    ASSERT_TRUE(huge.resize(kWholeTextByteLimit + 1));
    huge.close();
    EXPECT_TRUE(store.read(QStringLiteral("100000000011.TXT")).has_value());
    EXPECT_FALSE(store.readWhole(QStringLiteral("100000000011.TXT")).has_value());
}
