#include "capture/drag_handles.h"

std::array<Rect, 8> dragRects(const Rect& s) {
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
    std::array<Rect, 8> rects;
    for (int i = 0; i < 8; ++i) {
        rects[i] = {anchors[i].x - kHandleSize / 2, anchors[i].y - kHandleSize / 2, kHandleSize,
                    kHandleSize};
    }
    return rects;
}

int isInDragPoints(const std::array<Rect, 8>& handles, const Rect& selection, Point p) {
    for (int i = 0; i < 8; ++i) {
        const Rect& r = handles[i];
        const double radius = r.width / 2;
        const double dx = p.x - (r.x + radius);
        const double dy = p.y - (r.y + radius);
        if (r.width > 0 && dx * dx + dy * dy <= radius * radius) return i;
    }
    return selection.contains(p) ? kHandleInside : kHandleOutside;
}
