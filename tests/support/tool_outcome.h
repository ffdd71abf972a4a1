#pragma once
// How a run of the tool ended, as the end-to-end tests of every window system read it.

#include <gtest/gtest.h>

#include <QJsonObject>
#include <chrono>

#include "platform/geometry.h"
#include "support/tool_run.h"

// The selection a result file reports, in pixels of the captured screen's top-left corner.
inline Rect resultGeometry(const QJsonObject& r) {
    return {double(r["x"].toInt()), double(r["y"].toInt()), double(r["Width"].toInt()),
            double(r["Height"].toInt())};
}

// Waits for the tool to end with `expectedStatus` and a result file; the result (empty when
// there is none, which fails the test).
inline QJsonObject finishedResult(ToolRun& tool, int expectedStatus) {
    EXPECT_TRUE(tool.waitForExit(std::chrono::seconds(15))) << tool.standardError();
    EXPECT_EQ(tool.exitStatus(), expectedStatus) << tool.standardError();
    const auto result = tool.result();
    EXPECT_TRUE(result.has_value()) << tool.standardError();
    return result.value_or(QJsonObject());
}
