#include "capture/cursor_set.h"

#include <gtest/gtest.h>

#include <QPixmap>

namespace {

TEST(CursorSet, EveryCursorHasArtworkAroundItsHotSpot) {
    CursorSet cursors;
    const CursorKind kinds[] = {
        CursorKind::Cross,       CursorKind::Move,         CursorKind::LeftRight,
        CursorKind::TopBottom,   CursorKind::LeftTop,      CursorKind::LeftBottom,
        CursorKind::MosaicSmall, CursorKind::MosaicMiddle, CursorKind::MosaicBig,
    };
    for (const CursorKind kind : kinds) {
        const CursorArtwork* art = CursorSet::artwork(kind);
        ASSERT_NE(art, nullptr);
        for (const double dpr : {1.0, 2.0}) {
            const QCursor cursor = cursors.cursor(kind, dpr);
            const QImage image = cursor.pixmap().toImage();
            ASSERT_FALSE(image.isNull()) << art->name;
            // Drawn at the screen's density: twice the pixels at ratio 2, so it stays crisp.
            const QSizeF points = image.size() / dpr;
            EXPECT_EQ(cursor.hotSpot(), QPoint(art->hotX, art->hotY)) << art->name;
            EXPECT_LT(art->hotX, points.width()) << art->name;
            EXPECT_LT(art->hotY, points.height()) << art->name;
            // The hot spot is the artwork's centre.
            EXPECT_NEAR(art->hotX, points.width() / 2, 1) << art->name;
            EXPECT_NEAR(art->hotY, points.height() / 2, 1) << art->name;
            int opaque = 0;
            for (int y = 0; y < image.height(); ++y) {
                for (int x = 0; x < image.width(); ++x) opaque += qAlpha(image.pixel(x, y)) > 128;
            }
            EXPECT_GT(opaque, 10) << art->name << " is blank";
        }
    }
    EXPECT_EQ(cursors.cursor(CursorKind::Arrow, 1).shape(), Qt::ArrowCursor);
}

}  // namespace
