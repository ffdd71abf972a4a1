// Chinese typed through fcitx5 on sway, as a Wayland session runs it today (QT_IM_MODULE
// unset, which leaves Qt 6.4 without an input method there): pinyin "nihao" and space in the
// text tool land in the image as the same characters typed directly.
#include <gtest/gtest.h>

#include "controls/strip_items.h"
#include "controls/strips_state.h"
#include "e2e/wayland_e2e_fixture.h"
#include "support/input_method_daemon.h"
#include "support/text_area.h"

namespace {

using namespace wayland_e2e;

constexpr Rect kSelectionView{150, 800 - 520.0, 600, 400};

// Clicks the strip's control `member` (view coordinates on an 800-point-high screen).
bool clickControl(WaylandInput& input, const Rect& strip, const std::vector<StripItem>& items,
                  const QString& member) {
    for (const StripItem& item : items) {
        if (item.member != member) continue;
        return input.click(int(strip.x + item.frame.x + item.frame.width / 2),
                           int(800 - (strip.y + item.frame.y + item.frame.height / 2)));
    }
    return false;
}

// The text's area on the screen (as grim names a region) and in the pasted image.
constexpr char kTextRegion[] = "305,240 150x60";
const QRect kTextInImage(305 - 150, 240 - 120, 150, 60);

// A capture of kDraggedArea with red text typed by `type` at (300, 250); the text's area of the
// pasted image (the rest holds the compositor's pointer where it stood at the start).
template <typename Type>
QImage typedText(const WaylandSession& session, WaylandInput& input,
                 const std::vector<std::string>& env, Type type) {
    ToolRun tool;
    std::vector<std::string> more(env.begin(), env.end());
    startInteractive(session, tool, more);
    EXPECT_TRUE(input.drag({150, 120}, {750, 520}, {{400, 300}}));
    EXPECT_TRUE(clickControl(input, placeStrips(kSelectionView, 800, false, false).toolbar,
                             toolbarItems(), "textButton"));
    EXPECT_TRUE(clickControl(input, *placeStrips(kSelectionView, 800, true, false).colorbar,
                             colorbarItems(), "swatch0"));
    EXPECT_TRUE(input.click(300, 250));
    EXPECT_TRUE(input.move(600, 450));  // the pointer, which grim sees, away from the text
    type();
    EXPECT_TRUE(input.click(600, 450));
    EXPECT_TRUE(input.click(600, 450));  // a double click finishes
    finishedResult(tool, kExitFinished);
    return session.pastedImage().copy(kTextInImage);
}

TEST(WaylandInputMethodE2E, PinyinThroughFcitx5OnSwayIsTheTextTypedDirectly) {
    WaylandSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    WaylandInput input(session, 1280, 800);
    ASSERT_TRUE(input.ok());
    const QImage direct = typedText(session, input, {}, [&] { ASSERT_TRUE(input.type("你好")); });
    InputMethodDaemon im(InputMethodDaemon::Kind::Fcitx5, session.clientEnvironment());
    ASSERT_TRUE(im.ok()) << im.error();
    const QImage composed = typedText(session, input, im.clientEnvironment(), [&] {
        const QImage before = session.grim(kTextRegion);
        ASSERT_TRUE(im.waitForField());
        ASSERT_TRUE(input.type("nihao"));
        ASSERT_TRUE(waitUntil([&] {
            return text_area::differingPixels(session.grim(kTextRegion), before) >
                   text_area::kMoreThanACaret;
        })) << "no pre-edit";
        if (const char* dir = std::getenv("QUILLET_SCREENSHOT_DIR")) {
            // Once the candidate list shows below the text.
            const QImage below = session.grim("300,258 300x30");
            waitUntil([&] {
                return text_area::differingPixels(session.grim("300,258 300x30"), below) >
                       text_area::kMoreThanACaret;
            });
            session.grim().save(QString::fromLocal8Bit(dir) + "/pinyin-sway.png");
        }
        ASSERT_TRUE(input.key("space"));
        // fcitx5 highlights its pre-edit: the text's red is the committed text.
        const int red = text_area::pixelsOf(before, qRgb(255, 0, 0));
        ASSERT_TRUE(waitUntil([&] {
            return text_area::pixelsOf(session.grim(kTextRegion), qRgb(255, 0, 0)) - red >
                   text_area::kMoreThanACaret;
        })) << "nothing committed";
    });
    EXPECT_EQ(composed, direct);
}

}  // namespace
