#include "capture/selection_interaction.h"

#include <algorithm>
#include <cmath>

#include "capture/capture_state.h"
#include "capture/drag_handles.h"
#include "capture/screen_geometry.h"

namespace {

constexpr double kClickThreshold = 0.1;

// A corner coordinate taken as a 32-bit float, plus a half, integer part kept.
double roundedCorner(double v) {
    return std::trunc(static_cast<double>(static_cast<float>(v)) + 0.5);
}

}  // namespace

QString pointDescription(Point p) {
    return QStringLiteral("{%1, %2}").arg(QString::number(p.x), QString::number(p.y));
}

void SelectionInteraction::offerWindowAt(Point p) {
    m_host.setImagePaint(true, p);
    captureWindowRect = m_host.windowSelectionAt(p);
    m_host.setDrawImageRect(captureWindowRect);
}

void SelectionInteraction::mouseDown(Point p, int clickCount) {
    if (m_host.savePanelOpen()) return;
    if (clickCount == 2) {
        if (m_host.captureState() == CAPTURE_STATE_CHOOSE) return;
        if (m_host.handleIndexAt(p) == kHandleInside && !m_host.isIntoolbar(p)) {
            if (m_host.textViewVisible()) m_host.appendText();
            m_host.onOK();
        }
        return;
    }
    pressSingle(p);
}

void SelectionInteraction::pressSingle(Point p) {
    dragEffective = true;
    const int state = m_host.captureState();
    if (state >= CAPTURE_STATE_RESIZE &&
        (m_host.handleIndexAt(p) != kHandleInside || m_host.isIntoolbar(p))) {
        dragEffective = false;
        return;
    }
    if (state == CAPTURE_STATE_CHOOSE) {
        startLocation = p;
        m_host.setImagePaint(true, p);
        m_host.log(QStringLiteral("start position: ") + pointDescription(p));
        m_host.updateCursor(p);
        return;
    }
    startLocation = p;
    dragDirection = m_host.handleIndexAt(p);
    if (state == CAPTURE_STATE_SELECTED) {
        if (dragDirection == kHandleInside) {
            m_host.setCaptureState(CAPTURE_STATE_MOVE);
        } else if (dragDirection != kHandleOutside) {
            m_host.setCaptureState(CAPTURE_STATE_RESIZE);
            const Rect& r = captureWindowRect;
            ptLefttop = {r.x, r.y};
            ptRighttop = {r.x + r.width, r.y};
            ptLeftbottom = {r.x, r.y + r.height};
            ptRightbottom = {r.x + r.width, r.y + r.height};
            m_host.setImagePaint(true, startLocation);
            m_host.redraw();
        }
        m_host.updateCursor(p);
        return;
    }
    if (isToolState(state)) {
        if (state == CAPTURE_STATE_TEXT) m_host.log(QStringLiteral("CAPTURE_STATE_TEXT"));
        if (state != CAPTURE_STATE_TEXT) currentLocation = p;
        m_host.toolPressed(state, p);
    }
    m_host.updateCursor(p);
}

void SelectionInteraction::mouseDragged(Point p) {
    if (m_host.savePanelOpen()) return;
    const int state = m_host.captureState();
    switch (state) {
        case CAPTURE_STATE_CHOOSE:
            currentLocation = p;
            m_host.setImagePaint(true, p);
            m_host.setDrawImageRect(currentRect(startLocation, currentLocation));
            m_host.setDrawDragPoints(true);
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
                m_host.setImagePaint(false, currentLocation);
                m_host.toolDragged(state, p);
                m_host.redraw();
            }
            return;
    }
}

void SelectionInteraction::moveSelection(Point p) {
    currentLocation = p;
    Rect& r = captureWindowRect;
    double ox = std::max(0.0, r.x + p.x - startLocation.x);
    double oy = std::max(0.0, r.y + p.y - startLocation.y);
    if (ox + r.width > screenSize.width) ox = screenSize.width - r.width;
    if (oy + r.height > screenSize.height) oy = screenSize.height - r.height;
    r.x = ox;
    r.y = oy;
    m_host.setImagePaint(false, currentLocation);
    m_host.setDrawImageRect(captureWindowRect);
    m_host.setDrawDragPoints(true);
    m_host.selectionChanged();
    startLocation = currentLocation;
}

