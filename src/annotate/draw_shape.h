#pragma once
// One annotation: plain data, painted by one renderer (shape_painter.h). A finished shape is
// changed only by replacing it in the history (shape_history.h); the current pen is the same
// record, filled by a gesture.

#include <QString>
#include <vector>

#include "annotate/pen_size.h"
#include "platform/color.h"
#include "platform/geometry.h"

// The kind of a shape. A pen holds 0 before its first reset; a kind outside 1 to 7 paints
// nothing.
enum class ToolType : int {
    ToolRect = 1,
    ToolEllipse = 2,
    ToolArrow = 3,
    ToolBrush = 4,
    ToolGlitter = 5,
    ToolMosaic = 6,
    ToolText = 7,
    ToolNone = 8,
};

// Brush, glitter and mosaic: strokes that grow point by point.
constexpr bool isFreehandTool(ToolType t) {
    return t == ToolType::ToolBrush || t == ToolType::ToolGlitter || t == ToolType::ToolMosaic;
}

struct DrawShape {
    ToolType m_eType = ToolType{0};
    Point m_startPoint;  // arrow start; for text the editor's origin plus (4, 4)
    Point m_endPoint;    // arrow tip
    Rect m_rect;         // bounds of a rectangle, ellipse or arrow; a text's drawing rectangle
    Rect m_textrect;     // the text editor's frame, moved 5 points right; not painted
    PenSize m_penSize = kDefaultPenSize;
    int m_textSize = 0;  // font size of a text, in points
    int brushCount = 0;  // points added to a free-hand stroke
    int m_colorIndex = 0;
    QString m_textString;  // drawn in "Arial" at m_textSize, in m_penColor
    Color m_penColor;
    // The free-hand stroke: move to the first point, a straight line to each next one.
    std::vector<Point> brushPoints;
    friend bool operator==(const DrawShape&, const DrawShape&) = default;
};
