// The annotation tools with real input on a real X server: a selection, a tool and a colour
// from the strips, a drag, Return; then the pasted image against the screen as it was.

#include "annotate/shape_painter.h"
#include "e2e/annotation_e2e_fixture.h"

namespace {

// A rectangle drawn from (250, 200) to (450, 350): an outline of the pen's width centred on
// that rectangle's edges, in the pen's colour, and nothing else changed.
struct RectangleCase {
    const char* name;
    const char* size;    // the colour bar's pen-size control, or nullptr for the default
    const char* swatch;  // or nullptr for the default red
    int width;
    QRgb color;
    friend void PrintTo(const RectangleCase& c, std::ostream* out) { *out << c.name; }
};
class RectangleE2E : public AnnotationE2E, public testing::WithParamInterface<RectangleCase> {};

TEST_P(RectangleE2E, OutlineOfThePensWidthAndColourAndNothingElse) {
    const RectangleCase& c = GetParam();
    select();
    clickTool("rectButton");
    if (c.size) clickColorbar(c.size);
    if (c.swatch) clickColorbar(c.swatch);
    drag({250, 200}, {450, 350}, {{300, 260}, {400, 300}});
    const Result r = finishWithImage();
    const QRect drawn(inImage(250, 200), QSize(200, 150));  // edges between pixels
    const int half = c.width / 2;
    const QRegion ring = QRegion(drawn.adjusted(-half, -half, half, half)) -
                         QRegion(drawn.adjusted(half, half, -half, -half));
    const QRegion elsewhere = changedInImage(r) - ring;
    EXPECT_TRUE(elsewhere.isEmpty()) << "nothing else changed";
    int wrong = 0;
    for (const QRect& part : ring) {
        for (int y = part.top(); y <= part.bottom(); ++y) {
            for (int x = part.left(); x <= part.right(); ++x)
                wrong += r.pasted.pixel(x, y) != c.color;
        }
    }
    EXPECT_EQ(wrong, 0) << "pixels of the outline not in the pen's colour";
}

INSTANTIATE_TEST_SUITE_P(
    Pens, RectangleE2E,
    testing::Values(RectangleCase{"DefaultPen", nullptr, nullptr, 2, qRgb(255, 0, 0)},
                    RectangleCase{"LargeBluePen", "bigButton", "swatch2", 6, qRgb(17, 129, 254)}),
    [](const testing::TestParamInfo<RectangleCase>& info) { return std::string(info.param.name); });

// Strokes and the arrow: ink where the gesture went, the screen elsewhere.
class StrokeE2E : public AnnotationE2E, public testing::WithParamInterface<const char*> {};

TEST_P(StrokeE2E, PaintsWhereTheGestureWent) {
    const QString tool = QString::fromLatin1(GetParam());
    select();
    clickTool(tool);
    drag({220, 300}, {620, 300}, {{300, 300}, {400, 300}, {500, 300}});
    const Result r = finishWithImage();
    const QPoint middle = inImage(420, 300);
    const QRgb before = r.screen.pixel(middle), after = r.pasted.pixel(middle);
    if (tool == "glitterButton") {
        // Red at half alpha over the screen.
        EXPECT_NEAR(qRed(after), (255 + qRed(before)) / 2, 2);
        EXPECT_NEAR(qGreen(after), qGreen(before) / 2, 2);
    } else if (tool == "mosaicButton") {
        const QImage pixelated =
            pixelatedScreen(screenAsCaptured()).convertToFormat(QImage::Format_RGB32);
        for (int x = 300; x < 560; x += 7) {
            EXPECT_EQ(r.pasted.pixel(inImage(x, 300)), pixelated.pixel(x, 300)) << x;
        }
    } else {
        EXPECT_EQ(after, qRgb(255, 0, 0));
    }
    EXPECT_EQ(r.pasted.pixel(inImage(420, 400)), r.screen.pixel(inImage(420, 400)))
        << "away from the stroke";
}

INSTANTIATE_TEST_SUITE_P(Tools, StrokeE2E,
                         testing::Values("arrowButton", "brushButton", "glitterButton",
                                         "mosaicButton"));

TEST_F(AnnotationE2E, UndoByKeyAndButtonRedoByKey) {
    select();
    clickTool("rectButton");
    drag({200, 160}, {300, 260}, {{250, 200}});
    drag({400, 300}, {500, 400}, {{450, 350}});
    input({"key", "ctrl+z"});  // the second rectangle goes
    input({"key", "ctrl+y"});  // and comes back
    clickTool("undoButton");   // and goes again
    const Result r = finishWithImage();
    EXPECT_EQ(r.pasted.pixel(inImage(200, 200)), qRgb(255, 0, 0)) << "the first stays";
    EXPECT_EQ(r.pasted.pixel(inImage(400, 350)), r.screen.pixel(inImage(400, 350)))
        << "the second is undone";
}

}  // namespace