void SelectionInteraction::resizeSelection(Point p) {
    currentLocation = p;
    switch (dragDirection) {
        case 0:
            ptLefttop = p;
            ptLeftbottom.x = p.x;
            ptRighttop.y = p.y;
            break;
        case 1:
            ptLefttop.x = ptLeftbottom.x = p.x;
            break;
        case 2:
            ptLeftbottom = p;
            ptLefttop.x = p.x;
            ptRightbottom.y = p.y;
            break;
        case 3:
            ptLeftbottom.y = ptRightbottom.y = p.y;
            break;
        case 4:
            ptRightbottom = p;
            ptRighttop.x = p.x;
            ptLeftbottom.y = p.y;
            break;
        case 5:
            ptRightbottom.x = ptRighttop.x = p.x;
            break;
        case 6:
            ptRighttop = p;
            ptRightbottom.x = p.x;
            ptLefttop.y = p.y;
            break;
        case 7:
            ptRighttop.y = ptLefttop.y = p.y;
            break;
        default:
            break;
    }
    const double x0 = roundedCorner(std::min(ptLefttop.x, ptRightbottom.x));
    const double x1 = roundedCorner(std::max(ptLefttop.x, ptRightbottom.x));
    const double y0 = roundedCorner(std::min(ptLefttop.y, ptRightbottom.y));
    const double y1 = roundedCorner(std::max(ptLefttop.y, ptRightbottom.y));
    captureWindowRect = {x0, y0, x1 - x0, y1 - y0};
    m_host.setImagePaint(true, p);
    m_host.setDrawImageRect(captureWindowRect);
    m_host.setDrawDragPoints(true);
    m_host.selectionChanged();
    startLocation = p;
}

void SelectionInteraction::mouseUp(Point p) {
    if (m_host.savePanelOpen()) return;
    const int state = m_host.captureState();
    if (state == CAPTURE_STATE_CHOOSE || state == CAPTURE_STATE_MOVE ||
        state == CAPTURE_STATE_RESIZE) {
        m_host.setCaptureState(CAPTURE_STATE_SELECTED);
        if (state == CAPTURE_STATE_CHOOSE) {
            currentLocation = p;
            const Rect r = currentRect(startLocation, currentLocation);
            if (r.width >= kClickThreshold && r.height >= kClickThreshold) captureWindowRect = r;
        }
        m_host.setDrawDragPoints(true);
        m_host.setDrawImageRect(captureWindowRect);
        m_host.setImagePaint(false, currentLocation);
        m_host.selectionMade();
        m_host.redraw();
        return;
    }
    m_host.commitShape();
    m_host.updateCursor(p);
    m_host.redraw();
}

void SelectionInteraction::mouseMoved(Point p) {
    if (m_host.captureState() == CAPTURE_STATE_CHOOSE) {
        currentLocation = p;
        m_host.setDrawImageRect(
            {std::min(startLocation.x, p.x), std::min(startLocation.y, p.y), 0, 0});
        offerWindowAt(p);
        m_host.redraw();
    }
    m_host.updateCursor(p);
    m_host.setPointLocation(p);
}

void SelectionInteraction::rightMouseUp(Point p) {
    if (m_host.savePanelOpen()) return;
    const int state = m_host.captureState();
    if (state == CAPTURE_STATE_IDLE || state == CAPTURE_STATE_CHOOSE) {
        m_host.onCancel();
        return;
    }
    m_host.setCaptureState(CAPTURE_STATE_CHOOSE);
    currentLocation = {0, 0};
    m_host.restartSelection();
    m_host.setDrawDragPoints(false);
    offerWindowAt(p);
    m_host.redraw();
}
