#include "overlay/overlay_pieces.h"

#include <algorithm>

#include "overlay/overlay_layout.h"

namespace {

// How far the border with its handle discs reaches on either side of the selection's edge,
// and the border alone: the area changes with the handles, so that hiding them repaints them.
constexpr double kBorderReach = 5;
constexpr double kBorderLineReach = 2;
// The editor's frame is drawn 3 points outside the editor with a 2-point pen.
constexpr double kEditorFrameReach = 6;
// Anti-aliased edges of the label and the magnifier.
constexpr double kLabelReach = 1;
constexpr double kMagnifierReach = 3;
constexpr double kLogoTextX = 5;

Rect grown(const Rect& r, double by) {
    return {r.x - by, r.y - by, r.width + 2 * by, r.height + 2 * by};
}

}  // namespace

OverlayPieceAreas overlayPieceAreas(const OverlayScene& scene, double logoTextWidth) {
    OverlayPieceAreas areas{};
    const auto at = [&areas](OverlayPiece piece) -> Rect& {
        return areas[static_cast<int>(piece)];
    };
    // Whatever a shape paints outside the selection stays under the dark mask.
    at(OverlayPiece::CurrentShape) = scene.penArea.intersected(scene.selection);
    if (scene.textEditorFrame)
        at(OverlayPiece::TextEditorFrame) = grown(*scene.textEditorFrame, kEditorFrameReach);

    if (!scene.selectedShapeHandles.empty()) {
        at(OverlayPiece::SelectedShape) = grown(scene.selectedShapeBounds, kBorderReach + 1);
    }
    const Rect& s = scene.selection;
    if (s.width > 0 || s.height > 0) {
        const double r = scene.handlesShown ? kBorderReach : kBorderLineReach;
        at(OverlayPiece::BorderBottom) = {s.x - r, s.y - r, s.width + 2 * r, 2 * r};
        at(OverlayPiece::BorderTop) = {s.x - r, s.top() - r, s.width + 2 * r, 2 * r};
        at(OverlayPiece::BorderLeft) = {s.x - r, s.y - r, 2 * r, s.height + 2 * r};
        at(OverlayPiece::BorderRight) = {s.right() - r, s.y - r, 2 * r, s.height + 2 * r};
    }
    if (auto label = sizeLabelRect(s, scene.screen))
        at(OverlayPiece::SizeLabel) = grown(*label, kLabelReach);
    if (scene.magnifierShown) {
        const MagnifierLayout m = magnifierLayout(scene.pointer, s, scene.screen, scene.hasLogo,
                                                  scene.magnifierAnchoredToSelection);
        Rect panel{static_cast<double>(m.px), static_cast<double>(m.py), kMagnifierWidth,
                   static_cast<double>(m.height)};
        if (scene.hasLogo) {
            panel.width = std::max(panel.width, kLogoTextX + std::max(0.0, logoTextWidth) + 1);
        }
        at(OverlayPiece::Magnifier) = grown(panel, kMagnifierReach);
    }
    return areas;
}
