#include "capture/capture_model.h"

#include <cmath>

#include "annotate/shape_bounds.h"
#include "platform/view_transform.h"

using enum CaptureState;

void CaptureModel::setCaptureState(CaptureState state) {
    m_state = state;
    updateHitHandles();
}

void CaptureModel::setDrawImageRect(const Rect& selection) {
    m_drawingRect = selection;
    m_dragRect = dragRects(selection);
    if (std::trunc(selection.width) == 0) m_drawDragPoints = false;
    updateHitHandles();
}

void CaptureModel::setDrawDragPoints(bool on) {
    m_drawDragPoints = on;
    updateHitHandles();
}

void CaptureModel::setImagePaint(bool on, Point p) {
    m_drawImagePaint = on;
    m_pointer = p;
}

void CaptureModel::clearOverlay() {
    m_drawingRect = {};
    m_drawDragPoints = false;
    m_drawImagePaint = false;
    m_textEditorFrame.reset();
}

void CaptureModel::reset(Size screen) {
    m_screen = screen;
    m_state = CAPTURE_STATE_IDLE;
    m_captureWindowRect = {};
    m_hitHandles = {};
    m_shapes.reset();
    clearOverlay();
}

bool CaptureModel::handlesShown() const {
    return m_drawDragPoints && m_state <= CAPTURE_STATE_RESIZE;
}

void CaptureModel::updateHitHandles() {
    if (handlesShown()) m_hitHandles = m_dragRect;
}

OverlayScene CaptureModel::overlayScene() const {
    OverlayScene scene;
    scene.screen = m_screen;
    scene.selection = m_drawingRect;
    scene.handlesShown = handlesShown();
    scene.handles = m_dragRect;
    scene.magnifierShown = m_drawImagePaint;
    scene.pointer = m_pointer;
    scene.magnifierAnchoredToSelection = m_captureParam.DrawType != 0;
    scene.hasLogo = !m_captureParam.SetMagnifierLogoText.isEmpty();
    if (m_state == CAPTURE_STATE_TEXT) {
        scene.textEditorFrame = m_textEditorFrame;
    } else {
        scene.penArea = penRepaintArea(m_shapes.currShape());
    }
    if (const std::optional<size_t> selected = m_shapes.selected()) {
        const DrawShape& shape = m_shapes.arrayShapes()[*selected];
        scene.selectedShapeBounds = shapeBounds(shape);
        scene.selectedShapeOutlined = shape.m_eType != ToolType::ToolArrow;
        scene.selectedShapeHandles = shapeHandles(shape);
    }
    return scene;
}

Handle CaptureModel::handleAt(Point p) const {
    return isInDragPoints(m_hitHandles, m_drawingRect, pixelProbe(p));
}
