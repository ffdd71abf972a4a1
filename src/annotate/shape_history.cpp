#include "annotate/shape_history.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "platform/log.h"

namespace {

// The rectangle two drag positions span, in single precision as shapes always were.
Rect spanned(Point a, Point b) {
    const float ax = static_cast<float>(a.x), ay = static_cast<float>(a.y);
    const float bx = static_cast<float>(b.x), by = static_cast<float>(b.y);
    return {std::min(ax, bx), std::min(ay, by), std::fabs(ax - bx), std::fabs(ay - by)};
}

bool isShapeTool(ToolType t) {
    return t == ToolType::ToolRect || t == ToolType::ToolEllipse || t == ToolType::ToolArrow;
}

}  // namespace

ShapeHistory::ShapeHistory(Log* log) : m_log(log) {
    m_currShape.m_penSize = kDefaultPenSize;
    m_currShape.m_penColor = Color{1, 0, 0, 1};
    m_arrayShapes.reserve(10);
}

void ShapeHistory::resetCurrPen() {
    m_currShape.brushPoints = {};  // releases the memory of a long stroke
    m_currShape.brushCount = 0;
    m_currShape.m_eType = ToolType::ToolNone;
    m_currShape.m_rect = {};
}

void ShapeHistory::reset() {
    resetCurrPen();
    m_arrayShapes.clear();
    m_undone.clear();
}

void ShapeHistory::addBrushPoint(Point p) {
    if (m_currShape.m_eType == ToolType::ToolNone) return;
    m_currShape.brushPoints.push_back(p);
    ++m_currShape.brushCount;
}

AddShapeResult ShapeHistory::addNewShape() {
    if (m_currShape.m_eType == ToolType::ToolNone) return AddShapeResult::NothingDrawn;
    if (isFreehandTool(m_currShape.m_eType) && m_currShape.brushCount <= 1) {
        resetCurrPen();
        if (m_log) m_log->write(QStringLiteral("the points are not enough"));
        return AddShapeResult::PointsNotEnough;
    }
    m_arrayShapes.push_back(m_currShape);
    m_undone.clear();
    resetCurrPen();
    return AddShapeResult::Added;
}

AddShapeResult ShapeHistory::addText(const QString& text, const Rect& editorFrame) {
    if (text.isEmpty()) return AddShapeResult::NothingDrawn;
    const Rect& f = editorFrame;
    m_currShape.m_eType = ToolType::ToolText;
    m_currShape.m_textString = text;
    m_currShape.m_startPoint = {f.x + 4, f.y + 4};
    m_currShape.m_textrect = {f.x + 5, f.y, f.width, f.height};
    // Unlimited width: the shape never wraps a line the editor did not wrap.
    m_currShape.m_rect = {f.x + 5, f.y, FLT_MAX, f.height};
    return addNewShape();
}

bool ShapeHistory::unDo() {
    if (m_arrayShapes.empty()) return false;
    m_undone.push_back(std::move(m_arrayShapes.back()));
    m_arrayShapes.pop_back();
    return true;
}

bool ShapeHistory::reDo() {
    if (m_undone.empty()) return false;
    m_arrayShapes.push_back(std::move(m_undone.back()));
    m_undone.pop_back();
    return true;
}

void ShapeHistory::pressTool(ToolType tool, Point p) {
    // A gesture whose release never came (the pointer grab was lost) must not carry on into
    // this one: a stroke would join the old one with a line.
    resetCurrPen();
    if (isShapeTool(tool)) {
        m_currShape.m_rect = {};
    } else if (isFreehandTool(tool)) {
        addBrushPoint(p);  // the pen is still empty: the stroke starts at the first drag
    }
}

void ShapeHistory::dragTool(ToolType tool, Point start, Point current) {
    switch (tool) {
        case ToolType::ToolRect:
        case ToolType::ToolEllipse:
            m_currShape.m_eType = tool;
            m_currShape.m_rect = spanned(start, current);
            return;
        case ToolType::ToolArrow:
            m_currShape.m_eType = tool;
            m_currShape.m_startPoint = start;
            m_currShape.m_endPoint = current;
            m_currShape.m_rect = spanned(start, current);
            return;
        case ToolType::ToolBrush:
        case ToolType::ToolGlitter:
        case ToolType::ToolMosaic:
            m_currShape.m_eType = tool;
            addBrushPoint(current);
            return;
        default:
            return;
    }
}
