// The automatic capture with fakes: the rectangle or the whole screen under the pointer, cut
// from the grab, on the clipboard and in the result; no image, with a reason, where none can
// be made.
#include "capture/automatic_capture.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <algorithm>

#include "support/fake_platform.h"
#include "support/geometry_printers.h"
#include "support/result_file.h"
#include "support/test_images.h"

namespace {

// A desktop whose every pixel is distinct, so offsets and flips show.
using test_images::positionImage;

class AutomaticCaptureTest : public ::testing::Test {
protected:
    AutomaticCaptureTest() { platform.grabber.desktop = positionImage(1440, 900); }

    // Runs the capture `command` asks for, launched at 7 ms.
    bool run(QJsonObject command) {
        command.insert("DataSavePath", dir.filePath("result.json"));
        return runWithoutWindows(launchRequestFrom(command, 7), platform.services());
    }
    QJsonObject result() const {
        return readResultFile(dir.filePath("result.json")).value_or(QJsonObject());
    }
    bool logged(const char* start) const {
        return std::any_of(platform.log.lines.begin(), platform.log.lines.end(),
                           [&](const QString& l) { return l.startsWith(QLatin1String(start)); });
    }

    QTemporaryDir dir;
    FakePlatform platform;
};

TEST_F(AutomaticCaptureTest, WholeScreen) {
    ASSERT_TRUE(run({{"AutoCaptureFlag", 2}}));
    EXPECT_EQ(platform.processExit.status, 1);
    EXPECT_EQ(platform.clipboard.image.convertToFormat(QImage::Format_RGB32),
              platform.grabber.desktop);
    const QJsonObject r = result();
    EXPECT_EQ(r["Type"].toInt(), 1);
    EXPECT_EQ(r["x"].toInt(), 0);
    EXPECT_EQ(r["y"].toInt(), 0);
    EXPECT_EQ(r["Width"].toInt(), 1440);
    EXPECT_EQ(r["Height"].toInt(), 900);
    EXPECT_EQ(r["StartTime"].toInteger(), 7);
}

TEST_F(AutomaticCaptureTest, RectangleIsCutTopLeft) {
    ASSERT_TRUE(
        run({{"AutoCaptureFlag", 1}, {"x", 10}, {"y", 20}, {"Width", 100}, {"Height", 50}}));
    EXPECT_EQ(platform.processExit.status, 1);
    const QImage& image = platform.clipboard.image;
    ASSERT_EQ(image.size(), QSize(100, 50));
    EXPECT_EQ(image.pixel(0, 0), platform.grabber.desktop.pixel(10, 20));
    EXPECT_EQ(image.pixel(99, 49), platform.grabber.desktop.pixel(109, 69));
    const QJsonObject r = result();
    EXPECT_EQ(r["x"].toInt(), 10);
    EXPECT_EQ(r["y"].toInt(), 20);
    EXPECT_EQ(r["Width"].toInt(), 100);
    EXPECT_EQ(r["Height"].toInt(), 50);
}

TEST_F(AutomaticCaptureTest, RectangleBeyondTheScreenKeepsItsSize) {
    ASSERT_TRUE(
        run({{"AutoCaptureFlag", 1}, {"x", 1400}, {"y", -10}, {"Width", 100}, {"Height", 50}}));
    EXPECT_EQ(platform.processExit.status, 1);
    const QImage& image = platform.clipboard.image;
    ASSERT_EQ(image.size(), QSize(100, 50));
    EXPECT_EQ(qAlpha(image.pixel(50, 20)), 0) << "right of the screen";
    EXPECT_EQ(qAlpha(image.pixel(10, 5)), 0) << "above the screen";
    EXPECT_EQ(image.pixel(0, 10), platform.grabber.desktop.pixel(1400, 0));
    EXPECT_EQ(result()["y"].toInt(), -10);
    EXPECT_EQ(result()["Width"].toInt(), 100);
}

TEST_F(AutomaticCaptureTest, RectangleWithoutAreaReportsCancelled) {
    platform.clipboard.image = QImage(1, 1, QImage::Format_RGB32);
    ASSERT_TRUE(run({{"AutoCaptureFlag", 1}, {"x", 10}, {"y", 20}, {"Width", 0}, {"Height", 50}}));
    EXPECT_EQ(platform.processExit.status, 2);
    EXPECT_EQ(platform.clipboard.image.size(), QSize(1, 1)) << "the clipboard is left alone";
    EXPECT_EQ(result()["Type"].toInt(), 2);
    EXPECT_EQ(result()["Height"].toInt(), 50) << "the requested geometry is reported";
    EXPECT_TRUE(logged("no image"));
}

TEST_F(AutomaticCaptureTest, FailuresEndWithKindTwoAndSayWhy) {
    struct Row {
        const char* name;
        QJsonObject command;
        bool grabFails;
        bool clipboardRefuses;
        const char* logLine;
    };
    const Row rows[] = {
        {"clipboard refused",
         {{"AutoCaptureFlag", 2}},
         false,
         true,
         "no image: the clipboard could not be taken"},
        {"grab failed",
         {{"AutoCaptureFlag", 2}},
         true,
         false,
         "no image: the screen could not be grabbed: the fake grab fails"},
        {"too large",
         {{"AutoCaptureFlag", 1}, {"Width", 100000}, {"Height", 100000}},
         false,
         false,
         "no image: the selection 100000x100000 at (0, -99100) is beyond the image limits "
         "(32767 pixels a side, 268435456 pixels in all)"},
        {"extreme values",
         {{"AutoCaptureFlag", 1},
          {"x", -2147483648.0},
          {"y", 2147483647},
          {"Width", 2147483647},
          {"Height", 2147483647}},
         false,
         false,
         "no image: the selection 2147483647x2147483647"},
        {"no area",
         {{"AutoCaptureFlag", 1}, {"Width", 0}, {"Height", 50}},
         false,
         false,
         "no image: the selection 0x50 has no area"},
    };
    for (const Row& row : rows) {
        platform = FakePlatform();
        platform.grabber.desktop = positionImage(1440, 900);
        platform.grabber.fail = row.grabFails;
        platform.clipboard.refuse = row.clipboardRefuses;
        ASSERT_TRUE(run(row.command)) << row.name;
        EXPECT_EQ(platform.processExit.status, 2) << row.name;
        EXPECT_TRUE(platform.clipboard.image.isNull()) << row.name;
        EXPECT_TRUE(logged(row.logLine))
            << row.name << ": " << platform.log.lines.join(" | ").toStdString();
    }
}

TEST_F(AutomaticCaptureTest, SecondScreenAboveTheMain) {
    // Main 1440x900 at the bottom, a 1920x1080 screen above it; pointer on the upper one.
    platform.screens.list = {{{0, 0, 1440, 900}, 1}, {{0, 900, 1920, 1080}, 1}};
    platform.screens.pointer = {100, 1000};
    platform.grabber.desktop = positionImage(1920, 1980);
    platform.grabber.origin = {0, -1080};
    ASSERT_TRUE(run({{"AutoCaptureFlag", 2}}));
    ASSERT_EQ(platform.grabber.requests.size(), 1u);
    EXPECT_EQ(platform.grabber.requests[0], (Rect{0, -1080, 1920, 1080}));
    EXPECT_EQ(platform.clipboard.image.size(), QSize(1920, 1080));
    EXPECT_EQ(platform.clipboard.image.pixel(5, 5), platform.grabber.desktop.pixel(5, 5));
}

TEST_F(AutomaticCaptureTest, WhatIsNotAnAutomaticCaptureIsLeftAlone) {
    for (const QJsonObject& command : {QJsonObject{}, QJsonObject{{"AutoCaptureFlag", 3}},
                                       QJsonObject{{"AutoCaptureFlag", 2}, {"CmdType", -1}}}) {
        EXPECT_FALSE(run(command));
        EXPECT_FALSE(platform.processExit.status);
        EXPECT_TRUE(platform.grabber.requests.empty());
    }
}

}  // namespace
