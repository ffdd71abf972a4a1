// The launch contract of the real binary: no display, an ignored command.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <set>

#include "app/toolkit_launch.h"
#include "support/child_process.h"
#include "support/tool_run.h"
#include "support/x_session.h"
#include "support/x_waiter.h"

namespace {

using namespace std::chrono_literals;

constexpr int kExitCannotRecord = 253;  // -3 as a parent reads the low eight bits

TEST(LaunchE2E, WithoutADisplayExitsWithMinusThreeAndAClearMessage) {
    for (const std::string& display : {std::string(), std::string(":987")}) {
        ToolRun tool;
        ASSERT_TRUE(tool.start({}, display));
        ASSERT_TRUE(tool.waitForExit(10s));
        EXPECT_EQ(tool.exitStatus(), kExitCannotRecord) << display;
        const std::string err = tool.standardError();
        EXPECT_NE(err.find("cannot record the screen"), std::string::npos) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << "one line: " << err;
        EXPECT_FALSE(tool.result()) << "no result file without a display";
    }
}

// Waits until the tool's event loop has run: every X client that created a window since
// `waiter` began to watch the root's children gets a SelectionRequest for a selection of our
// own; Qt answers it from its event loop, after it named the selection on its standard error.
// Only the tool writes there (its clipboard helper points its own at /dev/null). Counts the
// MapNotify events on the root seen on the way into `maps`.
bool waitForToolEventLoop(XWaiter& waiter, const ToolRun& tool, int& maps) {
    constexpr const char* kProbe = "QUILLET_EVENT_LOOP_PROBE";
    xcb_connection_t* c = waiter.connection();
    const uint32_t idMask = xcb_get_setup(c)->resource_id_mask;
    const xcb_window_t requestor = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, requestor, waiter.root(), 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    const xcb_atom_t selection = waiter.atom(kProbe);
    std::set<uint32_t> asked{requestor & ~idMask};
    return waiter.waitFor(
        [&](const xcb_generic_event_t* e) {
            const int type = e->response_type & 0x7f;
            if (type == XCB_MAP_NOTIFY) ++maps;
            if (type == XCB_CREATE_NOTIFY) {
                const xcb_window_t window =
                    reinterpret_cast<const xcb_create_notify_event_t*>(e)->window;
                if (asked.insert(window & ~idMask).second) {
                    xcb_selection_request_event_t request{};
                    request.response_type = XCB_SELECTION_REQUEST;
                    request.time = XCB_CURRENT_TIME;
                    request.owner = window;
                    request.requestor = requestor;
                    request.selection = selection;
                    request.target = XCB_ATOM_STRING;
                    request.property = XCB_ATOM_STRING;
                    xcb_send_event(c, 0, window, XCB_EVENT_MASK_NO_EVENT,
                                   reinterpret_cast<const char*>(&request));
                    xcb_flush(c);
                }
            }
            return type == XCB_SELECTION_NOTIFY &&
                   reinterpret_cast<const xcb_selection_notify_event_t*>(e)->requestor ==
                       requestor &&
                   tool.standardError().find(kProbe) != std::string::npos;
        },
        20s);
}

TEST(LaunchE2E, IgnoredCommandIdlesWithoutAWindow) {
    struct Case {
        const char* name;
        int autoCaptureFlag;
    };
    const Case cases[] = {
        {"interactive: would map its window", 0},
        {"automatic: would write a result and exit", 2},
    };
    XSession x;
    ASSERT_TRUE(x.ok()) << x.error();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        XWaiter waiter(x.display());
        ASSERT_TRUE(waiter.ok());
        waiter.watchRootChildren();  // before the launch: no window of the tool passes unseen

        ToolRun tool;
        ASSERT_TRUE(tool.start({QJsonObject{{"CmdType", -1}}, 0, c.autoCaptureFlag}, x.display()));
        // Once the tool's event loop has answered, the command has been handled: a capture
        // shows its window (and Qt syncs the map) or writes its result before the loop runs.
        // The server made any MapNotify of the tool before the answer, and events reach this
        // connection in that order, so a map cannot arrive after the check below.
        int maps = 0;
        ASSERT_TRUE(waitForToolEventLoop(waiter, tool, maps)) << tool.standardError();
        EXPECT_EQ(maps, 0) << "an ignored command maps no window";
        EXPECT_TRUE(tool.running()) << "the process idles until ended from outside";
        EXPECT_NE(tool.standardError().find("local capture enter."), std::string::npos);
        EXPECT_FALSE(tool.result());
    }
}

