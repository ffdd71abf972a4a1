#include "annotate/text_entry.h"

#include <algorithm>

Rect textEditorFrameAt(Point p) {
    return {p.x, p.y - 20, TextEntry::kMinimumSize.width, TextEntry::kMinimumSize.height};
}

namespace {

// Rounded to single precision for certain: GCC 12 at -O2 folded a plain static_cast<float>
// back to double in this file (measured: the limit kept its double value).
double singlePrecision(double v) {
    volatile float rounded = static_cast<float>(v);
    return rounded;
}

}  // namespace

Size textEditorMaxSize(const Rect& selection, const Rect& frame) {
    return {singlePrecision(selection.right() - frame.x),
            singlePrecision(frame.top() - selection.bottom())};
}

TextEntry::Press TextEntry::press(Point p, const Rect& selection) {
    if (m_visible) return Press::Committed;
    m_frame = textEditorFrameAt(p);
    m_maxSize = textEditorMaxSize(selection, m_frame);
    m_visible = true;
    return Press::Opened;
}

void TextEntry::reopen(const DrawShape& text, const Rect& selection) {
    m_frame = textEditorFrame(text);
    m_maxSize = textEditorMaxSize(selection, m_frame);
    m_visible = true;
}

const Rect& TextEntry::fitContent(Size content) {
    // The opening size stays even where the selection leaves less room: the press lies
    // inside the selection, so the box starts there and the shape is cut with the selection.
    const auto side = [](double wanted, double most, double least) {
        return std::max(least, std::min(wanted, most));
    };
    const double top = m_frame.top();
    m_frame.width = side(content.width, m_maxSize.width, kMinimumSize.width);
    m_frame.height = side(content.height, m_maxSize.height, kMinimumSize.height);
    m_frame.y = top - m_frame.height;
    return m_frame;
}

AddShapeResult TextEntry::commit(ShapeHistory& shapes, const QString& text) {
    if (!m_visible) return AddShapeResult::NothingDrawn;
    m_visible = false;
    return shapes.addText(text, m_frame);
}
