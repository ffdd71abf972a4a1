#pragma once
// Where the two strips stand, whether they show, and which of their controls are marked, kept
// apart from the widgets so that it can be decided and tested without them. The widgets copy
// this state after every change (ToolStrips::sync).

#include <optional>

#include "annotate/pen_size.h"
#include "controls/strip_items.h"
#include "platform/geometry.h"

// Where showToolbar puts the strips for a selection. All in view coordinates (points, origin
// bottom-left of the captured screen).
struct StripPlacement {
    Rect toolbar;
    std::optional<Rect> colorbar;  // only when placed with the colour bar
};
StripPlacement placeStrips(const Rect& selection, double screenHeight, bool withColorbar,
                           bool mosaicTool);

class StripsState {
public:
    // Placement and visibility.
    void showToolbar(const Rect& selection, double screenHeight, bool withColorbar,
                     bool mosaicTool);
    void setToolbarShow(bool show);
    void setColorbarShow(bool show);
    bool isIntoolbar(Point p) const;
    const Rect& toolbarRect() const { return m_toolbarRect; }
    const Rect& colorbarRect() const { return m_colorbarRect; }
    bool toolbarShown() const { return m_isToolbarShow; }
    bool colorbarShown() const { return m_isColorbarShow; }

    // Marks of the toolbar: at most one tool is selected.
    void clearToolBorder() { m_selectedTool = StripAction::None; }
    void selectTool(StripAction tool) { m_selectedTool = tool; }
    StripAction selectedTool() const { return m_selectedTool; }

    // The colour and size bar.
    void selectPenSize(PenSize penSize) { m_penSize = penSize; }
    PenSize selectedPenSize() const { return m_penSize; }
    void selectSwatch(int tag) { m_swatch = tag; }
    int selectedSwatch() const { return m_swatch; }
    // The text tool shows the font sizes instead of the pen sizes.
    void setTextType(bool text) { m_textType = text; }
    bool textType() const { return m_textType; }
    // The mosaic tool hides the swatches and moves the logo next to the pen sizes.
    void setColorShow(bool forMosaic) { m_forMosaic = forMosaic; }
    bool swatchesHidden() const { return m_forMosaic; }
    double logoX() const { return m_forMosaic ? shortStartPos : fullStartPos; }

private:
    Rect m_toolbarRect;
    Rect m_colorbarRect;
    bool m_isToolbarShow = false;
    bool m_isColorbarShow = false;
    StripAction m_selectedTool = StripAction::None;
    PenSize m_penSize = kDefaultPenSize;
    int m_swatch = 0;
    bool m_textType = false;
    bool m_forMosaic = false;
};
