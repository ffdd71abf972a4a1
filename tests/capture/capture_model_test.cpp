#include "capture/capture_model.h"

#include <gtest/gtest.h>

#include "support/geometry_printers.h"

using enum CaptureState;

namespace {

// What a press at a point hits, as the selection interaction and the cursor ask it.
TEST(CaptureModel, HitTestFollowsTheSelectionAndKeepsHiddenHandles) {
    CaptureModel model;
    model.reset({800, 600});
    model.setCaptureState(CAPTURE_STATE_SELECTED);
    model.setDrawImageRect({100, 100, 300, 200});  // never painted: counts at once
    model.setDrawDragPoints(true);
    struct Row {
        Point p;
        Handle expected;
    };
    const Row selected[] = {
        {{250, 200}, Handle::Inside},
        {{400, 300}, Handle::TopRight},
        {{100, 100}, Handle::BottomLeft},
        {{250, 300}, Handle::TopMiddle},  // the pixel below the top edge holds the disc
        {{250, 299}, Handle::TopMiddle},
        {{250, 304}, Handle::Outside},
        {{50, 50}, Handle::Outside},
        // The selection's own pixel rows: the top row's corner is on the top edge and counts,
        // the row above does not; the bottom row (corner one point above the edge) counts.
        {{200, 300}, Handle::Inside},
        {{200, 301}, Handle::Outside},
        {{200, 101}, Handle::Inside},
        {{200, 100}, Handle::Outside},
    };
    for (const Row& row : selected) {
        EXPECT_EQ(model.handleAt(row.p), row.expected) << row.p.x << "," << row.p.y;
    }

    model.setDrawImageRect({500, 300, 100, 100});  // moved before any paint
    EXPECT_EQ(model.handleAt({250, 200}), Handle::Outside) << "the old place no longer counts";
    EXPECT_EQ(model.handleAt({550, 350}), Handle::Inside);

    // A tool hides the handles; they keep counting where they were last shown.
    model.setCaptureState(CAPTURE_STATE_RECT);
    model.setDrawImageRect({520, 320, 60, 60});
    EXPECT_EQ(model.handleAt({500, 301}), Handle::BottomLeft);
    EXPECT_FALSE(model.overlayScene().handlesShown);
}

TEST(CaptureModel, OverlaySceneFollowsStateAndParameters) {
    CaptureModel model;
    model.reset({800, 600});
    model.captureParam().SetMagnifierLogoText.clear();
    model.captureParam().DrawType = 1;
    model.setCaptureState(CAPTURE_STATE_CHOOSE);
    model.setDrawDragPoints(true);
    model.setDrawImageRect({10, 10, 0.5, 40});  // under a point wide: no handles
    model.setImagePaint(true, {30, 40});
    model.setTextEditorFrame(Rect{20, 20, 60, 30});
    OverlayScene scene = model.overlayScene();
    EXPECT_FALSE(scene.handlesShown);
    EXPECT_TRUE(scene.magnifierShown);
    EXPECT_EQ(scene.pointer, (Point{30, 40}));
    EXPECT_TRUE(scene.magnifierAnchoredToSelection);
    EXPECT_FALSE(scene.hasLogo);
    EXPECT_FALSE(scene.textEditorFrame) << "the editor's frame shows with the text tool only";

    model.setCaptureState(CAPTURE_STATE_TEXT);
    EXPECT_EQ(model.overlayScene().textEditorFrame, (Rect{20, 20, 60, 30}));

    model.clearOverlay();
    scene = model.overlayScene();
    EXPECT_FALSE(scene.magnifierShown);
    EXPECT_EQ(scene.selection, Rect{});
    EXPECT_FALSE(scene.textEditorFrame);
    EXPECT_EQ(model.captureState(), CAPTURE_STATE_TEXT) << "the state is not the overlay's";
}

}  // namespace
