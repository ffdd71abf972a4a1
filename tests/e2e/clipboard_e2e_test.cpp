// The clipboard that outlives the capturing process: ClipboardKeeper and its helper on a private
// Xvfb, read back with xclip as another application would.
#include <sys/wait.h>

#include <QDirIterator>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/clipboard_helper.h"
#include "platform/pixels_image.h"
#include "platform/png_image.h"
#include "platform/system/clipboard_keeper.h"
#include "support/child_process.h"
#include "support/test_images.h"
#include "support/x_session.h"
#include "support/x_waiter.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

bool isRunning(pid_t pid) {
    return !waitForEnd(pid, 0ms);
}

// Sets environment variables for this process (and so for the helpers it starts) until the end
// of the scope.
class EnvironmentScope {
public:
    void set(const char* name, const QByteArray& value) {
        m_saved.push_back({name, qgetenv(name), qEnvironmentVariableIsSet(name)});
        qputenv(name, value);
    }
    ~EnvironmentScope() {
        for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it) {
            if (it->wasSet) {
                qputenv(it->name, it->value);
            } else {
                qunsetenv(it->name);
            }
        }
    }

private:
    struct Saved {
        const char* name;
        QByteArray value;
        bool wasSet;
    };
    std::vector<Saved> m_saved;
};

class ClipboardE2E : public ::testing::Test {
protected:
    void SetUp() override {
        m_x = std::make_unique<XSession>();
        ASSERT_TRUE(m_x->ok()) << m_x->error();
        m_env.set("DISPLAY", QByteArray::fromStdString(m_x->display()));
    }

    void TearDown() override {
        // Whatever a test left on the clipboard: its helper must end with the X server.
        m_x.reset();
        for (const pid_t pid : m_helpers) {
            EXPECT_TRUE(waitForEnd(pid, 5s)) << "helper " << pid << " outlived its X server";
            waitpid(pid, nullptr, WNOHANG);
        }
    }

    pid_t remember(pid_t pid) {
        if (pid > 0) m_helpers.push_back(pid);
        return pid;
    }

    ProgramOutput paste() const {
        return runProgram({"xclip", "-selection", "clipboard", "-t", "image/png", "-o"},
                          {"DISPLAY=" + m_x->display()});
    }

    // Another application copies some text. xclip stays in the background to serve it, so it
    // gets none of our pipes.
    void takeClipboard() const {
        const pid_t pid = spawnProgram({"sh", "-c", "echo x | xclip -selection clipboard"},
                                       {"DISPLAY=" + m_x->display()});
        ASSERT_GT(pid, 0);
        ASSERT_EQ(waitForExit(pid, 20s), 0);
    }

    static QImage decoded(const ProgramOutput& out) {
        return QImage::fromData(out.bytes, "PNG").convertToFormat(QImage::Format_RGB32);
    }

    std::unique_ptr<XSession> m_x;
    EnvironmentScope m_env;
    std::vector<pid_t> m_helpers;
};

TEST_F(ClipboardE2E, ImageStaysPasteablePixelExactAfterTheKeeperIsGone) {
    const QImage image = test_images::patternImage(1920, 1080);
    {
        ClipboardKeeper keeper(QUILLET_CLIPBOARD_HELPER);
        keeper.prepare();
        ASSERT_TRUE(keeper.setImage(pixelsOf(image)));
        remember(keeper.helperPid());
    }
    const ProgramOutput out = paste();
    ASSERT_EQ(out.status, 0);
    EXPECT_TRUE(out.bytes.startsWith("\x89PNG\r\n\x1a\n"));
    EXPECT_EQ(decoded(out), image);
}

TEST_F(ClipboardE2E, FinishedPngIsServedByteForByte) {
    const QByteArray png = encodePng(test_images::patternImage(640, 480));
    ASSERT_FALSE(png.isEmpty());
    {
        ClipboardKeeper keeper(QUILLET_CLIPBOARD_HELPER);
        keeper.prepare();
        ASSERT_TRUE(keeper.setPng(png));
        remember(keeper.helperPid());
    }
    const ProgramOutput out = paste();
    ASSERT_EQ(out.status, 0);
    EXPECT_TRUE(out.bytes == png) << "the very bytes handed over, not a new encoding";
}

