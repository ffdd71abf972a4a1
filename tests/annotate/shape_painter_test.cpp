// Shapes painted into images: widths, translucency, the mosaic pattern, painting order, and
// the flattened history at a device pixel ratio of 2.
#include <gtest/gtest.h>

#include <QPainter>
#include <cmath>
#include <optional>

#include "annotate/shape_painter.h"
#include "support/test_images.h"

namespace {

constexpr int kSide = 100;  // the test screen, in points

QImage filled(int side, QRgb colour, double dpr = 1) {
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(colour);
    image.setDevicePixelRatio(dpr);
    return image;
}

QImage painted(const DrawShape& shape, bool isCurrent = false, ShapePaintContext context = {},
               QRgb background = qRgb(255, 255, 255)) {
    QImage image = filled(kSide, background);
    if (context.viewHeight == 0) context.viewHeight = kSide;
    QPainter painter(&image);
    paintShape(painter, shape, isCurrent, context);
    painter.end();
    return image;
}

DrawShape shapeOf(ToolType kind, int penSize, Color colour = {0, 0, 0, 1}) {
    DrawShape s;
    s.m_eType = kind;
    s.m_penSize = PenSize(penSize);
    s.m_penColor = colour;
    return s;
}

// Black ink on white along one pixel row, in pixels of full coverage: a stroke crossing the
// row at right angles gives its width times its opacity.
double inkAlongRow(const QImage& image, int row, int from, int to) {
    double ink = 0;
    for (int x = from; x < to; ++x) ink += (255 - qRed(image.pixel(x, row))) / 255.0;
    return ink;
}

struct WidthCase {
    const char* name;
    DrawShape shape;
    double width;
    double opacity = 1;
};

void PrintTo(const WidthCase& c, std::ostream* os) {
    *os << c.name;
}

// Each shape has a vertical edge through x = 30 at row 50 (view y = 50).
DrawShape rect(int pen) {
    DrawShape s = shapeOf(ToolType::ToolRect, pen);
    s.m_rect = {30, 20, 40, 60};
    return s;
}
DrawShape ellipse(int pen) {
    DrawShape s = shapeOf(ToolType::ToolEllipse, pen);
    s.m_rect = {30, 19, 40, 61};  // centred on row 50's middle, where its edge is upright
    return s;
}
DrawShape stroke(ToolType kind, int pen, Color colour = {0, 0, 0, 1}) {
    DrawShape s = shapeOf(kind, pen, colour);
    s.brushPoints = {{30, 10}, {30, 90}};
    s.brushCount = 2;
    return s;
}

const WidthCase kWidths[] = {
    {"RectPen1", rect(1), 1},
    {"RectPen2", rect(2), 2},
    {"RectPen6", rect(6), 6},
    {"EllipsePen6", ellipse(6), 6},
    {"BrushPen1", stroke(ToolType::ToolBrush, 1), 1},
    {"BrushPen6", stroke(ToolType::ToolBrush, 6), 6},
    // Glitter: wider than the pen, at half opacity.
    {"GlitterPen1", stroke(ToolType::ToolGlitter, 1), 5, 0.5},
    {"GlitterPen2", stroke(ToolType::ToolGlitter, 2), 8, 0.5},
    {"GlitterPen6", stroke(ToolType::ToolGlitter, 6), 14, 0.5},
    // A colour's own alpha is replaced by a half, not multiplied.
    {"GlitterTranslucentColour", stroke(ToolType::ToolGlitter, 2, {0, 0, 0, 0.3}), 8, 0.5},
    // Mosaic without a pixelated screen: its pen colour, at the mosaic width.
    {"MosaicPen1NoPattern", stroke(ToolType::ToolMosaic, 1), 12},
    {"MosaicPen2NoPattern", stroke(ToolType::ToolMosaic, 2), 20},
    {"MosaicPen6NoPattern", stroke(ToolType::ToolMosaic, 6), 30},
};

class LineWidth : public ::testing::TestWithParam<WidthCase> {};

TEST_P(LineWidth, FollowsThePenSize) {
    const WidthCase& c = GetParam();
    const QImage image = painted(c.shape);
    EXPECT_NEAR(inkAlongRow(image, 50, 0, 50), c.width * c.opacity, 0.05);
    // Centred on the edge: nothing beyond half the width on either side.
    const int half = static_cast<int>(std::ceil(c.width / 2));
    // (An ellipse's curve, drawn as Bézier segments, may tint its neighbour a shade.)
    EXPECT_GE(qRed(image.pixel(30 - half - 1, 50)), 250);
    EXPECT_GE(qRed(image.pixel(30 + half, 50)), 250);
}

INSTANTIATE_TEST_SUITE_P(Shapes, LineWidth, ::testing::ValuesIn(kWidths),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Glitter, HalfOpaqueOverTheScreen) {
    const QImage image =
        painted(stroke(ToolType::ToolGlitter, 6, {1, 0, 0, 1}), false, {}, qRgb(0, 0, 200));
    const QRgb middle = image.pixel(30, 50);
    EXPECT_NEAR(qRed(middle), 128, 2);
    EXPECT_EQ(qGreen(middle), 0);
    EXPECT_NEAR(qBlue(middle), 100, 2);
}

// Every field filled in, so that any kind painting anything would show.
DrawShape everythingSet(ToolType kind) {
    DrawShape s = shapeOf(kind, 6);
    s.m_rect = {10, 10, 80, 80};
    s.m_startPoint = {10, 10};
    s.m_endPoint = {90, 90};
    s.brushPoints = {{10, 50}, {90, 50}};
    s.brushCount = 2;
    s.m_textString = QStringLiteral("XXXX");
    s.m_textSize = 30;
    return s;
}

struct NothingCase {
    const char* name;
    DrawShape shape;
    bool isCurrent;
    bool textToolActive;
};

void PrintTo(const NothingCase& c, std::ostream* os) {
    *os << c.name;
}

const NothingCase kNothing[] = {
    {"KindZero", everythingSet(ToolType{0}), false, false},
    {"KindNone", everythingSet(ToolType::ToolNone), false, false},
    {"KindNine", everythingSet(ToolType{9}), false, false},
    {"KindNegative", everythingSet(ToolType{-1}), false, false},
    // The empty pen.
    {"CurrentPenNone", everythingSet(ToolType::ToolNone), true, false},
    // While text is typed the editor shows it; the pen is not painted.
    {"CurrentPenInTextState", everythingSet(ToolType::ToolRect), true, true},
    // An arrow whose ends truncate to one point.
    {"ZeroLengthArrow",
     [] {
         DrawShape s = everythingSet(ToolType::ToolArrow);
         s.m_endPoint = {10.5, 10.9};
         return s;
     }(),
     false, false},
};

class PaintsNothing : public ::testing::TestWithParam<NothingCase> {};

TEST_P(PaintsNothing, LeavesTheImage) {
    const NothingCase& c = GetParam();
    ShapePaintContext context;
    context.textToolActive = c.textToolActive;
    EXPECT_EQ(painted(c.shape, c.isCurrent, context), filled(kSide, qRgb(255, 255, 255)));
}

INSTANTIATE_TEST_SUITE_P(Shapes, PaintsNothing, ::testing::ValuesIn(kNothing),
                         [](const auto& info) { return std::string(info.param.name); });

// The text state hides only the pen: finished shapes are still painted.
TEST(PaintsNothing, FinishedShapesPaintInTheTextState) {
    ShapePaintContext context;
    context.textToolActive = true;
    EXPECT_NE(painted(everythingSet(ToolType::ToolRect), false, context),
              filled(kSide, qRgb(255, 255, 255)));
}

// A horizontal mosaic stroke across the screen at view y = 50.
DrawShape mosaicStroke(int pen) {
    DrawShape s = shapeOf(ToolType::ToolMosaic, pen, {1, 0, 0, 1});
    s.brushPoints = {{-10, 50}, {kSide + 10, 50}};
    s.brushCount = 2;
    return s;
}

// An arrow from left to right across the same row.
DrawShape arrowAcross() {
    DrawShape s = shapeOf(ToolType::ToolArrow, 6, {0, 0, 1, 1});
    s.m_startPoint = {5, 50};
    s.m_endPoint = {95, 50};
    return s;
}

class MosaicStroke : public ::testing::TestWithParam<double> {};

// Inside the stroke every device pixel is the pixelated screen's pixel at the same place.
TEST_P(MosaicStroke, ShowsThePixelatedScreenInPlace) {
    const double dpr = GetParam();
    const int pixels = static_cast<int>(kSide * dpr);
    const QImage screen = test_images::positionImage(pixels, pixels, dpr);
    const QImage mosaic = pixelatedScreen(screen);
    ASSERT_EQ(mosaic.size(), screen.size());
    ASSERT_EQ(mosaic.devicePixelRatio(), dpr);
    ShapePaintContext context{kSide, false, &mosaic, {}};
    const QImage flat = flattenHistory(screen, std::vector{mosaicStroke(6)}, context);
    // 30 points wide around Qt's y = 50: rows 35 to 65, less one point for the soft edges.
    for (int y = static_cast<int>(36 * dpr); y < static_cast<int>(64 * dpr); ++y) {
        for (int x = 0; x < pixels; ++x) {
            ASSERT_EQ(flat.pixel(x, y), mosaic.pixel(x, y)) << "x " << x << " y " << y;
        }
    }
    // Outside it, the screen.
    EXPECT_EQ(flat.pixel(7, static_cast<int>(30 * dpr)),
              screen.pixel(7, static_cast<int>(30 * dpr)));
    // And the pixelation is in blocks of 4 points: really coarser than the screen.
    EXPECT_EQ(mosaic.pixel(static_cast<int>(7 * dpr), static_cast<int>(41 * dpr)),
              screen.pixel(static_cast<int>(4 * dpr), static_cast<int>(40 * dpr)));
}

INSTANTIATE_TEST_SUITE_P(PixelRatios, MosaicStroke, ::testing::Values(1.0, 2.0));

struct OrderCase {
    const char* name;
    std::vector<DrawShape> shapes;
    bool mosaicOnTop;
};

void PrintTo(const OrderCase& c, std::ostream* os) {
    *os << c.name;
}

const OrderCase kOrders[] = {
    // A mosaic hides what it crosses of an earlier arrow...
    {"MosaicOverArrow", {arrowAcross(), mosaicStroke(6)}, true},
    // ...and a later arrow is painted over the mosaic.
    {"ArrowOverMosaic", {mosaicStroke(6), arrowAcross()}, false},
};

class PaintingOrder : public ::testing::TestWithParam<OrderCase> {};

TEST_P(PaintingOrder, FollowsTheList) {
    const OrderCase& c = GetParam();
    const QImage screen = test_images::positionImage(kSide, kSide);
    const QImage mosaic = pixelatedScreen(screen);
    const QImage flat = flattenHistory(screen, c.shapes, {kSide, false, &mosaic, {}});
    // The arrow's head, solid blue where the mosaic does not cover it.
    for (const QPoint p : {QPoint(85, 50), QPoint(50, 50), QPoint(20, 50)}) {
        EXPECT_EQ(flat.pixel(p), c.mosaicOnTop ? mosaic.pixel(p) : qRgb(0, 0, 255)) << p.x();
    }
}

INSTANTIATE_TEST_SUITE_P(Shapes, PaintingOrder, ::testing::ValuesIn(kOrders),
                         [](const auto& info) { return std::string(info.param.name); });

// A repaint of a small area paints only the stroke's segments near it; inside that area the
// pixels must be those of the whole stroke, also where the stroke crosses itself, turns
// sharply (miter joins) or is translucent.
TEST(VisibleArea, InsideItTheSegmentsNearbyPaintAsTheWholeStroke) {
    const QImage screen = test_images::positionImage(kSide, kSide);
    const QImage mosaic = pixelatedScreen(screen);
    for (const ToolType kind : {ToolType::ToolBrush, ToolType::ToolGlitter, ToolType::ToolMosaic}) {
        DrawShape s = shapeOf(kind, 6, {1, 0, 0, 1});
        // Out, a sharp turn back, and across the first segment again.
        s.brushPoints = {{5, 20}, {90, 30}, {60, 34}, {40, 80}, {50, 5}, {95, 60}};
        s.brushCount = static_cast<int>(s.brushPoints.size());
        for (const QRectF area :
             {QRectF(40, 60, 20, 20), QRectF(80, 62, 15, 15), QRectF(0, 0, 30, 30)}) {
            const auto paint = [&](std::optional<QRectF> visible) {
                QImage image = screen.copy();
                QPainter painter(&image);
                painter.setClipRect(area);
                paintShape(painter, s, true, {kSide, false, &mosaic, visible});
                return image.copy(area.toRect());
            };
            EXPECT_TRUE(paint(area) == paint(std::nullopt))
                << "kind " << static_cast<int>(kind) << " area " << area.x() << "," << area.y();
        }
    }
}

TEST(FlattenHistory, NoShapesSharesTheScreen) {
    const QImage screen = filled(kSide, qRgb(1, 2, 3));
    const QImage flat = flattenHistory(screen, {}, {kSide, false, nullptr, {}});
    EXPECT_EQ(flat.constBits(), screen.constBits());
}

// Shapes in points land on the device pixels of a double-density screen, which stays as it
// was.
TEST(FlattenHistory, PaintsAtTheDevicePixelRatio) {
    const QImage screen = filled(2 * kSide, qRgb(255, 255, 255), 2);
    DrawShape r = shapeOf(ToolType::ToolRect, 2, {1, 0, 0, 1});
    r.m_rect = {10, 10, 50, 30};  // Qt points: left 10, top 60, right 60, bottom 90
    const QImage flat = flattenHistory(screen, std::vector{r}, {kSide, false, nullptr, {}});
    ASSERT_EQ(flat.size(), screen.size());
    EXPECT_EQ(flat.devicePixelRatio(), 2);
    EXPECT_EQ(screen.pixel(19, 150), qRgb(255, 255, 255));
    const QRgb red = qRgb(255, 0, 0), white = qRgb(255, 255, 255);
    // The left edge: 2 points = 4 device pixels centred on device column 20.
    EXPECT_EQ(flat.pixel(17, 150), white);
    for (int x = 18; x < 22; ++x) EXPECT_EQ(flat.pixel(x, 150), red) << x;
    EXPECT_EQ(flat.pixel(22, 150), white);
    // The top edge, centred on device row 120.
    EXPECT_EQ(flat.pixel(60, 117), white);
    for (int y = 118; y < 122; ++y) EXPECT_EQ(flat.pixel(60, y), red) << y;
    EXPECT_EQ(flat.pixel(60, 122), white);
}

// Large screens are painted in bands on several threads: the seams must not show, so the result
// is the one painter's over the whole image, pixel for pixel.
TEST(FlattenHistory, BandsMatchOnePainter) {
    const int side = 1100;  // at least two bands, at either pixel ratio
    for (const double dpr : {1.0, 2.0}) {
        const QImage screen = test_images::positionImage(side, side, dpr);
        const QImage mosaic = pixelatedScreen(screen);
        const double points = side / dpr;
        const ShapePaintContext context{points, false, &mosaic, {}};
        std::vector<DrawShape> shapes;
        for (const ToolType kind :
             {ToolType::ToolRect, ToolType::ToolEllipse, ToolType::ToolArrow, ToolType::ToolGlitter,
              ToolType::ToolMosaic, ToolType::ToolBrush}) {
            DrawShape s = shapeOf(kind, 6, {0.2, 0.7, 0.1, 1});
            s.m_rect = {points * 0.1, points * 0.13, points * 0.77, points * 0.71};
            s.m_startPoint = {points * 0.2, points * 0.1};
            s.m_endPoint = {points * 0.7, points * 0.93};
            for (int i = 0; i < 40; ++i) {
                s.brushPoints.push_back({points * (0.05 + i * 0.022),
                                         points * (0.5 + 0.4 * std::sin(i * 0.7 + int(kind)))});
            }
            s.brushCount = static_cast<int>(s.brushPoints.size());
            shapes.push_back(s);
        }
        QImage expected = screen.copy();
        QPainter painter(&expected);
        for (const DrawShape& s : shapes) paintShape(painter, s, false, context);
        painter.end();
        const QImage flat = flattenHistory(screen, shapes, context);
        EXPECT_EQ(flat.devicePixelRatio(), dpr);
        EXPECT_TRUE(flat == expected) << "pixel ratio " << dpr;
    }
}

// Appending a finished shape gives what flattening the whole list gives, and leaves the
// screen it was shared with alone.
TEST(FlattenHistory, AddingOneShapeMatchesAFullFlatten) {
    const QImage screen = test_images::positionImage(kSide, kSide);
    const QImage mosaic = pixelatedScreen(screen);
    const ShapePaintContext context{kSide, false, &mosaic, {}};
    QImage flat = flattenHistory(screen, {}, context);
    addToFlattenedHistory(flat, arrowAcross(), context);
    addToFlattenedHistory(flat, mosaicStroke(2), context);
    EXPECT_TRUE(flat ==
                flattenHistory(screen, std::vector{arrowAcross(), mosaicStroke(2)}, context));
    EXPECT_TRUE(screen == test_images::positionImage(kSide, kSide));
}

}  // namespace
