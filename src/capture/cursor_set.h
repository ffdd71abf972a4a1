#pragma once
// The capture's cursors, drawn from the SVG artwork in the resources at the screen's pixel
// density. Each is made on first use, so that start-up does not pay for all nine.

#include <QCursor>
#include <QString>
#include <map>

#include "capture/cursor_choice.h"

struct CursorArtwork {
    CursorKind kind;
    const char* name;  // resource ":/cursors/<name>.svg"
    int hotX;
    int hotY;
};

class CursorSet {
public:
    // The cursor for a kind; the standard arrow for Arrow (Unchanged has none).
    QCursor cursor(CursorKind kind, double devicePixelRatio);
    static const CursorArtwork* artwork(CursorKind kind);

private:
    std::map<std::pair<CursorKind, double>, QCursor> m_made;
};