// ICCCM's MULTIPLE, as some toolkits ask: several targets in one request, each into its own
// property, and None in place of the property for a target the owner does not have.
TEST_F(ClipboardE2E, MultipleConvertsEachTargetAndMarksTheUnknown) {
    const QByteArray png = encodePng(test_images::patternImage(64, 48));
    {
        ClipboardKeeper keeper(QUILLET_CLIPBOARD_HELPER);
        ASSERT_TRUE(keeper.setPng(png));
        remember(keeper.helperPid());
    }
    XWaiter x(m_x->display());
    ASSERT_TRUE(x.ok());
    xcb_connection_t* c = x.connection();
    const xcb_window_t window = xcb_generate_id(c);
    const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, x.root(), 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                      &events);
    const xcb_atom_t targets = x.atom("TARGETS"), image = x.atom("image/png"),
                     unknown = x.atom("text/plain"), pairsProperty = x.atom("QUILLET_PAIRS");
    const xcb_atom_t p1 = x.atom("QUILLET_P1"), p2 = x.atom("QUILLET_P2"),
                     p3 = x.atom("QUILLET_P3");
    const xcb_atom_t asked[] = {targets, p1, image, p2, unknown, p3};
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, pairsProperty, x.atom("ATOM_PAIR"), 32, 6,
                        asked);
    xcb_convert_selection(c, window, x.atom("CLIPBOARD"), x.atom("MULTIPLE"), pairsProperty,
                          XCB_CURRENT_TIME);
    xcb_flush(c);
    xcb_atom_t answered = XCB_NONE;
    ASSERT_TRUE(x.waitFor(
        [&](const xcb_generic_event_t* e) {
            if ((e->response_type & 0x7f) != XCB_SELECTION_NOTIFY) return false;
            answered = reinterpret_cast<const xcb_selection_notify_event_t*>(e)->property;
            return true;
        },
        10s));
    ASSERT_EQ(answered, pairsProperty);
    const auto read = [&](xcb_atom_t property) {
        auto* reply = xcb_get_property_reply(
            c, xcb_get_property(c, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 1 << 20),
            nullptr);
        QByteArray bytes;
        if (reply) {
            bytes = QByteArray(static_cast<const char*>(xcb_get_property_value(reply)),
                               xcb_get_property_value_length(reply));
        }
        std::free(reply);
        return bytes;
    };
    const QByteArray pairs = read(pairsProperty);
    ASSERT_EQ(pairs.size(), 24);
    const auto* atoms = reinterpret_cast<const xcb_atom_t*>(pairs.constData());
    EXPECT_EQ(atoms[1], p1);
    EXPECT_EQ(atoms[3], p2);
    EXPECT_EQ(atoms[5], xcb_atom_t(XCB_NONE)) << "text/plain is not offered";
    const QByteArray offered = read(p1);
    const auto* list = reinterpret_cast<const xcb_atom_t*>(offered.constData());
    EXPECT_NE(std::find(list, list + offered.size() / 4, image), list + offered.size() / 4);
    EXPECT_TRUE(read(p2) == png);
}

TEST_F(ClipboardE2E, BytesThatAreNoPngAreRefused) {
    ClipboardKeeper keeper(QUILLET_CLIPBOARD_HELPER);
    EXPECT_FALSE(keeper.setPng("not a PNG at all"));
    EXPECT_FALSE(keeper.setPng(QByteArray()));
    EXPECT_NE(paste().status, 0) << "nothing was put on the clipboard";
}

TEST_F(ClipboardE2E, ImagesOfOtherFormatsArriveConverted) {
    // An RGB16 image and a translucent one: what a paste returns is the same picture.
    const QImage opaque = test_images::patternImage(300, 200).convertToFormat(QImage::Format_RGB16);
    const QImage translucent = test_images::patternImage(300, 200, QImage::Format_ARGB32);
    for (const QImage& image : {opaque, translucent}) {
        ClipboardKeeper keeper(QUILLET_CLIPBOARD_HELPER);  // without prepare(): started on demand
        ASSERT_TRUE(keeper.setImage(pixelsOf(image)));
        remember(keeper.helperPid());
        const ProgramOutput out = paste();
        ASSERT_EQ(out.status, 0);
        const QImage back = QImage::fromData(out.bytes, "PNG");
        EXPECT_EQ(back.hasAlphaChannel(), image.hasAlphaChannel());
        EXPECT_EQ(back.convertToFormat(QImage::Format_ARGB32),
                  image.convertToFormat(QImage::Format_ARGB32));
    }
}

TEST_F(ClipboardE2E, NoisyUltraHdImageTravelsByIncrAndEveryPasteGetsTheSameBytes) {
    const QImage image = test_images::noiseImage(3840, 2160);
    ClipboardKeeper keeper(QUILLET_CLIPBOARD_HELPER);
    keeper.prepare();
    ASSERT_TRUE(keeper.setImage(pixelsOf(image)));
    remember(keeper.helperPid());

    // Asked for at once: "ready" comes before the encoding, which takes over 100 ms for this
    // image, so this paste arrives while the PNG is still being made and must wait for it.
    const ProgramOutput first = paste();
    ASSERT_EQ(first.status, 0);
    EXPECT_GT(first.bytes.size(), 16 * 1024 * 1024) << "too small to need INCR";
    const ProgramOutput second = paste();
    ASSERT_EQ(second.status, 0);
    EXPECT_TRUE(first.bytes == second.bytes);
    EXPECT_EQ(decoded(first), image);
}

