#pragma once
// The current pen and the finished shapes of one capture, with undo and redo. A gesture fills
// the pen (pressTool, dragTool); addNewShape turns it into a finished shape and empties it
// again, keeping the pen settings (size, colour, colour index, text size), which also survive
// reset: a new capture starts with the settings of the previous one. A finished shape may be
// selected and then changed or removed; every addition, change and removal is one step of
// undo and redo, in the order they were made.

#include <optional>
#include <vector>

#include "annotate/draw_shape.h"
#include "annotate/shape_grab.h"

class Log;

enum class AddShapeResult {
    Added,
    NothingDrawn,     // the pen was empty: a click without a drag
    PointsNotEnough,  // a free-hand stroke of fewer than two points, dropped (and logged)
};

// A finished shape a press at a point takes hold of, and how.
struct ShapeHold {
    size_t index = 0;
    ShapeGrip grip;
};

// A text shape of `text` typed in an editor at `editorFrame`, in the colour and text size of
// `style`; and the editor's frame a text shape was typed in.
DrawShape textShape(const DrawShape& style, const QString& text, const Rect& editorFrame);
Rect textEditorFrame(const DrawShape& text);

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
    // Takes back the last addition, change or removal; false when there is none. Lets go of
    // the selected shape.
    bool unDo();
    // Makes again what the last unDo took back; false when there is none.
    bool reDo();
    bool canUndo() const { return !m_done.empty(); }
    bool canRedo() const { return !m_undone.empty(); }
    bool isHaveDrawed() const { return !m_arrayShapes.empty(); }

    // The shape a press at `p` takes hold of: the selected shape's handles first, then the
    // shapes from the top one down.
    std::optional<ShapeHold> holdAt(Point p) const;
    std::optional<size_t> selected() const { return m_selected; }
    // Selects the shape at `index` (nullopt: none).
    void select(std::optional<size_t> index);
    // Shows `shape` in place of the shape at `index` while a change is made, without a step.
    void preview(size_t index, const DrawShape& shape);
    // The shape at `index` is now `after`, which was `before`: one step, none when they are
    // equal (a grab without a move).
    void change(size_t index, const DrawShape& before, const DrawShape& after);
    // Removes the shape at `index`; undo puts `before` back there (what it was before any
    // preview). Lets go of the selection.
    void remove(size_t index, const DrawShape& before);
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
    struct Edit {
        enum class Kind { Add, Change, Remove };
        Kind kind = Kind::Add;
        size_t index = 0;
        DrawShape before;  // Change and Remove
        DrawShape after;   // Add and Change
    };
    void apply(const Edit& edit, bool forward);

    std::vector<DrawShape> m_arrayShapes;
    std::vector<Edit> m_done;    // most recent last
    std::vector<Edit> m_undone;  // most recently undone last
    std::optional<size_t> m_selected;
};