// The program a host starts loads the widget toolkit only for a capture with windows: copied
// without the toolkit's library, it still makes an automatic capture (pasted after it has gone),
// and a capture that needs windows ends unable to record, saying why.
TEST(LaunchE2E, AnAutomaticCaptureNeedsNoToolkitLibrary) {
    XSession x;
    ASSERT_TRUE(x.ok()) << x.error();
    QTemporaryDir dir;
    const QString program = dir.filePath("quillet-capture");
    ASSERT_TRUE(QFile::copy(QStringLiteral(QUILLET_CAPTURE_BINARY), program));
    ASSERT_TRUE(QFile::copy(QStringLiteral(QUILLET_CLIPBOARD_HELPER),
                            dir.filePath("quillet-clipboard-helper")));
    ASSERT_TRUE(QDir(dir.path()).entryList({"*.so"}).isEmpty()) << "no toolkit library beside it";
    QFile params(dir.filePath("params.json"));
    ASSERT_TRUE(params.open(QIODevice::WriteOnly));
    params.write("{}");
    params.close();
    struct Row {
        const char* name;
        int autoCaptureFlag;
        int exitStatus;
        const char* line;
    } rows[] = {
        {"automatic, whole screen", 2, 1, "save success."},
        {"interactive", 0, kExitCannotRecord,
         "cannot record the screen: the windows cannot be loaded"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QString result =
            dir.filePath(QStringLiteral("result-%1.json").arg(row.autoCaptureFlag));
        const std::string argument = "startfromlocal," + params.fileName().toStdString() + "," +
                                     result.toStdString() + ",,0," +
                                     std::to_string(row.autoCaptureFlag) + ",0,0,0,0";
        const ProgramOutput out = runProgram(
            {program.toStdString(), argument},
            {"DISPLAY=" + x.display(), "WAYLAND_DISPLAY", "XDG_SESSION_TYPE", "QUILLET_PLATFORM"},
            true);
        EXPECT_EQ(out.status, row.exitStatus) << out.bytes.toStdString();
        EXPECT_TRUE(out.bytes.contains(row.line)) << out.bytes.toStdString();
        if (row.exitStatus != 1) continue;
        const ProgramOutput pasted =
            runProgram({"xclip", "-selection", "clipboard", "-t", "image/png", "-o"},
                       {"DISPLAY=" + x.display()});
        const QImage image = QImage::fromData(pasted.bytes, "PNG");
        EXPECT_EQ(image.size(), QSize(1280, 800)) << "the whole screen, pasted";
    }
}

// A copy of the program in `dir` beside `module` (the windows' module, under its own name),
// started for one interactive capture on `x`, its result asked for in `dir`.
ProgramOutput runBesideModule(const QTemporaryDir& dir, const QByteArray& module,
                              const XSession& x) {
    const QString program = dir.filePath("quillet-capture");
    QFile::copy(QStringLiteral(QUILLET_CAPTURE_BINARY), program);
    QFile out(dir.filePath(QString::fromLatin1(kToolkitLibraryName)));
    if (!out.open(QIODevice::WriteOnly) || out.write(module) != module.size()) return {};
    out.close();
    return runProgram(
        {program.toStdString(), "startfromlocal,/nonexistent/p.json," +
                                    dir.filePath("r.json").toStdString() + ",,0,0,0,0,0,0"},
        {"DISPLAY=" + x.display(), "WAYLAND_DISPLAY", "XDG_SESSION_TYPE", "QUILLET_PLATFORM"},
        true);
}

QByteArray contentsOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The windows' module cut short, as an interrupted install or upgrade leaves it: a capture
// that needs windows ends unable to record with a line naming the file, never with SIGBUS.
TEST(LaunchE2E, AToolkitLibraryCutShortIsALineNotACrash) {
    XSession x;
    ASSERT_TRUE(x.ok()) << x.error();
    const QByteArray library = contentsOf(QFileInfo(QStringLiteral(QUILLET_CAPTURE_BINARY))
                                              .dir()
                                              .filePath(QString::fromLatin1(kToolkitLibraryName)));
    ASSERT_FALSE(library.isEmpty());
    for (const qsizetype size : {qsizetype(1000), qsizetype(10000), qsizetype(100000),
                                 library.size() / 2, library.size() - 1}) {
        SCOPED_TRACE("cut to " + std::to_string(size) + " bytes");
        QTemporaryDir dir;
        const QString cut = dir.filePath(QString::fromLatin1(kToolkitLibraryName));
        const ProgramOutput run = runBesideModule(dir, library.left(size), x);
        EXPECT_EQ(run.status, kExitCannotRecord) << run.bytes.toStdString();
        const std::string line =
            "cannot record the screen: the windows cannot be loaded: " + cut.toStdString() +
            " is incomplete";
        EXPECT_TRUE(run.bytes.contains(line.c_str())) << run.bytes.toStdString();
        EXPECT_FALSE(QFile::exists(dir.filePath("r.json")));
    }
}

// A module that needs what the program does not export: the build's check names the symbol,
// and a program that finds such a module beside it refuses it at load with a line (a lazy load
// would have run it and died at the first call).
TEST(LaunchE2E, AModuleNeedingWhatTheProgramLacksIsRefused) {
    const ProgramOutput check =
        runProgram({"bash", QUILLET_SOURCE_DIR "/scripts/module-symbols.sh", "check",
                    QUILLET_CAPTURE_BINARY, QUILLET_MISSING_SYMBOL_MODULE},
                   {}, true);
    EXPECT_EQ(check.status, 1) << check.bytes.toStdString();
    EXPECT_TRUE(check.bytes.contains("quilletSymbolNoProgramHas()")) << check.bytes.toStdString();
    const ProgramOutput ours = runProgram(
        {"bash", QUILLET_SOURCE_DIR "/scripts/module-symbols.sh", "check", QUILLET_CAPTURE_BINARY,
         QFileInfo(QStringLiteral(QUILLET_CAPTURE_BINARY))
             .dir()
             .filePath(QString::fromLatin1(kToolkitLibraryName))
             .toStdString()},
        {}, true);
    EXPECT_EQ(ours.status, 0) << "the real module: " << ours.bytes.toStdString();

    XSession x;
    ASSERT_TRUE(x.ok()) << x.error();
    QTemporaryDir dir;
    const QByteArray module = contentsOf(QStringLiteral(QUILLET_MISSING_SYMBOL_MODULE));
    ASSERT_FALSE(module.isEmpty());
    const ProgramOutput run = runBesideModule(dir, module, x);
    EXPECT_EQ(run.status, kExitCannotRecord) << run.bytes.toStdString();
    EXPECT_TRUE(run.bytes.contains("cannot record the screen: the windows cannot be loaded: "))
        << run.bytes.toStdString();
    EXPECT_TRUE(run.bytes.contains("undefined symbol: _Z25quilletSymbolNoProgramHasv"))
        << run.bytes.toStdString();
    EXPECT_FALSE(QFile::exists(dir.filePath("r.json")));
}

}  // namespace