TEST_F(ClipboardE2E, HelperExitsWhenAnotherApplicationTakesTheClipboard) {
    ClipboardKeeper keeper(QUILLET_CLIPBOARD_HELPER);
    ASSERT_TRUE(keeper.setImage(pixelsOf(test_images::patternImage(640, 480))));
    const pid_t helper = remember(keeper.helperPid());
    ASSERT_TRUE(isRunning(helper));

    takeClipboard();
    EXPECT_TRUE(waitForEnd(helper, 5s)) << "the helper lingers after losing the clipboard";
    const ProgramOutput text =
        runProgram({"xclip", "-selection", "clipboard", "-o"}, {"DISPLAY=" + m_x->display()});
    EXPECT_EQ(text.bytes, "x\n");
}

TEST_F(ClipboardE2E, HelperExitsWhenTheXServerGoes) {
    ClipboardKeeper keeper(QUILLET_CLIPBOARD_HELPER);
    ASSERT_TRUE(keeper.setImage(pixelsOf(test_images::patternImage(640, 480))));
    const pid_t helper = keeper.helperPid();
    ASSERT_TRUE(isRunning(helper));
    m_x.reset();
    EXPECT_TRUE(waitForEnd(helper, 5s));
    waitpid(helper, nullptr, WNOHANG);
}

TEST_F(ClipboardE2E, CapturingProcessExitsWhileTheHelperLeavesTheHostsPipesAlone) {
    // The host reads the tool's output through a pipe: it must see the end of it when the tool
    // exits, although the helper lives on.
    const ProgramOutput out =
        runProgram({QUILLET_CLIPBOARD_PROBE, QUILLET_CLIPBOARD_HELPER, "set", "1920", "1080"},
                   {"DISPLAY=" + m_x->display()}, true, 10s);
    ASSERT_EQ(out.status, 0) << "no end of output, or the probe failed: " << out.bytes.data();
    EXPECT_TRUE(out.bytes.contains("probe done"));
    const pid_t helper = remember(pid_t(out.bytes.split('\n').value(0).toInt()));
    ASSERT_GT(helper, 0);
    EXPECT_TRUE(isRunning(helper));

    const ProgramOutput pasted = paste();
    ASSERT_EQ(pasted.status, 0);
    EXPECT_EQ(decoded(pasted), test_images::patternImage(1920, 1080));
}

TEST_F(ClipboardE2E, HelperWithoutAnImageExitsWhenTheCapturingProcessDies) {
    const ProgramOutput out =
        runProgram({QUILLET_CLIPBOARD_PROBE, QUILLET_CLIPBOARD_HELPER, "abandon"},
                   {"DISPLAY=" + m_x->display()});
    ASSERT_EQ(out.status, 0);
    const pid_t helper = remember(pid_t(out.bytes.trimmed().toInt()));
    ASSERT_GT(helper, 0);
    EXPECT_TRUE(waitForEnd(helper, 5s));
    EXPECT_NE(paste().status, 0) << "nobody may own the clipboard";
}

TEST_F(ClipboardE2E, HelperLeavesNoFilesBehind) {
    // Everything a Qt process may write to points into an empty folder.
    QTemporaryDir sandbox;
    ASSERT_TRUE(sandbox.isValid());
    for (const char* name : {"HOME", "TMPDIR", "XDG_RUNTIME_DIR", "XDG_CACHE_HOME",
                             "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME"}) {
        m_env.set(name, sandbox.path().toUtf8());
    }
    ClipboardKeeper keeper(QUILLET_CLIPBOARD_HELPER);
    keeper.prepare();
    ASSERT_TRUE(keeper.setImage(pixelsOf(test_images::patternImage(800, 600))));
    const pid_t helper = remember(keeper.helperPid());
    ASSERT_EQ(paste().status, 0);
    takeClipboard();
    ASSERT_TRUE(waitForEnd(helper, 5s));

    QDirIterator it(sandbox.path(),
                    QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    QStringList left;
    while (it.hasNext()) left << it.next();
    EXPECT_TRUE(left.isEmpty()) << left.join(", ").toStdString();
}

struct FailureCase {
    const char* name;
    const char* executable;
    const char* display;  // nullptr: the test's X server
};

TEST_F(ClipboardE2E, SetImageReportsAHelperThatCannotTakeTheClipboard) {
    const FailureCase cases[] = {
        {"missing executable", "/nonexistent/quillet-capture", nullptr},
        {"not our binary: exits at once", "/bin/true", nullptr},
        {"no X server to connect to", QUILLET_CLIPBOARD_HELPER, ":987"},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.name);
        EnvironmentScope env;
        if (c.display) env.set("DISPLAY", c.display);
        ClipboardKeeper keeper(c.executable);
        const auto start = Clock::now();
        EXPECT_FALSE(keeper.setImage(pixelsOf(test_images::patternImage(64, 64))));
        EXPECT_LT(Clock::now() - start, 4s) << "a dead helper is noticed without the time limit";
    }
    ClipboardKeeper keeper(QUILLET_CLIPBOARD_HELPER);
    EXPECT_FALSE(keeper.setImage(pixelsOf(QImage()))) << "a null image";
}

}  // namespace
