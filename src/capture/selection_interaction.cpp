#include "capture/selection_interaction.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "capture/screen_geometry.h"

using enum CaptureState;

namespace {

constexpr double kClickThreshold = 0.1;

// A corner coordinate taken as a 32-bit float, plus a half, integer part kept.
double roundedCorner(double v) {
    return std::trunc(static_cast<double>(static_cast<float>(v)) + 0.5);
}

// Which coordinates of each corner (ptLefttop, ptRighttop, ptLeftbottom, ptRightbottom) follow
// the pointer while a handle is dragged. The selection spans ptLefttop and ptRightbottom.
constexpr int kFollowX = 1, kFollowY = 2, kFollowXY = 3;
struct ResizeRule {
    Handle handle;
    int follows[4];
};
constexpr ResizeRule kResizeRules[] = {
    {Handle::BottomLeft, {kFollowXY, kFollowY, kFollowX, 0}},
    {Handle::LeftMiddle, {kFollowX, 0, kFollowX, 0}},
    {Handle::TopLeft, {kFollowX, 0, kFollowXY, kFollowY}},
    {Handle::TopMiddle, {0, 0, kFollowY, kFollowY}},
    {Handle::TopRight, {0, kFollowX, kFollowY, kFollowXY}},
    {Handle::RightMiddle, {0, kFollowX, 0, kFollowX}},
    {Handle::BottomRight, {kFollowY, kFollowXY, 0, kFollowX}},
    {Handle::BottomMiddle, {kFollowY, kFollowY, 0, 0}},
};

}  // namespace

QString pointDescription(Point p) {
    return QStringLiteral("{%1, %2}").arg(QString::number(p.x), QString::number(p.y));
}

void SelectionInteraction::offerWindowAt(Point p) {
    m_model.setImagePaint(true, p);
    m_model.setCaptureWindowRect(m_view.windowSelectionAt(p));
    m_model.setDrawImageRect(m_model.captureWindowRect());
}

void SelectionInteraction::reset() {
    startLocation = {};
    currentLocation = {};
    dragDirection = Handle::Outside;
    dragEffective = false;
    m_toolDragged = false;
    m_shapeHeld = false;
}

void SelectionInteraction::mouseDown(Point p, int clickCount) {
    if (m_tools.savePanelOpen()) return;
    if (clickCount == 2) {
        if (m_model.captureState() == CAPTURE_STATE_CHOOSE) return;
        if (m_model.handleAt(p) == Handle::Inside && !m_tools.isIntoolbar(p)) {
            if (m_tools.reopenTextAt(p)) return;
            if (m_tools.textViewVisible()) m_tools.appendText();
            m_view.onOK();
        }
        return;
    }
    pressSingle(p);
}

void SelectionInteraction::pressSingle(Point p) {
    dragEffective = true;
    const CaptureState state = m_model.captureState();
    if (state >= CAPTURE_STATE_RESIZE &&
        (m_model.handleAt(p) != Handle::Inside || m_tools.isIntoolbar(p))) {
        dragEffective = false;
        return;
    }
    if (state == CAPTURE_STATE_CHOOSE) {
        startLocation = p;
        m_model.setImagePaint(true, p);
        m_view.log(QStringLiteral("start position: ") + pointDescription(p));
        m_view.updateCursor(p);
        return;
    }
    startLocation = p;
    dragDirection = m_model.handleAt(p);
    // The selection's handles first, then the shapes, then moving the selection or drawing.
    const bool overShapes =
        state == CAPTURE_STATE_SELECTED ? dragDirection == Handle::Inside : isToolState(state);
    if (overShapes && m_tools.grabShapeAt(p)) {
        m_shapeHeld = true;
        m_view.updateCursor(p);
        return;
    }
    if (state == CAPTURE_STATE_SELECTED) {
        if (dragDirection == Handle::Inside) {
            m_model.setCaptureState(CAPTURE_STATE_MOVE);
        } else if (dragDirection != Handle::Outside) {
            m_model.setCaptureState(CAPTURE_STATE_RESIZE);
            const Rect& r = m_model.captureWindowRect();
            ptLefttop = {r.x, r.y};
            ptRighttop = {r.x + r.width, r.y};
            ptLeftbottom = {r.x, r.y + r.height};
            ptRightbottom = {r.x + r.width, r.y + r.height};
            m_model.setImagePaint(true, startLocation);
        }
        m_view.updateCursor(p);
        return;
    }
    if (isToolState(state)) {
        m_toolDragged = false;
        if (state == CAPTURE_STATE_TEXT) m_view.log(QStringLiteral("CAPTURE_STATE_TEXT"));
        if (state != CAPTURE_STATE_TEXT) currentLocation = p;
        m_tools.toolPressed(state, p);
    }
    m_view.updateCursor(p);
}

