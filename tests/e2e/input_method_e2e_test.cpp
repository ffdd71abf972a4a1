// Chinese typed through an input method that the session runs, as users type it: pinyin
// "nihao" and space in the text tool, with QT_IM_MODULE unset, lands in the image as the same
// characters typed directly. With QUILLET_SCREENSHOT_DIR set, the screen is saved there while
// the pinyin is being composed (the pre-edit and the candidate list).

#include <chrono>
#include <cstdlib>
#include <thread>

#include "e2e/annotation_e2e_fixture.h"
#include "support/input_method_daemon.h"
#include "support/text_area.h"
#include "support/x_keymap.h"

namespace {

constexpr int kPressX = 300, kPressY = 250;
const QRect kTextArea(kPressX + 5, kPressY - 10, 150, 60);

class InputMethodE2E : public AnnotationE2E {
protected:
    // Opens the text editor in red, types with `type`, finishes; the text's area of the image.
    template <typename Type>
    QImage typedText(const std::vector<std::string>& env, Type type) {
        select(env);
        clickTool("textButton");
        clickColorbar("swatch0");
        input({"mousemove", std::to_string(kPressX), std::to_string(kPressY)});
        input({"click", "1"});
        type();
        input({"mousemove", "600", "450"});
        input({"click", "--repeat", "2", "--delay", "80", "1"});
        const Result r = finishedImage();
        return r.pasted.copy(QRect(inImage(kTextArea.left(), kTextArea.top()), kTextArea.size()));
    }
    // Waits until the text area on the screen shows `shown` (the input method answers
    // asynchronously: its pre-edit and what it commits come after the keys).
    template <typename Shown>
    bool waitForTextArea(Shown shown) {
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (!shown(grabRoot(display()).copy(kTextArea))) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(20ms);
        }
        return true;
    }
    int m_textRight = kTextArea.width();
    // The text's own columns of an area, without the caret that blinks right of the text.
    QImage glyphs(const QImage& area) const {
        return area.copy(0, 0, m_textRight - 1, area.height());
    }
    void screenshot(const std::string& name) {
        if (const char* dir = std::getenv("QUILLET_SCREENSHOT_DIR")) {
            grabRoot(display()).save(QString::fromLocal8Bit(dir) + "/" +
                                     QString::fromStdString(name) + ".png");
        }
    }
};

TEST_F(InputMethodE2E, PinyinThroughTheRunningInputMethodIsTheTextTypedDirectly) {
    ASSERT_TRUE(bindCharactersToSpareKeys(display(), "你好"));
    const QImage direct = typedText({}, [&] { input({"type", "你好"}); });
    m_textRight = text_area::rightOf(direct, qRgb(255, 0, 0));
    ASSERT_GT(m_textRight, 10) << "the text typed directly";
    const struct {
        const char* name;
        InputMethodDaemon::Kind kind;
    } rows[] = {{"fcitx5", InputMethodDaemon::Kind::Fcitx5},
                {"ibus", InputMethodDaemon::Kind::Ibus}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        InputMethodDaemon im(row.kind, {"DISPLAY=" + display()});
        ASSERT_TRUE(im.ok()) << im.error();
        const QImage composed = typedText(im.clientEnvironment(), [&] {
            const QImage before = grabRoot(display()).copy(kTextArea);
            ASSERT_TRUE(im.waitForField());
            // Escape while composing drops the composition, not the capture.
            input({"type", "ni"});
            ASSERT_TRUE(waitForTextArea([&](const QImage& a) {
                return text_area::differingPixels(a, before) > text_area::kMoreThanACaret;
            })) << "no pre-edit";
            input({"key", "Escape"});
            ASSERT_TRUE(waitForTextArea([&](const QImage& a) {
                return text_area::differingPixels(a, before) <= text_area::kMoreThanACaret;
            })) << "the pre-edit stayed, or the capture ended";
            input({"type", "nihao"});
            ASSERT_TRUE(waitForTextArea([&](const QImage& a) {
                return text_area::differingPixels(a, before) > text_area::kMoreThanACaret;
            })) << "no pre-edit";
            screenshot(std::string("pinyin-") + row.name);
            const QImage composing = grabRoot(display()).copy(kTextArea);
            input({"key", "space"});
            // The commit turns the pre-edit (fcitx5's highlighted, ibus's underlined) into the
            // text in the text's colour, without the underline.
            ASSERT_TRUE(waitForTextArea([&](const QImage& a) {
                return text_area::differingPixels(glyphs(a), glyphs(composing)) > 10 &&
                       text_area::pixelsOf(a, qRgb(255, 0, 0)) > text_area::kMoreThanACaret;
            })) << "nothing committed";
            screenshot(std::string("committed-") + row.name);
        });
        EXPECT_EQ(composed, direct);
        if (const char* dir = std::getenv("QUILLET_SCREENSHOT_DIR")) {
            composed.save(QString::fromLocal8Bit(dir) + "/composed-" + row.name + ".png");
            direct.save(QString::fromLocal8Bit(dir) + "/direct.png");
        }
    }
}

}  // namespace
