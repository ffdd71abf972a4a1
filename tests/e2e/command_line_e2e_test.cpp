// The real binary asked for its usage or version (no display needed), and a normal capture's
// standard error free of Qt's warnings whatever XDG_RUNTIME_DIR the host left us.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QTemporaryDir>

#include "support/tool_run.h"
#include "support/x_session.h"

namespace {

using namespace std::chrono_literals;

// No display, and nothing of the desktop the tests run on.
const std::vector<std::string> kNoDisplay{"DISPLAY", "WAYLAND_DISPLAY", "XDG_SESSION_TYPE"};

TEST(CommandLineE2E, HelpAloneDescribesTheLaunchWithoutADisplay) {
    const ProgramOutput out = runProgram({QUILLET_CAPTURE_BINARY, "--help"}, kNoDisplay, true);
    EXPECT_EQ(out.status, 0);
    const std::string text = out.bytes.toStdString();
    // The launch argument, parameter keys, result members and every exit status.
    for (const char* part :
         {"startfromlocal,<params>,<result>", "AutoCaptureFlag", "TrackColor", "SetToolbarText",
          "DefaultPath", "StartTime", "Info", "\n   1  ", "\n   2  ", "\n   3  ", "\n  -3  "}) {
        EXPECT_NE(text.find(part), std::string::npos) << part << " in:\n" << text;
    }
    EXPECT_EQ(text.find("cannot record"), std::string::npos) << "the screen was not touched";
}

TEST(CommandLineE2E, VersionAloneIsTheProjectVersion) {
    const ProgramOutput out = runProgram({QUILLET_CAPTURE_BINARY, "--version"}, kNoDisplay, true);
    EXPECT_EQ(out.status, 0);
    EXPECT_EQ(out.bytes.toStdString(), "quillet-capture " QUILLET_VERSION "\n");
}

TEST(CommandLineE2E, HelpBesideAnotherArgumentIsAnOrdinaryCapture) {
    for (const std::vector<std::string>& argv :
         {std::vector<std::string>{QUILLET_CAPTURE_BINARY, "--help", "extra"},
          std::vector<std::string>{QUILLET_CAPTURE_BINARY, "extra", "--version"}}) {
        const ProgramOutput out = runProgram(argv, kNoDisplay, true);
        EXPECT_EQ(out.status, 253) << "a capture without a display cannot record";
        const std::string text = out.bytes.toStdString();
        EXPECT_NE(text.find("cannot record the screen"), std::string::npos) << text;
        EXPECT_EQ(text.find("Usage"), std::string::npos) << text;
    }
}

TEST(CommandLineE2E, AutomaticCaptureLogsNoQtMessageWhateverTheRuntimeDirectory) {
    QTemporaryDir dirs;
    ASSERT_TRUE(dirs.isValid());
    const std::string open = dirs.filePath("open").toStdString();
    const std::string linked = dirs.filePath("linked").toStdString();
    const std::string target = dirs.filePath("target").toStdString();
    ASSERT_EQ(mkdir(open.c_str(), 0755), 0);
    ASSERT_EQ(chmod(open.c_str(), 0755), 0);
    ASSERT_EQ(mkdir(target.c_str(), 0700), 0);
    ASSERT_EQ(symlink(target.c_str(), linked.c_str()), 0);
    struct Case {
        const char* name;
        std::string setting;  // as spawnProgram takes it
    };
    const Case cases[] = {
        {"unset: Qt would default to /tmp/runtime-<user> with a warning", "XDG_RUNTIME_DIR"},
        {"empty", "XDG_RUNTIME_DIR="},
        {"missing", "XDG_RUNTIME_DIR=" + dirs.filePath("missing/deeper").toStdString()},
        {"readable by others: Qt warns about its permissions", "XDG_RUNTIME_DIR=" + open},
        {"a symbolic link: Qt refuses it", "XDG_RUNTIME_DIR=" + linked},
    };
    XSession x;
    ASSERT_TRUE(x.ok()) << x.error();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ToolRun tool;
        // Every message of Qt's, whatever its category and type, starts with the marker.
        ASSERT_TRUE(tool.start({{}, 0, 2}, x.display(),
                               {c.setting, "QT_MESSAGE_PATTERN=QT-MESSAGE %{type}: %{message}"}));
        ASSERT_TRUE(tool.waitForExit(20s));
        EXPECT_EQ(tool.exitStatus(), 1) << tool.standardError();
        const std::string err = tool.standardError();
        EXPECT_EQ(err.find("QT-MESSAGE"), std::string::npos) << err;
        EXPECT_EQ(err.find("QStandardPaths"), std::string::npos) << err;
    }
}

}  // namespace
