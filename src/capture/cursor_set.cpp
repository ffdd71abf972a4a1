#include "capture/cursor_set.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>
#include <cmath>

namespace {

const CursorArtwork kArtwork[] = {
    {CursorKind::Cross, "cursor_cross", 11, 11},
    {CursorKind::Move, "cursor_move", 12, 12},
    {CursorKind::LeftRight, "cursor_leftright", 12, 5},
    {CursorKind::TopBottom, "cursor_top_bottom", 5, 12},
    {CursorKind::LeftTop, "cursor_lefttop_rightbottom", 9, 9},
    {CursorKind::LeftBottom, "cursor_leftbottom_righttop", 9, 9},
    {CursorKind::MosaicSmall, "cursor_mosaic_small", 6, 6},
    {CursorKind::MosaicMiddle, "cursor_mosaic_middle", 10, 10},
    {CursorKind::MosaicBig, "cursor_mosaic_big", 15, 15},
};

}  // namespace

const CursorArtwork* CursorSet::artwork(CursorKind kind) {
    for (const CursorArtwork& a : kArtwork) {
        if (a.kind == kind) return &a;
    }
    return nullptr;
}

QCursor CursorSet::cursor(CursorKind kind, double dpr) {
    const CursorArtwork* art = artwork(kind);
    if (art == nullptr) return QCursor(Qt::ArrowCursor);
    const auto key = std::make_pair(kind, dpr);
    if (auto it = m_made.find(key); it != m_made.end()) return it->second;

    QSvgRenderer renderer(QStringLiteral(":/cursors/%1.svg").arg(QLatin1String(art->name)));
    const QSize points = renderer.defaultSize();
    // Missing artwork leaves the cursor blank rather than falling back to another shape.
    QPixmap pixmap(QSize(std::ceil(points.width() * dpr), std::ceil(points.height() * dpr)));
    pixmap.fill(Qt::transparent);
    if (renderer.isValid()) {
        QPainter painter(&pixmap);
        renderer.render(&painter);
    }
    pixmap.setDevicePixelRatio(dpr);
    return m_made.emplace(key, QCursor(pixmap, art->hotX, art->hotY)).first->second;
}