void SelectionInteraction::mouseDragged(Point p) {
    if (m_tools.savePanelOpen()) return;
    if (m_shapeHeld) {
        m_tools.dragShape(p);
        return;
    }
    const CaptureState state = m_model.captureState();
    switch (state) {
        case CAPTURE_STATE_CHOOSE:
            currentLocation = p;
            m_model.setImagePaint(true, p);
            m_model.setDrawImageRect(currentRect(startLocation, currentLocation));
            m_model.setDrawDragPoints(true);
            return;
        case CAPTURE_STATE_MOVE:
            moveSelection(p);
            return;
        case CAPTURE_STATE_RESIZE:
            resizeSelection(p);
            return;
        default:
            if (dragEffective && state > CAPTURE_STATE_TEXT) {
                currentLocation = p;
                m_model.setImagePaint(false, currentLocation);
                m_tools.toolDragged(state, p);
                m_toolDragged = true;
            }
            return;
    }
}

void SelectionInteraction::moveSelection(Point p) {
    currentLocation = p;
    m_model.setImagePaint(false, currentLocation);
    moveSelectionBy({p.x - startLocation.x, p.y - startLocation.y});
    startLocation = currentLocation;
}

void SelectionInteraction::moveSelectionBy(Point d) {
    Rect r = m_model.captureWindowRect();
    const Size screenSize = m_model.screenSize();
    double ox = std::max(0.0, r.x + d.x);
    double oy = std::max(0.0, r.y + d.y);
    if (ox + r.width > screenSize.width) ox = screenSize.width - r.width;
    if (oy + r.height > screenSize.height) oy = screenSize.height - r.height;
    r.x = ox;
    r.y = oy;
    m_model.setCaptureWindowRect(r);
    m_model.setDrawImageRect(r);
    m_model.setDrawDragPoints(true);
    m_tools.selectionChanged();
}

void SelectionInteraction::nudge(Point offset) {
    if (m_model.captureState() != CAPTURE_STATE_SELECTED || m_tools.savePanelOpen()) return;
    moveSelectionBy(offset);
}

void SelectionInteraction::resizeSelection(Point p) {
    currentLocation = p;
    Point* const corners[] = {&ptLefttop, &ptRighttop, &ptLeftbottom, &ptRightbottom};
    for (const ResizeRule& rule : kResizeRules) {
        if (rule.handle != dragDirection) continue;
        for (std::size_t i = 0; i < std::size(corners); ++i) {
            if (rule.follows[i] & kFollowX) corners[i]->x = p.x;
            if (rule.follows[i] & kFollowY) corners[i]->y = p.y;
        }
    }
    const double x0 = roundedCorner(std::min(ptLefttop.x, ptRightbottom.x));
    const double x1 = roundedCorner(std::max(ptLefttop.x, ptRightbottom.x));
    const double y0 = roundedCorner(std::min(ptLefttop.y, ptRightbottom.y));
    const double y1 = roundedCorner(std::max(ptLefttop.y, ptRightbottom.y));
    m_model.setCaptureWindowRect({x0, y0, x1 - x0, y1 - y0});
    m_model.setImagePaint(true, p);
    m_model.setDrawImageRect(m_model.captureWindowRect());
    m_model.setDrawDragPoints(true);
    m_tools.selectionChanged();
    startLocation = p;
}

void SelectionInteraction::mouseUp(Point p) {
    if (m_tools.savePanelOpen()) return;
    if (m_shapeHeld) {
        m_shapeHeld = false;
        m_tools.releaseShape();
        m_view.updateCursor(p);
        return;
    }
    const CaptureState state = m_model.captureState();
    if (state == CAPTURE_STATE_CHOOSE || state == CAPTURE_STATE_MOVE ||
        state == CAPTURE_STATE_RESIZE) {
        m_model.setCaptureState(CAPTURE_STATE_SELECTED);
        if (state == CAPTURE_STATE_CHOOSE) {
            currentLocation = p;
            const Rect r = currentRect(startLocation, currentLocation);
            if (r.width >= kClickThreshold && r.height >= kClickThreshold) {
                m_model.setCaptureWindowRect(r);
            }
        }
        m_model.setDrawDragPoints(true);
        m_model.setDrawImageRect(m_model.captureWindowRect());
        m_model.setImagePaint(false, currentLocation);
        m_tools.selectionMade();
        return;
    }
    // Only a press inside the selection that was dragged makes a shape: a refused press,
    // a plain click and a release in state 2 draw nothing.
    if (isToolState(state) && dragEffective && m_toolDragged) m_tools.commitShape();
    m_toolDragged = false;
    m_view.updateCursor(p);
}

void SelectionInteraction::mouseMoved(Point p) {
    if (m_model.captureState() == CAPTURE_STATE_CHOOSE) {
        currentLocation = p;
        m_model.setDrawImageRect(
            {std::min(startLocation.x, p.x), std::min(startLocation.y, p.y), 0, 0});
        offerWindowAt(p);
    }
    m_view.updateCursor(p);
    m_model.setPointLocation(p);
}

void SelectionInteraction::rightMouseUp(Point p) {
    if (m_tools.savePanelOpen()) return;
    const CaptureState state = m_model.captureState();
    if (state == CAPTURE_STATE_IDLE || state == CAPTURE_STATE_CHOOSE) {
        m_view.onCancel();
        return;
    }
    m_model.setCaptureState(CAPTURE_STATE_CHOOSE);
    currentLocation = {0, 0};
    m_model.clearOverlay();
    m_tools.dropAnnotations();
    m_shapeHeld = false;
    m_model.setDrawDragPoints(false);
    offerWindowAt(p);
    m_view.selectionRestarted();
}
