#include "model/capture_result.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "platform/fake/fake_log.h"
#include "platform/fake/fake_process_exit.h"
#include "support/result_file.h"
#include "support/unprivileged.h"

namespace {

TEST(CaptureResult, GeometryTurnsToTopLeftAndTruncates) {
    CaptureResultInput in;
    in.kind = kResultFinished;
    in.captureWindowRect = {10.7, 20.2, 300.9, 200.5};
    in.rectScreen = {0, 0, 1440, 900};
    in.launchTimeMs = 1700000000123;
    const QJsonObject m = buildResultMessage(in);
    EXPECT_EQ(m["Type"].toInt(), 1);
    EXPECT_EQ(m["x"].toInt(), 10);
    EXPECT_EQ(m["y"].toInt(), 679);  // trunc(900 - 20 - 200.5)
    EXPECT_EQ(m["Width"].toInt(), 300);
    EXPECT_EQ(m["Height"].toInt(), 200);
    EXPECT_EQ(m["Info"].toString(), "");
    EXPECT_EQ(m["StartTime"].toInteger(), 1700000000123);
    EXPECT_EQ(m.size(), 7);
}

TEST(CaptureResult, NegativeGeometryTruncatesTowardZero) {
    CaptureResultInput in;
    in.captureWindowRect = {-10.5, 850.5, 100, 100};  // beyond the left and top edges
    in.rectScreen = {0, 0, 1920, 900};
    const QJsonObject m = buildResultMessage(in);
    EXPECT_EQ(m["x"].toInt(), -10);
    EXPECT_EQ(m["y"].toInt(), -50);  // 900 - 850 - 100
}

TEST(CaptureResult, InfoCarriesTheSavedPathOnlyForKindThree) {
    CaptureResultInput in;
    in.savedImagePath = "/home/u/shot.png";
    in.kind = kResultSaved;
    EXPECT_EQ(buildResultMessage(in)["Info"].toString(), "/home/u/shot.png");
    in.kind = kResultCancelled;
    EXPECT_EQ(buildResultMessage(in)["Info"].toString(), "");
}

TEST(CaptureResult, DeliveryWritesPrettyJsonAndExitsWithTheKind) {
    QTemporaryDir dir;
    const QString path = dir.filePath("result.json");
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("stale content that is longer than the new result file will be ......");
    old.close();

    FakeLog log;
    FakeProcessExit exit;
    CaptureResultInput in;
    in.kind = kResultCancelled;
    in.launchTimeMs = 42;
    deliverCaptureResult(in, path, log, exit);

    EXPECT_EQ(exit.status, 2);
    EXPECT_TRUE(log.has("save success."));
    QFile written(path);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray bytes = written.readAll();
    EXPECT_TRUE(bytes.contains("\n    \"Type\": 2")) << bytes.constData();
    const std::optional<QJsonObject> parsed = readResultFile(path);
    ASSERT_TRUE(parsed.has_value()) << bytes.constData();
    EXPECT_EQ((*parsed)["StartTime"].toInteger(), 42);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"result.json"})
        << "no temporary file is left beside the result";
}

TEST(CaptureResult, FailedWritesStillExitWithTheKind) {
    QTemporaryDir dir;
    const std::optional<QString> paths[] = {
        std::nullopt,                             // no DataSavePath at all
        QString(),                                // an empty path
        dir.filePath("missing/dir/result.json"),  // a folder that does not exist
        dir.path(),                               // a directory, not a file
    };
    for (const auto& path : paths) {
        FakeLog log;
        FakeProcessExit exit;
        CaptureResultInput in;
        in.kind = kResultSaved;
        deliverCaptureResult(in, path, log, exit);
        EXPECT_EQ(exit.status, 3) << path.value_or("<none>").toStdString();
        ASSERT_EQ(log.lines.size(), 1);
        EXPECT_TRUE(log.lines[0].startsWith("save failed:")) << log.lines[0].toStdString();
        EXPECT_GT(log.lines[0].size(), QString("save failed:").size()) << "the error is named";
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot),
              QStringList{})
        << "a failed write leaves nothing behind";
}

TEST(CaptureResult, UnwritableFolderLeavesNoTemporaryFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // Anyone may look into the folder, nobody but root may write there; the write runs as an
    // ordinary user (as nobody in a child when the suite runs as root).
    const auto readOnly = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup |
                          QFile::ReadOther | QFile::ExeOther;
    ASSERT_TRUE(QFile::setPermissions(dir.path(), readOnly));
    const QString path = dir.filePath("r.json");
    const UnprivilegedRun run = runUnprivileged([&] {
        if (!QDir(dir.path()).exists()) return 2;  // the folder itself is out of reach
        return writeResultFile(path, QJsonObject{{"Type", 1}}).has_value() ? 0 : 1;
    });
    QFile::setPermissions(dir.path(), readOnly | QFile::WriteOwner);
    ASSERT_TRUE(run.ran) << run.problem;
    EXPECT_NE(run.status, 2) << "the folder must be reachable for the write to mean anything";
    EXPECT_EQ(run.status, 0) << "the failed write is reported";
    EXPECT_TRUE(QDir(dir.path()).isEmpty())
        << QDir(dir.path())
               .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
               .join(", ")
               .toStdString();
}

}  // namespace
