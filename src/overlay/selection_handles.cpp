#include "overlay/selection_handles.h"

HandleSquares dragRects(const Rect& s) {
    const Point anchors[8] = {
        {s.x, s.y},
        {s.x, s.y + s.height / 2},
        {s.x, s.y + s.height},
        {s.x + s.width / 2, s.y + s.height},
        {s.x + s.width, s.y + s.height},
        {s.x + s.width, s.y + s.height / 2},
        {s.x + s.width, s.y},
        {s.x + s.width / 2, s.y},
    };
    HandleSquares rects;
    for (int i = 0; i < 8; ++i) {
        rects[i] = {anchors[i].x - kHandleSize / 2, anchors[i].y - kHandleSize / 2, kHandleSize,
                    kHandleSize};
    }
    return rects;
}

Handle isInDragPoints(const HandleSquares& handles, const Rect& selection, Point p) {
    for (int i = 0; i < 8; ++i) {
        const Rect& r = handles[i];
        const double radius = r.width / 2;
        const double dx = p.x - (r.x + radius);
        const double dy = p.y - (r.y + radius);
        if (r.width > 0 && dx * dx + dy * dy <= radius * radius) return static_cast<Handle>(i);
    }
    return selection.contains(p) ? Handle::Inside : Handle::Outside;
}
