#include "app/launch_request.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <QTemporaryDir>

#include "platform/fake/fake_log.h"

namespace {

class LaunchReading : public ::testing::Test {
protected:
    QString writeParams(const QByteArray& content) {
        const QString path = dir.filePath(QStringLiteral("params%1.json").arg(++count));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
        return path;
    }
    QString arg(const QString& params, const QString& rest = ",/tmp/r.json,x,0,1,10,20,30,40") {
        return QStringLiteral("startfromlocal,") + params + rest;
    }
    QJsonObject build(const QStringList& args) { return buildCommandObject(args, log); }

    QTemporaryDir dir;
    int count = 0;
    FakeLog log;
};

TEST_F(LaunchReading, QualifyingArguments) {
    struct Row {
        const char* argument;
        bool qualifies;
    };
    const Row rows[] = {
        {"startfromlocal,p,r,,0,0,0,0,0,0", true},             // exactly ten fields
        {"startfromlocal,p,r,,0,0,0,0,0,0,extra,more", true},  // later fields ignored
        {"startfromlocal,p,r,,0,0,0,0,0", false},              // nine fields cannot be used
        {"startfromlocal,p,r,,0,0,0", false},                  // eight fields
        {"xstartfromlocal,p,r,,0,0,0,0,0,0", false},           // field 0 must be exact
        {"a,startfromlocal,p,r,,0,0,0,0,0,0", false},          // the marker after other text
        {"startfromlocal", false},                             // no comma after the marker
        {"STARTFROMLOCAL,p,r,,0,0,0,0,0,0", false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(findLaunchFields({"/bin/q", row.argument}, &log).has_value(), row.qualifies)
            << row.argument;
    }
}

TEST_F(LaunchReading, LastQualifyingArgumentWins) {
    const auto fields =
        findLaunchFields({"/bin/q", "startfromlocal,a,r1,,0,0,0,0,0,0",
                          "startfromlocal,b,r2,,0,0,0,0,0,0", "startfromlocal,c,r3,,0,0"},
                         &log);
    ASSERT_TRUE(fields);
    EXPECT_EQ(fields->at(2), "r2");
    EXPECT_EQ(
        readLaunchRequest({"/bin/q", "startfromlocal,/nonexistent,r,,0,2,0,0,0,0",
                           "startfromlocal,/nonexistent,r,,0, 1x,0,0,0,0", "startfromlocal,a"},
                          log, 0)
            .autoCaptureFlag,
        1);
    EXPECT_EQ(readLaunchRequest({"/bin/q"}, log, 0).autoCaptureFlag, 0);
}

TEST_F(LaunchReading, LogLinesInOrder) {
    build({"/bin/q", "startfromlocal,/nonexistent,r,,0,0,0,0,0,0"});
    EXPECT_EQ(log.lines, (QStringList{"arguments.count:2", "PARAMS:/bin/q",
                                      "PARAMS:startfromlocal,/nonexistent,r,,0,0,0,0,0,0",
                                      "splitArray.count:10", "local capture enter."}));
    log.lines.clear();
    build({"/bin/q"});
    EXPECT_EQ(log.lines,
              (QStringList{"arguments.count:1", "PARAMS:/bin/q", "local capture enter1."}));
}

TEST_F(LaunchReading, LaunchFieldsOverrideTheFile) {
    const QString params = writeParams(R"({"x": 50, "TrackColor": 255, "DataSavePath": "/f"})");
    const QJsonObject c =
        build({"/bin/q", arg(params, ",/res.json,anything, 1,+3,10,-20,abc,40px")});
    EXPECT_EQ(c["x"].toInt(), 10);
    EXPECT_EQ(c["TrackColor"].toInt(), 255);
    EXPECT_EQ(c["DataSavePath"].toString(), "/res.json");
    EXPECT_EQ(c["HideCurrentWindow"].toInt(), 1);
    EXPECT_EQ(c["AutoCaptureFlag"].toInt(), 3);
    EXPECT_EQ(c["y"].toInt(), -20);
    EXPECT_EQ(c["Width"].toInt(), 0);
    EXPECT_EQ(c["Height"].toInt(), 40);
    EXPECT_TRUE(c["x"].isDouble()) << "integer fields are stored as numbers";
}

TEST_F(LaunchReading, ParameterFileContents) {
    struct Row {
        QByteArray content;
        qsizetype expectedKeys;  // the seven launch keys plus what the file contributed
    };
    const Row rows[] = {
        {R"({"Ex": 1, "MoreInfo": "é"})", 9},
        {"[1, 2, 3]", 7},  // an array is treated as an empty object
        {"not json", 7},
        {"", 7},
        {"\"text\"", 7},
        {"{\"a\": 1} trailing", 7},  // not a valid document
    };
    for (const Row& row : rows) {
        EXPECT_EQ(build({"/bin/q", arg(writeParams(row.content))}).size(), row.expectedKeys)
            << row.content.constData();
    }
    const QJsonObject c = build({"/bin/q", arg(writeParams(R"({"MoreInfo": "é截"})"))});
    EXPECT_EQ(c["MoreInfo"].toString(), QStringLiteral("é截")) << "read as UTF-8";
}

TEST_F(LaunchReading, MissingFileAndNoArgument) {
    const QJsonObject c = build({"/bin/q", arg(dir.filePath("missing.json"))});
    EXPECT_EQ(c.size(), 7);
    EXPECT_EQ(c["DataSavePath"].toString(), "/tmp/r.json");

    const QJsonObject none = build({"/bin/q", "startfromlocal,p,r"});
    EXPECT_EQ(none["DataSavePath"].toString(), "");
    EXPECT_EQ(none["AutoCaptureFlag"].toInt(), 0);
    EXPECT_EQ(none.size(), 7);
}

// The number of keys the parameter file gives, read in a child process with a time and memory
// limit, so that a read that blocks or never ends fails the test instead of stalling the suite.
int keysReadInChild(const QString& params) {
    int fds[2];
    if (pipe(fds) != 0) return -2;
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        alarm(5);
#ifndef __SANITIZE_ADDRESS__
        // AddressSanitizer reserves terabytes of address space for itself; under it the time
        // limit alone guards against a read without end.
        const rlimit memory{1u << 30, 1u << 30};
        setrlimit(RLIMIT_AS, &memory);
#endif
        try {
            const int keys = int(readParameterFile(params).size());
            _exit(write(fds[1], &keys, sizeof keys) == sizeof keys ? 0 : 1);
        } catch (...) {
            _exit(1);  // out of memory: the test's own machinery must not go on in the child
        }
    }
    close(fds[1]);
    int keys = -1;
    if (read(fds[0], &keys, sizeof keys) != sizeof keys) keys = -1;
    close(fds[0]);
    waitpid(pid, nullptr, 0);
    return keys;
}

TEST_F(LaunchReading, ParameterFilesThatAreNotSmallRegularFilesReadAsEmpty) {
    const qsizetype limit = 16 * 1024 * 1024;
    const QByteArray json = R"({"Ex": 1})";
    const QString fifo = dir.filePath("fifo");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    struct Row {
        const char* name;
        QString path;
        int keys;  // -1: the read blocked, ran out of memory or did not end
    };
    const Row rows[] = {
        {"an endless device", "/dev/zero", 0},
        {"a FIFO without a writer", fifo, 0},
        {"a folder", dir.path(), 0},
        {"one byte over 16 MiB", writeParams(json + QByteArray(limit + 1 - json.size(), ' ')), 0},
        {"exactly 16 MiB", writeParams(json + QByteArray(limit - json.size(), ' ')), 1},
        {"a small file", writeParams(json), 1},
    };
    for (const Row& row : rows) EXPECT_EQ(keysReadInChild(row.path), row.keys) << row.name;
}

}  // namespace
