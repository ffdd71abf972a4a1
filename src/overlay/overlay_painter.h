#pragma once
// Paints the overlay pieces whose places overlay_layout.h decides: the size label and the
// magnifier. Coordinates given in view points; the painter works in Qt's widget coordinates.

#include <QImage>
#include <QPainter>
#include <vector>

#include "overlay/overlay_layout.h"
#include "overlay/stroke_cache.h"
#include "overlay/zoom_blit.h"
#include "platform/color.h"

class Log;
class TextSprites;

// What the magnifier keeps between paints: the zoom is put together here and copied unscaled;
// the frame and the logo line are kept shapes.
struct MagnifierCache {
    ZoomCache zoom;
    KeptShapes strokes;
};

struct MagnifierInputs {
    Point cursor;
    Rect selection;
    Size screen;
    QString logoText;
    bool anchoredToSelection = false;
    const QImage* originImage = nullptr;
    const QImage* colorImage = nullptr;
    // Without one the zoom is scaled by the painter, pixel by pixel whenever the clip is a region.
    MagnifierCache* cache = nullptr;
};

// The readout the magnifier shows for `in.cursor`; `outside` when the cursor's pixel is not
// in the colour bitmap (the colour then reads black).
struct MagnifierReadout {
    QString position;
    QString color;
    bool outside = false;
};
MagnifierReadout magnifierReadout(const MagnifierInputs& in);

// Without `text` the boxes are painted and their texts left out.
void paintSizeLabel(QPainter& painter, TextSprites* text, const Rect& selection, Size screen);

// Returns the panel's rectangle in view coordinates. Logs a readout outside the bitmap.
Rect paintMagnifier(QPainter& painter, TextSprites* text, const MagnifierInputs& in, Log* log);

// "Arial" 12, the overlay's font.
QFont overlayFont();

QColor toQColor(const Color& c);
