#include "capture/selection_interaction.h"

#include <gtest/gtest.h>

#include "support/geometry_printers.h"

#include <QStringList>

using enum CaptureState;

namespace {

// The window and the tools around the selection, recording what they are asked to do. The
// capture model is the product's own, so the hit rule is the one the window uses.
class RecordingHost : public SelectionView, public AnnotationTools {
public:
    Rect windowSelectionAt(Point p) const override {
        return window.contains(p) ? window : Rect{0, 0, 1440, 900};
    }
    void updateCursor(Point) override { calls << "cursor"; }
    void log(const QString& line) override { logs << line; }
    void onOK() override { calls << "ok"; }
    void onCancel() override { calls << "cancel"; }
    void selectionRestarted() override { calls << "restart"; }

    bool savePanelOpen() const override { return panelOpen; }
    bool isIntoolbar(Point p) const override { return toolbar.contains(p); }
    bool textViewVisible() const override { return textVisible; }
    void appendText() override { calls << "appendText"; }
    void selectionMade() override { calls << "selectionMade"; }
    void selectionChanged() override {}
    void dropAnnotations() override { calls << "drop"; }
    void toolPressed(CaptureState, Point) override { calls << "toolPressed"; }
    void toolDragged(CaptureState, Point) override { calls << "toolDragged"; }
    void commitShape() override { calls << "commit"; }
    bool grabShapeAt(Point) override { return false; }
    void dragShape(Point) override {}
    void releaseShape() override {}
    bool reopenTextAt(Point) override { return false; }

    bool panelOpen = false;
    bool textVisible = false;
    Rect toolbar;
    Rect window{200, 300, 400, 300};
    QStringList calls;
    QStringList logs;
};

class Selection : public ::testing::Test {
protected:
    Selection() : s(model, host, host) {
        model.reset({1440, 900});
        model.setCaptureState(CAPTURE_STATE_CHOOSE);
    }
    // A finished selection in state 2.
    void selected(const Rect& r) {
        model.setCaptureWindowRect(r);
        model.setCaptureState(CAPTURE_STATE_SELECTED);
        model.setDrawImageRect(r);
        model.setDrawDragPoints(true);
    }
    CaptureState state() const { return model.captureState(); }
    const Rect& selection() const { return model.captureWindowRect(); }
    bool handlesShown() const { return model.overlayScene().handlesShown; }
    bool magnifierShown() const { return model.overlayScene().magnifierShown; }

