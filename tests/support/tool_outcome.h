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

// Checks what a run that lost its display said: exactly one line that it cannot record, and
// none of the widget toolkit's own messages (which name no capture and would confuse a host's
// log).
inline void expectOneLineForALostDisplay(const std::string& standardError) {
    int ours = 0;
    std::size_t start = 0;
    while (start < standardError.size()) {
        std::size_t end = standardError.find('\n', start);
        if (end == std::string::npos) end = standardError.size();
        const std::string line = standardError.substr(start, end - start);
        start = end + 1;
        if (line.find("cannot record the screen") != std::string::npos) ++ours;
        const bool toolkit = line.starts_with("qt.") || line.starts_with("QSocketNotifier") ||
                             line.find("Did the") != std::string::npos ||
                             line.find("Qt platform plugin") != std::string::npos ||
                             line.starts_with("X connection to") ||
                             line.find("wl_display") != std::string::npos;
        EXPECT_FALSE(toolkit) << "the toolkit's line: " << line << "\n" << standardError;
    }
    EXPECT_EQ(ours, 1) << standardError;
}
