#include "capture/save_name.h"

#include <gtest/gtest.h>

#include "support/geometry_printers.h"

namespace {

QDateTime at(int y, int mo, int d, int h, int mi, int s) {
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s));
}

TEST(ProposedSaveName, CalendarYearAroundNewYear) {
    struct Row {
        QDateTime now;
        const char* expected;
    };
    const Row rows[] = {
        // A Thursday whose week belongs to the old year.
        {at(2026, 12, 31, 23, 59, 59), "Tovaro_20261231235959"},
        // A Friday still in the old year's last week: the calendar year is the new one.
        {at(2027, 1, 1, 0, 0, 0), "Tovaro_20270101000000"},
        // A Monday in the new year's first week: the calendar year is the old one.
        {at(2029, 12, 31, 8, 5, 3), "Tovaro_20291231080503"},
        // Single-digit fields are zero-padded, hours run to 23.
        {at(2025, 3, 4, 17, 6, 9), "Tovaro_20250304170609"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(proposedSaveName("Tovaro_", row.now), QString::fromLatin1(row.expected));
    }
}

TEST(ProposedSaveName, PrefixIsTakenAsItStands) {
    const QDateTime now = at(2026, 5, 6, 7, 8, 9);
    EXPECT_EQ(proposedSaveName("", now), "20260506070809") << "an empty prefix";
    EXPECT_EQ(proposedSaveName("Quillet截图_", now), "Quillet截图_20260506070809");
    EXPECT_EQ(proposedSaveName("<b>x</b> ", now), "<b>x</b> 20260506070809");
}

TEST(PngSavePath, AppendsTheExtensionOnlyWhenMissing) {
    struct Row {
        const char* chosen;
        const char* expected;
    };
    const Row rows[] = {
        {"/d/shot", "/d/shot.png"},
        {"/d/shot.png", "/d/shot.png"},
        {"/d/shot.PNG", "/d/shot.PNG"},  // any letter case counts
        {"/d/shot.Png", "/d/shot.Png"},
        {"/d/a.png.txt", "/d/a.png.txt.png"},  // only the end counts
        {"/d/shot.jpg", "/d/shot.jpg.png"},    // the data is PNG: the name says so
        {"/d/shotpng", "/d/shotpng.png"},      // no dot, no extension
        {"/d/.png", "/d/.png"},
        {"/d.png/shot", "/d.png/shot.png"},  // a folder's name does not count
    };
    for (const Row& row : rows) {
        EXPECT_EQ(pngSavePath(QString::fromUtf8(row.chosen)), QString::fromUtf8(row.expected))
            << row.chosen;
    }
}

TEST(SavePanelOrigin, CentredHorizontallyThirtyPointsBelowTheTop) {
    struct Row {
        Size panel;
        Rect screen;
        Point expected;
    };
    const Row rows[] = {
        // The main screen, 1920x1080: top edge at 1080 - 30.
        {{800, 500}, {0, 0, 1920, 1080}, {560, 550}},
        // A screen to the right of the main one, higher up.
        {{800, 500}, {1920, 200, 1280, 1024}, {2160, 694}},
        // A screen below the main one (negative y in user-interface coordinates).
        {{601, 400}, {0, -900, 1440, 900}, {419.5, -430}},
        // A panel wider than the screen keeps its size and overhangs both sides.
        {{1000, 300}, {0, 0, 800, 600}, {-100, 270}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(savePanelOrigin(row.panel, row.screen), row.expected);
    }
}

}  // namespace
