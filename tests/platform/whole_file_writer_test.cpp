// Writing a file whole, whatever its path names, and file names that are not UTF-8: on the
// real file system, in a fresh folder per test.
#include "platform/whole_file_writer.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <thread>

#include "platform/local_path.h"
#include "support/unprivileged.h"

namespace {

QByteArray contentOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void put(const QString& path, const QByteArray& bytes, mode_t mode = 0644) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    ASSERT_EQ(chmod(QFile::encodeName(path).constData(), mode), 0);
}

mode_t modeOf(const QString& path) {
    struct stat info {};
    return lstat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode : 0;
}

// Names in the folder beside the ones a test made: a temporary file left behind shows here.
QStringList leftovers(const QTemporaryDir& dir, const QStringList& expected) {
    QStringList names =
        QDir(dir.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& e : expected) names.removeAll(e);
    return names;
}

class WholeFileWriter : public ::testing::Test {
protected:
    QString at(const char* name) const { return dir.filePath(name); }
    QTemporaryDir dir;
};

TEST_F(WholeFileWriter, RegularFilesAreReplacedWholeAndKeepTheirPermissions) {
    // A new name.
    EXPECT_FALSE(writeWholeFile(at("new.json"), "fresh"));
    EXPECT_EQ(contentOf(at("new.json")), "fresh");
    // An existing file with its own permissions.
    put(at("old.json"), "a much longer old content", 0600);
    EXPECT_FALSE(writeWholeFile(at("old.json"), "short"));
    EXPECT_EQ(contentOf(at("old.json")), "short");
    EXPECT_EQ(modeOf(at("old.json")) & 07777, 0600u);
    EXPECT_EQ(leftovers(dir, {"new.json", "old.json"}), QStringList{});
    // No such folder: an error, nothing made.
    EXPECT_TRUE(writeWholeFile(at("missing/r.json"), "x"));
    EXPECT_TRUE(writeWholeFile(QString(), "x"));
}

TEST_F(WholeFileWriter, SymbolicLinksAreWrittenThroughAndStay) {
    put(at("target.json"), "old");
    ASSERT_EQ(symlink("target.json", QFile::encodeName(at("link.json")).constData()), 0);
    ASSERT_EQ(symlink("link.json", QFile::encodeName(at("chain.json")).constData()), 0);
    ASSERT_EQ(symlink("nowhere.json", QFile::encodeName(at("dangling.json")).constData()), 0);
    EXPECT_FALSE(writeWholeFile(at("chain.json"), "through two links"));
    EXPECT_EQ(contentOf(at("target.json")), "through two links");
    EXPECT_TRUE(S_ISLNK(modeOf(at("chain.json"))));
    EXPECT_TRUE(S_ISLNK(modeOf(at("link.json"))));
    EXPECT_FALSE(writeWholeFile(at("dangling.json"), "made"));
    EXPECT_EQ(contentOf(at("nowhere.json")), "made");
    EXPECT_TRUE(S_ISLNK(modeOf(at("dangling.json"))));
    ASSERT_EQ(symlink("loop.json", QFile::encodeName(at("loop.json")).constData()), 0);
    EXPECT_TRUE(writeWholeFile(at("loop.json"), "x"));
}

TEST_F(WholeFileWriter, DevicesAreWrittenInPlace) {
    // The null device stays the device it is (root could replace it with a regular file). A
    // node of our own, so that a fault replaces that one and not the system's /dev/null.
    const QString device = at("null");
    if (mknod(QFile::encodeName(device).constData(), S_IFCHR | 0666, makedev(1, 3)) != 0) {
        GTEST_SKIP() << "making a device node is not allowed here: " << std::strerror(errno);
    }
    EXPECT_FALSE(writeWholeFile(device, "gone"));
    EXPECT_TRUE(S_ISCHR(modeOf(device)));
}

TEST_F(WholeFileWriter, FifosAreWrittenInPlace) {
    const QString fifo = at("pipe");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    // Nobody reads it: refused at once instead of waiting for ever.
    const auto unread = writeWholeFile(fifo, "x");
    ASSERT_TRUE(unread);
    EXPECT_EQ(*unread, "nobody reads the FIFO");
    // A reader gets every byte, more than a pipe holds at once.
    const QByteArray big(300000, 'q');
    QByteArray received;
    std::thread reader([&] {
        QFile f(fifo);
        if (f.open(QIODevice::ReadOnly)) received = f.readAll();
    });
    std::optional<QString> outcome = QStringLiteral("not tried");
    // The reader opens the FIFO some time after it starts; until then there is nobody.
    for (int i = 0; i < 500 && outcome; ++i) {
        outcome = writeWholeFile(fifo, big);
        if (outcome) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    reader.join();
    EXPECT_FALSE(outcome);
    EXPECT_EQ(received.size(), big.size());
    EXPECT_TRUE(S_ISFIFO(modeOf(fifo)));
}

TEST_F(WholeFileWriter, OurOwnDescriptorsAreWrittenWhereTheyPoint) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const QString viaDevFd = QStringLiteral("/dev/fd/%1").arg(fds[1]);
    EXPECT_FALSE(writeWholeFile(viaDevFd, "one "));
    EXPECT_FALSE(writeWholeFile(QStringLiteral("/proc/self/fd/%1").arg(fds[1]), "two"));
    close(fds[1]);
    char buffer[32] = {};
    EXPECT_EQ(read(fds[0], buffer, sizeof buffer), 7);
    EXPECT_STREQ(buffer, "one two");
    close(fds[0]);
    // A descriptor of ours that is a regular file is written at its offset, not replaced.
    put(at("log.txt"), "");
    const int fd = open(QFile::encodeName(at("log.txt")).constData(), O_WRONLY | O_APPEND);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, "host output\n", 12), 12);
    EXPECT_FALSE(writeWholeFile(QStringLiteral("/dev/fd/%1").arg(fd), "{}\n"));
    close(fd);
    EXPECT_EQ(contentOf(at("log.txt")), "host output\n{}\n");
}

