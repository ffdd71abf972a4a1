#include "capture/capture_view.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPaintEvent>

#include "platform/fake/fake_log.h"

using enum CaptureState;

namespace {

constexpr int kW = 800;
constexpr int kH = 600;

QImage screenImage() {
    QImage image(kW, kH, QImage::Format_RGB32);
    for (int y = 0; y < kH; ++y) {
        for (int x = 0; x < kW; ++x) image.setPixel(x, y, qRgb(120 + x % 100, 60 + y % 150, 200));
    }
    return image;
}

class CaptureViewTest : public ::testing::Test {
protected:
    CaptureViewTest() : view(model, canvas, &log) {
        model.reset({kW, kH});
        view.setScreenRect({0, 0, kW, kH});
        canvas.freeze(screen);
        model.captureParam().TrackColor = {0, 1, 0, 1};
    }
    void select(const Rect& r, CaptureState state = CAPTURE_STATE_SELECTED) {
        model.setCaptureState(state);
        model.setDrawImageRect(r);
        model.setDrawDragPoints(true);
    }
    // What the view shows once its texts have followed the first frame.
    QImage render() {
        view.refresh();
        view.grab();
        QApplication::processEvents();
        QImage image = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
        if (const char* dir = std::getenv("QUILLET_TEST_RENDER_DIR")) {
            image.save(QString::fromLocal8Bit(dir) + "/" +
                       ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".png");
        }
        return image;
    }
    // Qt pixel (x, y) of a view point.
    static QPoint at(double x, double y) { return QPoint(int(x), int(kH - y)); }

