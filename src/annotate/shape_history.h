#pragma once
// The current pen and the finished shapes of one capture, with undo and redo. A gesture fills
// the pen (pressTool, dragTool); addNewShape turns it into a finished shape and empties it
// again, keeping the pen settings (size, colour, colour index, text size), which also survive
// reset: a new capture starts with the settings of the previous one.

#include <vector>

#include "annotate/draw_shape.h"

class Log;

enum class AddShapeResult {
    Added,
    NothingDrawn,     // the pen was empty: a click without a drag
    PointsNotEnough,  // a free-hand stroke of fewer than two points, dropped (and logged)
};

class ShapeHistory {
public:
    // `log` (may be null) receives "the points are not enough" for a dropped stroke.
    explicit ShapeHistory(Log* log = nullptr);

    // The pen; the colour and size bar writes its settings here.
    DrawShape& currShape() { return m_currShape; }
    const DrawShape& currShape() const { return m_currShape; }
    // Finished shapes, oldest first: the painting order.
    const std::vector<DrawShape>& arrayShapes() const { return m_arrayShapes; }

    // Empties the pen: no stroke, kind ToolNone, zero m_rect; everything else stays.
    void resetCurrPen();
    // A new capture: an empty pen, no finished shapes, nothing to redo.
    void reset();
    // Extends the pen's free-hand stroke; ignored while the pen is empty (ToolNone).
    void addBrushPoint(Point p);
    // Turns the pen into a finished shape (which clears what could be redone) and empties it.
    AddShapeResult addNewShape();
    // A committed text: the editor's frame (x, y, width, height) in view coordinates. Empty
    // text makes no shape. Goes through the pen, so the pen's colour and text size apply.
    AddShapeResult addText(const QString& text, const Rect& editorFrame);
    // Removes the last finished shape; false when there is none.
    bool unDo();
    // Restores the shape removed by the last unDo; false when there is none.
    bool reDo();
    bool canRedo() const { return !m_undone.empty(); }
    bool isHaveDrawed() const { return !m_arrayShapes.empty(); }
    int getShapesCount() const { return static_cast<int>(m_arrayShapes.size()); }

    // The gesture of a drawing tool inside the selection (rectangle to mosaic; text has its
    // own editor). A press starts a new gesture; a free-hand stroke begins at the first drag
    // position, not at the press.
    void pressTool(ToolType tool, Point p);
    // Each drag event, with the press position and the latest drag position.
    void dragTool(ToolType tool, Point start, Point current);

private:
    Log* m_log;
    DrawShape m_currShape;
    std::vector<DrawShape> m_arrayShapes;
    std::vector<DrawShape> m_undone;  // most recently undone last
};