    CaptureModel model;
    RecordingHost host;
    SelectionInteraction s;
};

TEST_F(Selection, ClickTakesTheOfferedWindow) {
    s.mouseMoved({250, 350});
    EXPECT_EQ(model.drawingRect(), host.window) << "the window under the pointer is offered";
    s.mouseDown({250, 350}, 1);
    EXPECT_EQ(host.logs, QStringList{"start position: {250, 350}"});
    s.mouseUp({250, 350});
    EXPECT_EQ(state(), CAPTURE_STATE_SELECTED);
    EXPECT_EQ(selection(), host.window);
    EXPECT_TRUE(handlesShown());
    EXPECT_FALSE(magnifierShown());
    EXPECT_TRUE(host.calls.contains("selectionMade"));
}

TEST_F(Selection, TinyDragCountsAsAClick) {
    s.mouseMoved({900, 100});  // over the desktop: the whole screen is offered
    s.mouseDown({900, 100}, 1);
    s.mouseDragged({900.05, 100});
    s.mouseUp({900.05, 100});
    EXPECT_EQ(selection(), (Rect{0, 0, 1440, 900}));
}

TEST_F(Selection, DragDrawsANewSelection) {
    s.mouseMoved({100, 50});
    s.mouseDown({100, 50}, 1);
    s.mouseDragged({40, 80});
    EXPECT_EQ(model.drawingRect(), (Rect{40, 50, 60, 30}));
    EXPECT_TRUE(handlesShown());
    EXPECT_EQ(selection(), (Rect{0, 0, 1440, 900})) << "the offer stays until the release";
    s.mouseUp({40, 80});
    EXPECT_EQ(selection(), (Rect{40, 50, 60, 30}));
}

TEST_F(Selection, MoveIsClampedToTheScreen) {
    struct Row {
        Point to;
        Rect expected;
    };
    const Row rows[] = {
        {{160, 120}, {110, 120, 300, 200}},     // a plain move by (10, 20)
        {{0, 0}, {0, 0, 300, 200}},             // past the left and bottom edges: origin 0
        {{5000, 5000}, {1140, 700, 300, 200}},  // past the right and top: screen - size
    };
    for (const Row& row : rows) {
        selected({100, 100, 300, 200});
        s.mouseDown({150, 100 + 0.5 * 200}, 1);  // inside, on no handle
        ASSERT_EQ(state(), CAPTURE_STATE_MOVE);
        s.mouseDragged({row.to.x, row.to.y + 100});
        s.mouseUp({row.to.x, row.to.y + 100});
        EXPECT_EQ(selection(), row.expected) << row.to.x;
        EXPECT_EQ(state(), CAPTURE_STATE_SELECTED);
    }
}

TEST_F(Selection, ArrowKeysNudgeOnlyAFinishedSelectionAndClamp) {
    selected({100, 100, 300, 200});
    s.nudge({-1, 0});
    EXPECT_EQ(selection(), (Rect{99, 100, 300, 200}));
    s.nudge({-500, 10});
    EXPECT_EQ(selection(), (Rect{0, 110, 300, 200})) << "stops at the left edge";
    s.nudge({0, 5000});
    EXPECT_EQ(selection(), (Rect{0, 700, 300, 200})) << "stops at the top";
    EXPECT_EQ(model.drawingRect(), selection());

    model.setCaptureState(CAPTURE_STATE_RECT);
    s.nudge({10, 0});
    EXPECT_EQ(selection(), (Rect{0, 700, 300, 200})) << "not while a tool is chosen";
}

TEST_F(Selection, ResizeByEveryHandle) {
    // Selection (100, 100, 300, 200); each handle dragged to a new point.
    struct Row {
        int handle;
        Point press;
        Point to;
        Rect expected;
    };
    const Row rows[] = {
        {0, {100, 100}, {90, 80}, {90, 80, 310, 220}},
        {1, {100, 200}, {150, 999}, {150, 100, 250, 200}},
        {2, {100, 300}, {120, 330}, {120, 100, 280, 230}},
        {3, {250, 300}, {0, 250}, {100, 100, 300, 150}},
        {4, {400, 300}, {450, 310}, {100, 100, 350, 210}},
        {5, {400, 200}, {380, 0}, {100, 100, 280, 200}},
        {6, {400, 100}, {420, 120}, {100, 120, 320, 180}},
        {7, {250, 100}, {999, 50}, {100, 50, 300, 250}},
        // Past the opposite edge: the rectangle flips and stays non-negative.
        {0, {100, 100}, {500, 400}, {400, 300, 100, 100}},
        {5, {400, 200}, {50.4, 0}, {50, 100, 50, 200}},  // rounded to whole points
    };
    for (const Row& row : rows) {
        selected({100, 100, 300, 200});
        s.mouseDown(row.press, 1);
        ASSERT_EQ(state(), CAPTURE_STATE_RESIZE) << row.handle;
        EXPECT_EQ(s.dragDirection, static_cast<Handle>(row.handle));
        s.mouseDragged(row.to);
        EXPECT_EQ(selection(), row.expected) << "handle " << row.handle;
        s.mouseUp(row.to);
    }
}

TEST_F(Selection, FlippedHandleKeepsMoving) {
    selected({100, 100, 300, 200});
    s.mouseDown({100, 100}, 1);
    s.mouseDragged({500, 400});  // past the top-right corner
    s.mouseDragged({600, 450});  // the same handle keeps following
    EXPECT_EQ(selection(), (Rect{400, 300, 200, 150}));
}

TEST_F(Selection, DoubleClick) {
    s.mouseDown({250, 350}, 2);
    EXPECT_FALSE(host.calls.contains("ok")) << "ignored while picking";

    selected({100, 100, 300, 200});
    s.mouseDown({900, 800}, 2);
    EXPECT_FALSE(host.calls.contains("ok")) << "outside the selection";
    s.mouseDown({250, 200}, 2);
    EXPECT_EQ(host.calls.last(), "ok");

    host.calls.clear();
    host.textVisible = true;
    model.setCaptureState(CAPTURE_STATE_TEXT);
    s.mouseDown({250, 200}, 2);
    EXPECT_EQ(host.calls, (QStringList{"appendText", "ok"})) << "typed text is kept";
}

TEST_F(Selection, RightButton) {
    s.rightMouseUp({10, 10});
    EXPECT_EQ(host.calls, QStringList{"cancel"}) << "nothing selected: cancel";

    host.calls.clear();
    selected({100, 100, 300, 200});
    model.setCaptureState(CAPTURE_STATE_BRUSH);
    s.currentLocation = {150, 150};
    s.rightMouseUp({250, 350});
    EXPECT_EQ(state(), CAPTURE_STATE_CHOOSE);
    EXPECT_TRUE(host.calls.contains("drop")) << "shapes and bars are dropped";
    EXPECT_TRUE(host.calls.contains("restart"));
    EXPECT_FALSE(host.calls.contains("cancel"));
    EXPECT_EQ(s.currentLocation, (Point{0, 0}));
    EXPECT_EQ(selection(), host.window) << "the window under the pointer again";
    EXPECT_FALSE(handlesShown());
}

TEST_F(Selection, ToolStatesDrawOnlyFromInsideTheSelection) {
    selected({100, 100, 300, 200});
    model.setCaptureState(CAPTURE_STATE_RECT);
    s.mouseDown({900, 800}, 1);
    EXPECT_FALSE(s.dragEffective);
    s.mouseDragged({950, 850});
    s.mouseUp({950, 850});
    EXPECT_FALSE(host.calls.contains("toolDragged")) << "no drawing from outside";
    EXPECT_FALSE(host.calls.contains("commit")) << "a refused press ends no shape";

    host.calls.clear();
    s.mouseDown({150, 150}, 1);
    s.mouseUp({150, 150});
    EXPECT_FALSE(host.calls.contains("commit")) << "a click draws nothing";

    host.calls.clear();
    s.mouseDown({150, 150}, 1);
    EXPECT_TRUE(s.dragEffective);
    s.mouseDragged({200, 220});
    EXPECT_TRUE(host.calls.contains("toolDragged"));
    EXPECT_EQ(s.startLocation, (Point{150, 150})) << "shapes span from the press";
    s.mouseUp({200, 220});
    EXPECT_EQ(host.calls.count("commit"), 1) << "an effective drag ends one shape";

    host.calls.clear();
    selected({100, 100, 300, 200});
    s.mouseDown({900, 800}, 1);
    s.mouseUp({900, 800});
    EXPECT_FALSE(host.calls.contains("commit")) << "no tool chosen";

    model.setCaptureState(CAPTURE_STATE_TEXT);
    s.mouseDown({150, 150}, 1);
    EXPECT_TRUE(host.logs.contains("CAPTURE_STATE_TEXT"));
}

TEST_F(Selection, EverythingButMovesWaitsForAnOpenSavePanel) {
    selected({100, 100, 300, 200});
    host.panelOpen = true;
    s.mouseDown({250, 200}, 2);
    s.mouseDown({150, 150}, 1);
    s.rightMouseUp({150, 150});
    EXPECT_TRUE(host.calls.isEmpty());
    EXPECT_EQ(state(), CAPTURE_STATE_SELECTED);
    s.mouseMoved({150, 150});
    EXPECT_EQ(host.calls, QStringList{"cursor"});
}

TEST(DragHandles, HitTest) {
    const Rect sel{100, 100, 300, 200};
    const auto handles = dragRects(sel);
    struct Row {
        Point p;
        int expected;
    };
    const Row rows[] = {
        {{100, 100}, 0},     {{100, 200}, 1}, {{100, 300}, 2}, {{250, 300}, 3}, {{400, 300}, 4},
        {{400, 200}, 5},     {{400, 100}, 6}, {{250, 100}, 7}, {{102, 102}, 0},  // inside the disc
        {{102.9, 102.9}, 8},  // in the square's corner, outside its disc: inside the selection
        {{97.5, 97.5}, -1},   // outside both
        {{250, 200}, 8},     {{50, 50}, -1},  {{403, 200}, 5},  // the disc's edge counts
    };
    for (const Row& row : rows) {
        EXPECT_EQ(isInDragPoints(handles, sel, row.p), static_cast<Handle>(row.expected))
            << row.p.x << "," << row.p.y;
    }
}

}  // namespace
