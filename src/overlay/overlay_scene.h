#pragma once
// What the overlay shows over the frozen screen, in view coordinates: the selection with its
// border and handles, the magnifier at the pointer and the text editor's frame. The capture
// model fills it in; the pieces and the painting read it.

#include <optional>
#include <vector>

#include "overlay/selection_handles.h"
#include "platform/geometry.h"

struct OverlayScene {
    Size screen;
    Rect selection;  // as shown; no border, handles or label without a width
    bool handlesShown = false;
    HandleSquares handles{};
    bool magnifierShown = false;
    Point pointer;
    bool magnifierAnchoredToSelection = false;
    bool hasLogo = false;
    std::optional<Rect> textEditorFrame;  // while the text tool edits
    Rect penArea;  // where the shape being drawn last changed; empty while none is drawn
    // The finished shape selected for changes: its bounds (outlined unless it is an arrow) and
    // its handles; no handles while none is selected.
    Rect selectedShapeBounds;
    bool selectedShapeOutlined = false;
    std::vector<Point> selectedShapeHandles;
};
