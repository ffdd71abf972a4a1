#pragma once
// Where the text tool's editor stands while the user types, in view coordinates, and what a
// press in the text state does with it: open an editor 60 x 30 points with the press 10
// points below its top edge, or end the text being typed. The editor keeps its top-left
// corner and grows right and down with its content, no further than the selection's right
// and bottom edges. Committing hands the text and the frame to the shape history.

#include <QString>

#include "annotate/shape_history.h"
#include "platform/geometry.h"

class TextEntry {
public:
    // The editor's opening size, which is also the least it ever shows.
    static constexpr Size kMinimumSize{60, 30};

    enum class Press {
        Opened,     // the editor opened at the press
        Committed,  // the text being typed was ended; nothing opens
    };

    // A press inside the selection in the text state.
    Press press(Point p, const Rect& selection);
    // Opens the editor where the finished `text` was typed, to edit it again.
    void reopen(const DrawShape& text, const Rect& selection);
    // The editor's content needs `content` points: the frame that shows it, which also
    // becomes the editor's frame.
    const Rect& fitContent(Size content);

    // Ends the text: a shape of `text` (none when it is empty) in the pen's colour and text
    // size, at the editor's frame. The editor is hidden either way; a hidden editor commits
    // nothing.
    AddShapeResult commit(ShapeHistory& shapes, const QString& text);
    // Drops the text being typed.
    void hide() { m_visible = false; }

    bool visible() const { return m_visible; }
    const Rect& frame() const { return m_frame; }
    Size maxSize() const { return m_maxSize; }

private:
    bool m_visible = false;
    Rect m_frame;
    Size m_maxSize;
};

// The editor's frame for a press at `p`: (p.x, p.y - 20, 60, 30).
Rect textEditorFrameAt(Point p);
// How large an editor at `frame` may grow inside `selection`, each side rounded to single
// precision.
Size textEditorMaxSize(const Rect& selection, const Rect& frame);
