#include "annotate/shape_history.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "annotate/shape_bounds.h"
#include "platform/log.h"

namespace {

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
    m_done.clear();
    m_undone.clear();
    m_selected.reset();
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
    m_done.push_back({Edit::Kind::Add, m_arrayShapes.size() - 1, {}, m_currShape});
    m_undone.clear();
    resetCurrPen();
    return AddShapeResult::Added;
}

DrawShape textShape(const DrawShape& style, const QString& text, const Rect& f) {
    DrawShape shape = style;
    shape.brushPoints = {};
    shape.brushCount = 0;
    shape.m_eType = ToolType::ToolText;
    shape.m_textString = text;
    shape.m_startPoint = {f.x + 4, f.y + 4};
    shape.m_textrect = {f.x + 5, f.y, f.width, f.height};
    // Unlimited width: the shape never wraps a line the editor did not wrap.
    shape.m_rect = {f.x + 5, f.y, FLT_MAX, f.height};
    return shape;
}

Rect textEditorFrame(const DrawShape& text) {
    const Rect& area = text.m_textrect;
    return {area.x - 5, area.y, area.width, area.height};
}

AddShapeResult ShapeHistory::addText(const QString& text, const Rect& editorFrame) {
    if (text.isEmpty()) return AddShapeResult::NothingDrawn;
    m_currShape = textShape(m_currShape, text, editorFrame);
    return addNewShape();
}

void ShapeHistory::apply(const Edit& e, bool forward) {
    using enum Edit::Kind;
    const auto at = m_arrayShapes.begin() + static_cast<std::ptrdiff_t>(e.index);
    if (e.kind == Change) {
        *at = forward ? e.after : e.before;
    } else if ((e.kind == Add) == forward) {
        m_arrayShapes.insert(at, e.kind == Add ? e.after : e.before);
    } else {
        m_arrayShapes.erase(at);
    }
}

bool ShapeHistory::unDo() {
    if (m_done.empty()) return false;
    m_selected.reset();
    apply(m_done.back(), false);
    m_undone.push_back(std::move(m_done.back()));
    m_done.pop_back();
    return true;
}

bool ShapeHistory::reDo() {
    if (m_undone.empty()) return false;
    m_selected.reset();
    apply(m_undone.back(), true);
    m_done.push_back(std::move(m_undone.back()));
    m_undone.pop_back();
    return true;
}

std::optional<ShapeHold> ShapeHistory::holdAt(Point p) const {
    if (m_selected) {
        const auto grip = gripAt(m_arrayShapes[*m_selected], p);
        if (grip && grip->part != ShapeGrip::Part::Body) return ShapeHold{*m_selected, *grip};
    }
    for (size_t i = m_arrayShapes.size(); i-- > 0;) {
        if (const auto grip = gripAt(m_arrayShapes[i], p)) return ShapeHold{i, *grip};
    }
    return std::nullopt;
}

void ShapeHistory::select(std::optional<size_t> index) {
    m_selected = index && *index < m_arrayShapes.size() ? index : std::nullopt;
}

void ShapeHistory::preview(size_t index, const DrawShape& shape) {
    if (index < m_arrayShapes.size()) m_arrayShapes[index] = shape;
}

void ShapeHistory::change(size_t index, const DrawShape& before, const DrawShape& after) {
    if (index >= m_arrayShapes.size()) return;
    m_arrayShapes[index] = after;
    if (before == after) return;
    m_done.push_back({Edit::Kind::Change, index, before, after});
    m_undone.clear();
}

void ShapeHistory::remove(size_t index, const DrawShape& before) {
    if (index >= m_arrayShapes.size()) return;
    m_arrayShapes.erase(m_arrayShapes.begin() + static_cast<std::ptrdiff_t>(index));
    m_done.push_back({Edit::Kind::Remove, index, before, {}});
    m_undone.clear();
    m_selected.reset();
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
            m_currShape.m_rect = spannedRect(start, current);
            return;
        case ToolType::ToolArrow:
            m_currShape.m_eType = tool;
            m_currShape.m_startPoint = start;
            m_currShape.m_endPoint = current;
            m_currShape.m_rect = spannedRect(start, current);
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
