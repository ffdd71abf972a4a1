#include "controls/strips_state.h"

#include <cmath>

namespace {

double whole(double v) {
    return std::trunc(v);
}

}  // namespace

StripPlacement placeStrips(const Rect& r, double screenHeight, bool withColorbar, bool mosaicTool) {
    const double TW = kToolbarWidth, TH = kToolbarHeight, CW = kColorbarWidth, CH = kColorbarHeight;
    // Right-aligned 3 points inside the selection's right edge, never past the left edge.
    double tx = whole(r.x + r.width - TW - 3);
    if (tx < 0) tx = 0;
    double ty = whole(r.y - TH - 3);  // 3 points below the selection
    double cy = 0;
    double top = 0;
    if (!withColorbar) {
        if (ty < 0) ty = whole(r.y + r.height + 3);
        top = ty + TH + 3;
    } else {
        cy = ty - CH - 3;
        if (TH + 3 + CH > ty) {  // no room below for both: above, the colour bar on top
            ty = whole(r.y + r.height + 3);
            cy = ty + TH + 3;
        }
        top = ty + TH + CH + 6;
    }
    if (top > screenHeight) {  // would leave the screen: inside the selection, at its top
        ty = whole(r.y + r.height - TH - 3);
        cy = ty - CH - 3;
    }
    StripPlacement placement;
    placement.toolbar = {tx, ty, TW, TH};
    if (withColorbar) {
        double cw = CW, cx = tx;
        if (mosaicTool) {
            cw = static_cast<double>(shortStartPos + 40.0f);
            cx = whole(tx + (CW - cw) * 0.5);
        }
        placement.colorbar = Rect{cx, cy, cw, CH};
    }
    return placement;
}

void StripsState::showToolbar(const Rect& selection, double screenHeight, bool withColorbar,
                              bool mosaicTool) {
    const StripPlacement p = placeStrips(selection, screenHeight, withColorbar, mosaicTool);
    m_toolbarRect = p.toolbar;
    if (p.colorbar) {
        m_colorbarRect = *p.colorbar;
        setColorbarShow(true);
    }
    setToolbarShow(true);
}

void StripsState::setToolbarShow(bool show) {
    m_isToolbarShow = show;
    if (!show) m_toolbarRect = {};
}

void StripsState::setColorbarShow(bool show) {
    m_isColorbarShow = show;
    if (!show) m_colorbarRect = {};
}

bool StripsState::isIntoolbar(Point p) const {
    return (m_isToolbarShow && m_toolbarRect.contains(p)) ||
           (m_isColorbarShow && m_colorbarRect.contains(p));
}
