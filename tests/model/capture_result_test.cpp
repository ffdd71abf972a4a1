#include "model/capture_result.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "model/capture_outcome.h"
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

// A capture's outcome is delivered once: whatever comes after the first delivery (a late click,
// a lost display) neither rewrites the result nor changes the exit status.
TEST(CaptureOutcome, OnlyTheFirstDeliveryCounts) {
    enum class Step { Deliver1, Deliver3, LostDisplay, RecordLost };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        std::optional<int> status;
        int type;  // the result file's Type; 0: no file
    };
    const Case cases[] = {
        {"finish", {Step::Deliver1}, 1, 1},
        {"finish then save", {Step::Deliver1, Step::Deliver3}, 1, 1},
        {"save then lost display", {Step::Deliver3, Step::LostDisplay}, 3, 3},
        {"lost display then finish", {Step::LostDisplay, Step::Deliver1}, kExitCannotRecord, 2},
        {"recorded loss ends nothing", {Step::RecordLost, Step::Deliver1}, std::nullopt, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString path = dir.filePath("result.json");
        FakeLog log;
        FakeProcessExit exit;
        CaptureOutcome outcome(log, exit);
        outcome.setResultPath(path);
        outcome.begin();
        for (const Step step : c.steps) {
            CaptureResultInput in;
            in.kind = step == Step::Deliver3 ? kResultSaved : kResultFinished;
            switch (step) {
                case Step::Deliver1:
                case Step::Deliver3:
                    outcome.deliver(in);
                    break;
                case Step::LostDisplay:
                    outcome.deliverLostDisplay(in);
                    break;
                case Step::RecordLost:
                    outcome.recordLostDisplay(in);
                    break;
            }
        }
        EXPECT_TRUE(outcome.delivered());
        EXPECT_EQ(exit.status, c.status);
        const std::optional<QJsonObject> result = readResultFile(path);
        ASSERT_TRUE(result.has_value());
        EXPECT_EQ((*result)["Type"].toInt(), c.type);
        EXPECT_EQ(log.lines.count("save success."), 1);
    }
}

TEST(CaptureOutcome, ANewCaptureDeliversAgainAndNoPathWritesNothing) {
    FakeLog log;
    FakeProcessExit exit;
    CaptureOutcome outcome(log, exit);
    outcome.begin();
    outcome.deliver({});
    EXPECT_EQ(exit.status, kResultCancelled);
    EXPECT_FALSE(log.has("save success."));
    exit.status.reset();
    outcome.deliver({});
    EXPECT_FALSE(exit.status.has_value());
    outcome.begin();
    outcome.deliver({});
    EXPECT_EQ(exit.status, kResultCancelled);
}
