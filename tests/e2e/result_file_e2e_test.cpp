// Where the host asks for the result: the real binary, an automatic capture, and result paths
// that name something other than a plain new file. Whatever the path names, the capture ends
// promptly with its kind, the result lands where a host would read it or "save failed:" says
// why, and nothing that was there is destroyed.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <functional>
#include <string>
#include <thread>

#include "support/result_file.h"
#include "support/tool_run.h"
#include "support/x_session.h"

namespace {

using namespace std::chrono_literals;

mode_t modeOf(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 ? info.st_mode : 0;
}

// By the path's bytes: Qt's own conversion of a name that is not UTF-8 would name another file.
std::string contentOf(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return "<unreadable>";
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) text.append(buffer, size_t(n));
    close(fd);
    return text;
}

bool holdsResult(const std::string& text, int type) {
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(text));
    return doc.isObject() && doc.object()["Type"].toInt() == type;
}

struct PathCase {
    const char* name;
    // Makes what the result path names in `folder`; returns the path as bytes, or "" to skip.
    std::function<std::string(const std::string& folder, std::string* skip)> make;
    const char* logged;  // a line the tool must log
    // What the path's target holds afterwards, checked by the case.
    std::function<void(const std::string& folder, const std::string& path)> check;
};

void writeFile(const std::string& path, const std::string& text, mode_t mode) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0) << path;
    ASSERT_EQ(write(fd, text.data(), text.size()), ssize_t(text.size()));
    close(fd);
    ASSERT_EQ(chmod(path.c_str(), mode), 0);
}

const PathCase kCases[] = {
    // A node of the null device of our own: a faulty tool would replace it, not the system's.
    {"CharacterDevice",
     [](const std::string& folder, std::string* skip) {
         const std::string path = folder + "/null";
         if (mknod(path.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) {
             *skip = "making a device node is not allowed here";
             return std::string();
         }
         return path;
     },
     "save success.",
     [](const std::string&, const std::string& path) {
         EXPECT_TRUE(S_ISCHR(modeOf(path))) << "the device is still the device";
     }},
    {"FifoWithoutReader",
     [](const std::string& folder, std::string*) {
         const std::string path = folder + "/fifo";
         EXPECT_EQ(mkfifo(path.c_str(), 0600), 0);
         return path;
     },
     "save failed:nobody reads the FIFO",
     [](const std::string&, const std::string& path) { EXPECT_TRUE(S_ISFIFO(modeOf(path))); }},
    {"ReadOnlyFile",
     [](const std::string& folder, std::string*) {
         const std::string path = folder + "/locked.json";
         writeFile(path, "{\"Type\": 7}", 0444);
         return path;
     },
     "save failed:the file is read-only",
     [](const std::string&, const std::string& path) {
         EXPECT_EQ(contentOf(path), "{\"Type\": 7}");
         EXPECT_EQ(modeOf(path) & 07777, 0444u);
     }},
    {"SymbolicLink",
     [](const std::string& folder, std::string*) {
         writeFile(folder + "/target.json", "old", 0640);
         EXPECT_EQ(symlink("target.json", (folder + "/link.json").c_str()), 0);
         return folder + "/link.json";
     },
     "save success.",
     [](const std::string& folder, const std::string& path) {
         EXPECT_TRUE(S_ISLNK(modeOf(path))) << "the link stays";
         EXPECT_TRUE(holdsResult(contentOf(folder + "/target.json"), 1));
         EXPECT_EQ(modeOf(folder + "/target.json") & 07777, 0640u);
     }},
    {"NameNotUtf8",
     [](const std::string& folder, std::string*) { return folder + "/r\xe9sult.json"; },
     "save success.",
     [](const std::string& folder, const std::string& path) {
         EXPECT_TRUE(holdsResult(contentOf(path), 1)) << "under the very bytes given";
         EXPECT_NE(access((folder + "/r\xef\xbf\xbdsult.json").c_str(), F_OK), 0);
         unlink(path.c_str());  // QTemporaryDir cannot name it
     }},
    {"FullDisk",
     [](const std::string& folder, std::string* skip) {
         const std::string small = folder + "/small";
         EXPECT_EQ(mkdir(small.c_str(), 0700), 0);
         if (mount("tmpfs", small.c_str(), "tmpfs", 0, "size=8k") != 0) {
             *skip = "mounting a small tmpfs is not allowed here";
             return std::string();
         }
         writeFile(small + "/result.json", "{\"Type\": 7}", 0644);
         // Fill what is left, so that the result no longer fits.
         const int fd = open((small + "/filler").c_str(), O_WRONLY | O_CREAT, 0600);
         const std::string block(512, 'f');
         while (write(fd, block.data(), block.size()) > 0) {
         }
         close(fd);
         return small + "/result.json";
     },
     "save failed:",
     [](const std::string& folder, const std::string& path) {
         EXPECT_EQ(contentOf(path), "{\"Type\": 7}") << "the previous result stays whole";
         const QStringList left = QDir(QString::fromStdString(folder + "/small"))
                                      .entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
         EXPECT_EQ(left, (QStringList{"filler", "result.json"})) << "no temporary file left";
         umount((folder + "/small").c_str());
     }},
};

class ResultPathE2E : public testing::TestWithParam<PathCase> {};

TEST_P(ResultPathE2E, CaptureEndsWithItsKindAndNothingIsDestroyed) {
    const PathCase& c = GetParam();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string folder = QFile::encodeName(dir.path()).toStdString();
    std::string skip;
    const std::string path = c.make(folder, &skip);
    if (!skip.empty()) GTEST_SKIP() << skip;
    XSession x;
    ASSERT_TRUE(x.ok()) << x.error();
    ToolRun tool;
    ToolLaunch launch{{}, 0, 1, 10, 20, 64, 48};
    launch.resultPath = path;
    ASSERT_TRUE(tool.start(launch, x.display()));
    ASSERT_TRUE(tool.waitForExit(20s)) << "the capture must end by itself\n"
                                       << tool.standardError();
    EXPECT_EQ(tool.exitStatus(), 1) << tool.standardError();
    EXPECT_NE(tool.standardError().find(c.logged), std::string::npos) << tool.standardError();
    c.check(folder, path);
}

INSTANTIATE_TEST_SUITE_P(Paths, ResultPathE2E, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<PathCase>& info) {
                             return std::string(info.param.name);
                         });

// A parameter file whose name is not UTF-8 is still read: its "CmdType" -1 keeps the tool
// idle, where an unread file would have let the automatic capture run and end at once.
TEST(ResultPathE2E, ParameterFileNameNotUtf8IsRead) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string folder = QFile::encodeName(dir.path()).toStdString();
    const std::string params = folder + "/p\xe9.json";
    writeFile(params, "{\"CmdType\": -1}", 0644);
    XSession x;
    ASSERT_TRUE(x.ok()) << x.error();
    ToolRun tool;
    ASSERT_TRUE(tool.startWithArguments(
        {"startfromlocal," + params + "," + folder + "/r.json,,0,2,0,0,0,0"},
        {"DISPLAY=" + x.display(), "WAYLAND_DISPLAY", "XDG_SESSION_TYPE"}));
    EXPECT_FALSE(tool.waitForExit(3s)) << "the file was not read: " << tool.standardError();
    tool.stop();
    unlink(params.c_str());
}

}  // namespace