    const QImage screen = screenImage();
    FakeLog log;
    CaptureModel model;
    CaptureCanvas canvas;
    CaptureView view;
};

TEST_F(CaptureViewTest, SelectionBrightDarkAroundBorderAndHandles) {
    select({100, 100, 300, 200});
    const QImage shot = render();
    EXPECT_EQ(shot.pixel(at(250, 200)), screen.pixel(at(250, 200))) << "inside: as grabbed";
    const QRgb outside = screen.pixel(at(600, 450));
    EXPECT_NEAR(qGreen(shot.pixel(at(600, 450))), qGreen(outside) * 0.67, 2) << "outside: dark";
    EXPECT_EQ(shot.pixel(at(250, 100)), qRgb(0, 255, 0)) << "bottom border in the track colour";
    EXPECT_EQ(shot.pixel(at(400, 250)), qRgb(0, 255, 0)) << "right border";
    // Handle 0 is a disc around (100, 100); a point 2 points left of it is off the border.
    EXPECT_EQ(shot.pixel(at(98, 100)), qRgb(0, 255, 0)) << "handle disc in state 2";

    select({100, 100, 300, 200}, CAPTURE_STATE_RECT);
    const QImage tool = render();
    EXPECT_NE(tool.pixel(at(98, 100)), qRgb(0, 255, 0)) << "no handles in a tool state";
    EXPECT_EQ(tool.pixel(at(250, 100)), qRgb(0, 255, 0)) << "the border stays";
}

// Where the window's pixels cannot be darkened directly (a screen image at another pixel ratio
// than the window, a 16-bit window), black is blended over the screen instead: the strips
// around the selection share a row or column, which must not come out darker.
TEST_F(CaptureViewTest, BlendedDarkeningIsEvenWhereTheStripsMeet) {
    QImage doubled = screen.scaled(screen.size() * 2);
    doubled.setDevicePixelRatio(2);
    canvas.freeze(doubled);
    select({100, 100, 300, 200});
    const QImage shot = render();
    for (const Point p :
         {Point{99, 50}, Point{90, 50}, Point{50, 299.5}, Point{399.5, 50}, Point{600, 450}}) {
        const QRgb want = screen.pixel(at(p.x, p.y));
        const QRgb got = shot.pixel(at(p.x, p.y));
        EXPECT_NEAR(qGreen(got), qGreen(want) * 0.67, 2) << p.x << "," << p.y;
        EXPECT_NEAR(qBlue(got), qBlue(want) * 0.67, 2) << p.x << "," << p.y;
    }
}

TEST_F(CaptureViewTest, NoSelectionIsAllDark) {
    model.setCaptureState(CAPTURE_STATE_CHOOSE);
    const QImage shot = render();
    for (const QPoint p : {QPoint(0, 0), QPoint(400, 300), QPoint(799, 599)}) {
        EXPECT_NEAR(qRed(shot.pixel(p)), qRed(screen.pixel(p)) * 0.67, 2);
    }
}

TEST_F(CaptureViewTest, SizeLabelAboveTheSelectionOrInsideNearTheTop) {
    select({100, 100, 300, 200});
    // Label box (102, 308, 70, 20): above the top edge; the label background is near black.
    QImage shot = render();
    EXPECT_LT(qGray(shot.pixel(at(104, 326))), 40);
    EXPECT_GT(qGray(shot.pixel(at(104, 290))), 100) << "inside the selection, unchanged";

    select({100, 100, 300, 495});  // top edge within 8 points of the screen top
    shot = render();
    // Moves inside: box (102, 567, 70, 20).
    EXPECT_LT(qGray(shot.pixel(at(104, 569))), 40);
    EXPECT_EQ(shot.pixel(at(300, 569)), screen.pixel(at(300, 569)));
}

TEST_F(CaptureViewTest, MagnifierFollowsTheCursorAndAvoidsEdges) {
    struct Row {
        Point cursor;
        Point panelInside;  // a point of the text panel (near black) in view coordinates
        Point awaySide;     // where the panel would be on the other side: not near black
    };
    const Row rows[] = {
        {{300, 400}, {435, 230}, {150, 230}},  // right of and below the cursor
        {{750, 400}, {731, 230}, {780, 230}},  // near the right edge: left of the cursor
        {{300, 100}, {435, 130}, {435, 10}},   // near the bottom: above the cursor
    };
    model.setCaptureState(CAPTURE_STATE_CHOOSE);
    for (const Row& row : rows) {
        model.setImagePaint(true, row.cursor);
        view.refresh();
        const QImage shot = render();
        EXPECT_LT(qGray(shot.pixel(at(row.panelInside.x, row.panelInside.y))), 30)
            << row.cursor.x << "," << row.cursor.y;
        EXPECT_GT(qGray(shot.pixel(at(row.awaySide.x, row.awaySide.y))), 30)
            << row.cursor.x << "," << row.cursor.y;
    }
}

TEST_F(CaptureViewTest, ReadoutOutsideTheScreenIsLogged) {
    model.setCaptureState(CAPTURE_STATE_CHOOSE);
    model.setImagePaint(true, {10, 1});
    render();
    EXPECT_TRUE(log.lines.isEmpty()) << log.lines.join("\n").toStdString();
    model.setImagePaint(true, {kW + 5, 10});
    render();
    ASSERT_FALSE(log.lines.isEmpty());
    for (const QString& line : log.lines) EXPECT_TRUE(line.startsWith("wrong index:"));
}

// Records the regions the view is asked to repaint.
class PaintRecorder : public QObject {
public:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) painted += static_cast<QPaintEvent*>(e)->region();
        return false;
    }
    QRegion painted;
};

qint64 area(const QRegion& r) {
    qint64 a = 0;
    for (const QRect& rect : r) a += qint64(rect.width()) * rect.height();
    return a;
}

TEST_F(CaptureViewTest, DragRepaintsOnlyWhatChanged) {
    view.show();
    select({100, 100, 400, 300});
    view.refresh();
    QApplication::processEvents();
    PaintRecorder recorder;
    view.installEventFilter(&recorder);

    model.setDrawImageRect({100, 100, 402, 301});  // the drag grows the selection a little
    view.refresh();
    QApplication::processEvents();
    ASSERT_FALSE(recorder.painted.isEmpty());
    EXPECT_FALSE(recorder.painted.contains(at(300, 250))) << "the selection's inside is kept";
    EXPECT_LT(area(recorder.painted), kW * kH / 10);

    // Resizing by the top-right handle changes the size the label shows, not its place.
    recorder.painted = QRegion();
    model.setDrawImageRect({100, 100, 420, 301});
    view.refresh();
    QApplication::processEvents();
    EXPECT_TRUE(recorder.painted.contains(at(110, 415))) << "the size label's text";

    recorder.painted = QRegion();
    model.setImagePaint(true, {600, 300});
    view.refresh();
    QApplication::processEvents();
    EXPECT_TRUE(recorder.painted.contains(at(620, 200))) << "the magnifier's area";
    EXPECT_LT(area(recorder.painted), kW * kH / 10);
}

}  // namespace
