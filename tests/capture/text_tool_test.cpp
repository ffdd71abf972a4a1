// The text tool inside a capture window on the offscreen platform, with fakes: the editor
// over the frozen screen, typing, committing, undo and pen changes while typing, pasting,
// and the committed text painted on the pixels the editor showed.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMimeData>
#include <QScrollBar>
#include <functional>

#include "capture/capture_annotations.h"
#include "capture/capture_view.h"
#include "capture/capture_window.h"
#include "capture/text_view.h"
#include "controls/special_button.h"
#include "support/fake_platform.h"
#include "support/geometry_printers.h"
#include "support/widget_events.h"

using enum CaptureState;

namespace {

// The screen is 1440 x 900 points. The selection (200, 200) to (1000, 800) in widget
// coordinates is (200, 100, 800, 600) in view coordinates.
const QRectF kSelection(200, 200, 800, 600);
// A press at view (300, 200): the editor opens at (300, 180, 60, 30), widget (300, 690).
const QPointF kPress(300, 700);
const QRect kEditorAtPress(300, 690, 60, 30);
const QRgb kRed = qRgb(255, 0, 0);
const QRgb kBlue = qRgb(17, 129, 254);

class TextToolTest : public ::testing::Test {
public:  // the table rows below reach the capture too
    void SetUp() override {
        window = std::make_unique<CaptureWindow>(platform.services(), texts, 0);
        window->doCapture();
        sendDrag(window->view(), kSelection.topLeft(),
                 {kSelection.center(), kSelection.bottomRight()});
        tools().onCommand(StripAction::onText);
    }
    CaptureAnnotations& tools() { return window->annotations(); }
    NSMyTextView& editor() { return *tools().textView(); }
    const CaptureModel& model() { return window->model(); }
    void click(QPointF at) {
        sendMouse(window->view(), QEvent::MouseButtonPress, at);
        sendMouse(window->view(), QEvent::MouseButtonRelease, at, false);
    }
    void type(const QString& text) { typeKeys(*window, text); }
    int shapes() { return model().shapes().getShapesCount(); }
    // Pixels of `color` in an area of the flattened history (widget coordinates).
    int inkIn(const QRect& area, QRgb color) {
        const QImage image = window->view().currentImage().convertToFormat(QImage::Format_RGB32);
        int n = 0;
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x) n += image.pixel(x, y) == color;
        }
        return n;
    }

    FakePlatform platform;
    UiTexts texts;
    std::unique_ptr<CaptureWindow> window;
};

TEST_F(TextToolTest, APressOpensAFocusedEmptyEditorInThePensColourAndSize) {
    ASSERT_NE(tools().textView(), nullptr) << "made with the toolbar";
    EXPECT_FALSE(editor().isVisible()) << "hidden until a press";
    platform.log.lines.clear();
    click(kPress);
    EXPECT_TRUE(platform.log.has("CAPTURE_STATE_TEXT"));
    ASSERT_TRUE(editor().isVisible());
    EXPECT_TRUE(tools().textViewVisible());
    EXPECT_EQ(editor().geometry(), kEditorAtPress);
    EXPECT_EQ(window->focusWidget(), &editor()) << "keys go to the editor";
    EXPECT_TRUE(editor().toPlainText().isEmpty());
    EXPECT_EQ(editor().font().family(), QStringLiteral("Arial"));
    EXPECT_EQ(editor().font().pixelSize(), 16) << "the pop-up's \"16pt\"";
    EXPECT_EQ(editor().penColor(), QColor(kRed));
    EXPECT_FALSE(editor().acceptRichText());
    EXPECT_EQ(editor().lineWrapMode(), QTextEdit::NoWrap);
    EXPECT_TRUE(editor().testAttribute(Qt::WA_InputMethodEnabled));
    // The overlay draws its frame around the editor.
    EXPECT_EQ(model().overlayScene().textEditorFrame, (Rect{300, 180, 60, 30}));
    EXPECT_EQ(model().shapes().currShape().m_textSize, 16);
}

TEST_F(TextToolTest, TypingGrowsTheEditorAndTheKeysOfTheCaptureGoToIt) {
    click(kPress);
    type(QStringLiteral("Hi\nthere worldW"));
    sendKey(*window, Qt::Key_Backspace);
    EXPECT_EQ(editor().toPlainText(), QStringLiteral("Hi\nthere world"))
        << "Return breaks the line, W is a letter, Backspace deletes";
    EXPECT_FALSE(platform.processExit.status.has_value()) << "Return and W did not finish";
    // Two lines: taller and wider than the opening box, top edge (view y = 210) kept.
    const Rect frame = *model().overlayScene().textEditorFrame;
    EXPECT_GT(frame.height, 30);
    EXPECT_GT(frame.width, 60);
    EXPECT_EQ(frame.top(), 210);
    EXPECT_EQ(frame.x, 300);
    EXPECT_EQ(editor().geometry(), QRect(300, 690, int(frame.width), int(frame.height)));
    EXPECT_EQ(editor().horizontalScrollBar()->value(), 0) << "all of the text shows";
    EXPECT_EQ(editor().verticalScrollBar()->value(), 0);

    // No further than the selection's right edge (view x = 1000).
    type(QString(120, u'm'));
    EXPECT_EQ(editor().geometry().right() + 1, 1000);
}