TEST_F(WholeFileWriter, ReadOnlyFilesAndFoldersAreRefused) {
    put(at("locked.json"), "kept", 0444);
    const auto refused = writeWholeFile(at("locked.json"), "new");  // also as root
    ASSERT_TRUE(refused);
    EXPECT_EQ(*refused, "the file is read-only");
    EXPECT_EQ(contentOf(at("locked.json")), "kept");
    EXPECT_EQ(modeOf(at("locked.json")) & 07777, 0444u);
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder"));
    EXPECT_TRUE(writeWholeFile(at("folder"), "x"));
    EXPECT_TRUE(QFileInfo(at("folder")).isDir());

    // Someone else's writable file in a folder we may write: not ours to replace.
    put(at("theirs.json"), "kept", 0644);
    ASSERT_EQ(chmod(QFile::encodeName(dir.path()).constData(), 0777), 0);
    const QByteArray path = QFile::encodeName(at("theirs.json"));
    const UnprivilegedRun run = runUnprivileged(
        [&] { return writeWholeFile(QString::fromLocal8Bit(path), "new") ? 0 : 1; });
    ASSERT_TRUE(run.ran) << run.problem;
    EXPECT_EQ(run.status, 0) << "refused";
    EXPECT_EQ(contentOf(at("theirs.json")), "kept");
}

TEST_F(WholeFileWriter, AFullDiskLeavesTheOldFileWhole) {
    const QString mountPoint = at("small");
    ASSERT_TRUE(QDir(dir.path()).mkdir("small"));
    const QByteArray target = QFile::encodeName(mountPoint);
    if (mount("tmpfs", target.constData(), "tmpfs", 0, "size=64k") != 0) {
        GTEST_SKIP() << "mounting a small tmpfs is not allowed here: " << std::strerror(errno);
    }
    const QString old = mountPoint + "/result.json";
    put(old, "{\"Type\": 1}");
    const auto full = writeWholeFile(old, QByteArray(200 * 1024, 'x'));
    const QStringList left =
        QDir(mountPoint).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    const QByteArray kept = contentOf(old);
    umount(target.constData());
    ASSERT_TRUE(full);
    EXPECT_FALSE(full->isEmpty());
    EXPECT_EQ(kept, "{\"Type\": 1}");
    EXPECT_EQ(left, QStringList{"result.json"}) << "no temporary file left";
}

TEST(LocalPath, BytesThatAreNotUtf8SurviveTheRoundTrip) {
    const QByteArray names[] = {
        "plain/ascii.json",
        "r\xc3\xa9sum\xc3\xa9.json",  // valid UTF-8
        "r\xe9.json",                 // Latin-1 é
        "\xff\xfe\x80",               // no UTF-8 at all
        "\xed\xa0\x80",               // an encoded surrogate is not UTF-8
        "\xc0\xaf",                   // an overlong '/'
        "\xf0\x9f\x98\x80 \xf0\x9f",  // an emoji, then a cut one
    };
    for (const QByteArray& bytes : names) {
        SCOPED_TRACE(bytes.toHex().toStdString());
        EXPECT_EQ(localPathBytes(localPathFromBytes(bytes)), bytes);
    }
    EXPECT_EQ(localPathFromBytes("r\xc3\xa9.json"), QString::fromUtf8("r\xc3\xa9.json"));
}

TEST_F(WholeFileWriter, NamesThatAreNotUtf8AreWrittenUnderTheirOwnBytes) {
    const QByteArray name = QFile::encodeName(dir.path()) + "/r\xe9.json";
    EXPECT_FALSE(writeWholeFile(localPathFromBytes(name), "{}"));
    EXPECT_EQ(access(name.constData(), F_OK), 0);
    // Not under the name a lossy conversion would give.
    const QByteArray lossy = QFile::encodeName(dir.path()) + "/r\xef\xbf\xbd.json";
    EXPECT_NE(access(lossy.constData(), F_OK), 0);
    unlink(name.constData());  // QTemporaryDir cannot name it to remove it
}

}  // namespace