// What ends a text being typed, and what it leaves.
struct CommitCase {
    const char* name;
    std::function<void(TextToolTest&)> commit;
    CaptureState stateAfter;
    bool finished;  // the capture ended with the image
};

class TextCommit : public TextToolTest, public testing::WithParamInterface<CommitCase> {};

TEST_P(TextCommit, TheTextBecomesOneShapeFlattenedWhereItWasTyped) {
    const CommitCase& c = GetParam();
    click(kPress);
    type(QStringLiteral("Hi\nthere"));
    c.commit(*this);
    ASSERT_EQ(shapes(), 1);
    const DrawShape& s = model().shapes().arrayShapes().back();
    EXPECT_EQ(s.m_eType, ToolType::ToolText);
    EXPECT_EQ(s.m_textString, QStringLiteral("Hi\nthere"));
    EXPECT_EQ(s.m_rect.x, 305);
    EXPECT_EQ(s.m_rect.top(), 210);
    EXPECT_FALSE(editor().isVisible());
    EXPECT_FALSE(model().overlayScene().textEditorFrame.has_value());
    EXPECT_EQ(model().captureState(), c.stateAfter);
    EXPECT_FALSE(
        qobject_cast<SpecialNSButton*>(tools().toolStrips().control("undoButton"))->isDisabled());
    // Red ink in both lines, right of the press, and none above the editor.
    EXPECT_GT(inkIn(QRect(305, 690, 60, 18), kRed), 5) << "first line";
    EXPECT_GT(inkIn(QRect(305, 708, 60, 18), kRed), 5) << "second line";
    EXPECT_EQ(inkIn(QRect(280, 650, 120, 40), kRed), 0);
    if (c.finished) {
        ASSERT_EQ(platform.processExit.status, 1) << "finished";
        const QImage pasted = platform.clipboard.image.convertToFormat(QImage::Format_RGB32);
        int ink = 0;
        for (int y = 490; y < 526; ++y) {
            for (int x = 105; x < 165; ++x) ink += pasted.pixel(x, y) == kRed;
        }
        EXPECT_GT(ink, 10) << "the text is in the finished image";
    } else {
        EXPECT_FALSE(platform.processExit.status.has_value());
        EXPECT_EQ(window->focusWidget(), window.get()) << "keys go back to the capture";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Ways, TextCommit,
    testing::Values(
        CommitCase{"NextPress",
                   [](TextToolTest& t) {
                       t.click({600, 500});
                   },
                   CAPTURE_STATE_TEXT, false},
        CommitCase{"OtherTool", [](TextToolTest& t) { t.tools().onCommand(StripAction::onArrow); },
                   CAPTURE_STATE_ARROW, false},
        CommitCase{"DoubleClickInside",
                   [](TextToolTest& t) {
                       sendMouse(t.window->view(), QEvent::MouseButtonDblClick, {600, 500});
                   },
                   CAPTURE_STATE_TEXT, true},
        CommitCase{"FinishButton", [](TextToolTest& t) { t.tools().onCommand(StripAction::onOK); },
                   CAPTURE_STATE_TEXT, true},
        CommitCase{"AppendTextTwice",
                   [](TextToolTest& t) {
                       t.tools().appendText();
                       t.tools().appendText();  // safe at any time
                   },
                   CAPTURE_STATE_TEXT, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TextToolTest, SecondPressCommitsOnlyThirdOpensAgain) {
    click(kPress);
    type(QStringLiteral("ab"));
    click({600, 500});
    EXPECT_EQ(shapes(), 1);
    EXPECT_FALSE(editor().isVisible()) << "the second press opens nothing";
    click({600, 500});
    EXPECT_TRUE(editor().isVisible());
    EXPECT_TRUE(editor().toPlainText().isEmpty()) << "a new, empty text";
    EXPECT_EQ(editor().geometry(), QRect(600, 490, 60, 30));
}

TEST_F(TextToolTest, EmptyTextMakesNoShapeAndLeavesUndoAlone) {
    click(kPress);
    click({600, 500});
    EXPECT_EQ(shapes(), 0);
    EXPECT_FALSE(editor().isVisible());
    EXPECT_TRUE(
        qobject_cast<SpecialNSButton*>(tools().toolStrips().control("undoButton"))->isDisabled());
    EXPECT_EQ(window->view().currentImage().cacheKey(), window->view().originImage().cacheKey());
}

TEST_F(TextToolTest, UndoWhileTypingDropsTheTextAndKeepsTheShapes) {
    click(kPress);
    type(QStringLiteral("kept"));
    click({600, 500});
    ASSERT_EQ(shapes(), 1);
    const qint64 flattened = window->view().currentImage().cacheKey();
    click(kPress);
    type(QStringLiteral("dropped"));
    platform.log.lines.clear();
    sendKey(*window, Qt::Key_Z, QString(), Qt::ControlModifier);  // from the editor's focus
    EXPECT_FALSE(editor().isVisible());
    EXPECT_EQ(shapes(), 1) << "no shape removed";
    EXPECT_FALSE(platform.log.has("onUndo")) << "only the typing was undone";
    EXPECT_EQ(window->view().currentImage().cacheKey(), flattened);
    tools().onCommand(StripAction::onArrow);  // a later commit finds nothing to commit
    EXPECT_EQ(shapes(), 1);
    // The next undo removes the shape as usual.
    tools().onUndo();
    EXPECT_EQ(shapes(), 0);
}

TEST_F(TextToolTest, EscapeWhileTypingStillCancels) {
    click(kPress);
    type(QStringLiteral("x"));
    sendKey(*window, Qt::Key_Escape);
    EXPECT_EQ(platform.processExit.status, 2) << "cancelled";
    EXPECT_TRUE(platform.log.has("Cancel..."));
    EXPECT_TRUE(platform.clipboard.image.isNull());
}

TEST_F(TextToolTest, ColourAndFontSizeWhileTypingApplyToTheEditorAndTheShape) {
    click(kPress);
    type(QStringLiteral("Big"));
    const int heightBefore = editor().height();
    tools().onCommand(StripAction::onChangeColorEx, 2);
    tools().handlePopBtn(9);  // "48pt"
    EXPECT_EQ(editor().penColor(), QColor(kBlue));
    EXPECT_EQ(editor().font().pixelSize(), 48);
    EXPECT_GT(editor().height(), heightBefore) << "the box follows the larger text";
    EXPECT_EQ(window->focusWidget(), &editor()) << "still typing";
    tools().appendText();
    ASSERT_EQ(shapes(), 1);
    EXPECT_EQ(model().shapes().arrayShapes().back().m_textSize, 48);
    EXPECT_EQ(model().shapes().arrayShapes().back().m_penColor, palette()[2].color);
    EXPECT_GT(inkIn(QRect(305, 690, 100, 55), kBlue), 50);
}

TEST_F(TextToolTest, TheInsertionPointIsDrawnInThePensColour) {
    click(kPress);
    tools().onCommand(StripAction::onChangeColorEx, 2);
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(editor().hasFocus());
    type(QStringLiteral("ab"));
    const QRect caret = editor().cursorRect();  // viewport coordinates, before the blink
    const QPoint middle =
        editor().viewport()->mapTo(window.get(), QPoint(caret.left(), caret.center().y()));
    const QImage shown = window->grab(QRect(middle, QSize(1, 1))).toImage();
    EXPECT_EQ(shown.pixel(0, 0), kBlue) << "not the screen inverted under it";
}

TEST_F(TextToolTest, PastedContentIsPlainTextOnly) {
    click(kPress);
    QMimeData rich;
    rich.setHtml(QStringLiteral("<b>bold</b><img src=\"https://example.invalid/x.png\">"));
    rich.setText(QStringLiteral("bold"));
    rich.setImageData(QImage(8, 8, QImage::Format_RGB32));
    editor().insertFromMimeData(&rich);
    EXPECT_EQ(editor().toPlainText(), QStringLiteral("bold"));
    EXPECT_FALSE(editor().document()->toHtml().contains(QStringLiteral("<img")));
    EXPECT_FALSE(editor().document()->toHtml().contains(QStringLiteral("font-weight:700")));
    QMimeData imageOnly;
    imageOnly.setImageData(QImage(8, 8, QImage::Format_RGB32));
    EXPECT_FALSE(editor().canInsertFromMimeData(&imageOnly));
    editor().insertFromMimeData(&imageOnly);
    EXPECT_EQ(editor().toPlainText(), QStringLiteral("bold"));
}

// What the editor shows and what the committed shape paints, pixel for pixel.
class TextPixels : public TextToolTest, public testing::WithParamInterface<const char*> {};

TEST_P(TextPixels, TheShapeLandsOnThePixelsTheEditorShowed) {
    click(kPress);
    typeKeys(*window, QString::fromUtf8(GetParam()));
    editor().clearFocus();  // the blinking insertion point is not part of the text
    // Inside the editor, away from the overlay's frame around it (2 points at the left).
    const QRect area = editor().geometry().adjusted(2, 0, 0, 0);
    const QImage typed = window->grab(area).toImage().convertToFormat(QImage::Format_RGB32);
    tools().appendText();
    window->view().repaint();
    const QImage painted = window->grab(area).toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(typed.size(), painted.size());
    int ink = 0, differing = 0;
    for (int y = 0; y < typed.height(); ++y) {
        for (int x = 0; x < typed.width(); ++x) {
            ink += painted.pixel(x, y) == kRed;
            differing += typed.pixel(x, y) != painted.pixel(x, y);
        }
    }
    EXPECT_GT(ink, 10) << "the text was painted";
    EXPECT_EQ(differing, 0) << "pixels that differ between the editor and the shape";
}

INSTANTIATE_TEST_SUITE_P(Texts, TextPixels,
                         testing::Values("Hi\nthere", "Wg|\n\nqy 42", "截图\n中文"));

}  // namespace
