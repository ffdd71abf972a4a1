// The skinned buttons drawn offscreen at 1x and 2x, checked at the pixels that show which
// image, ring, outline or box was drawn; their hover and click behaviour; the pop-up's items.
#include <gtest/gtest.h>

#include <QApplication>
#include <QEnterEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTextDocument>
#include <QToolTip>
#include <cmath>

#include "controls/artwork.h"
#include "controls/color_button.h"
#include "controls/popup_button.h"
#include "controls/special_button.h"

namespace {

const QColor kStrip(24, 24, 24);
const QColor kLight(0xE6, 0xE6, 0xE6);
const QColor kAccent(0x5A, 0xA9, 0xE6);
const QColor kGrey(0x6E, 0x6E, 0x6E);

// The widget painted over the dark strip colour into an image of the given pixel ratio.
QImage shot(QWidget& widget, double dpr) {
    QImage image(widget.size() * dpr, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(kStrip);
    QPainter painter(&image);
    widget.render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
    painter.end();
    return image.convertToFormat(QImage::Format_RGB32);
}

// The pixel under a point given in points.
QColor at(const QImage& image, double x, double y) {
    const double dpr = image.devicePixelRatio();
    return image.pixelColor(int(std::floor(x * dpr)), int(std::floor(y * dpr)));
}

bool near(QColor a, QColor b, int tolerance = 6) {
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

// How many pixels are (nearly) exactly this ink: fully covered pixels of an icon.
int inkCount(const QImage& image, QColor ink) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) n += near(image.pixelColor(x, y), ink) ? 1 : 0;
    }
    return n;
}

void enter(QWidget& w) {
    QEnterEvent event(QPointF(4, 4), QPointF(4, 4), QPointF(4, 4));
    QApplication::sendEvent(&w, &event);
}

void leave(QWidget& w) {
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(&w, &event);
}

void click(QWidget& w) {
    const QPointF p(w.width() / 2.0, w.height() / 2.0);
    QMouseEvent press(QEvent::MouseButtonPress, p, p, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, p, p, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(&w, &press);
    QApplication::sendEvent(&w, &release);
}

class SkinnedButtons : public ::testing::TestWithParam<double> {
protected:
    double dpr() const { return GetParam(); }

    // A toolbar button as the strip makes it: 16 x 16, the image filling it.
    void makeTool(SpecialNSButton& b, const QString& fore, const QString& disabled = {}) {
        b.resize(16, 16);
        b.setForImage(fore, {0, 0, 16, 16}, {0, 0, 16, 16});
        b.setForeHoverImage(fore + "_h");
        if (!disabled.isEmpty()) b.setDisableImage(disabled);
    }

    Artwork art;
};

TEST_P(SkinnedButtons, ToolButtonShowsTheImageItsStateCallsFor) {
    const struct {
        const char* what;
        bool disabled, selected, hover;
        QColor ink;  // the only icon colour expected
    } rows[] = {
        {"idle", false, false, false, kLight},
        {"hovered", false, false, true, kAccent},
        {"selected, mouse elsewhere", false, true, false, kAccent},
        {"disabled", true, false, false, kGrey},
        {"disabled while hovered", true, false, true, kGrey},
        {"disabled while selected and hovered", true, true, true, kGrey},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        SpecialNSButton undo(&art);
        makeTool(undo, "Undo", "Undo_disable");
        undo.setDisabled(row.disabled);
        undo.setSelected(row.selected);
        undo.setIsHover(row.hover);
        const QImage image = shot(undo, dpr());
        for (QColor ink : {kLight, kAccent, kGrey}) {
            // A light icon's smoothed edges pass through the disabled grey.
            if (row.ink == kLight && ink == kGrey) continue;
            if (ink == row.ink) {
                EXPECT_GT(inkCount(image, ink), 8 * dpr() * dpr()) << ink.name().toStdString();
            } else {
                EXPECT_EQ(inkCount(image, ink), 0) << ink.name().toStdString();
            }
        }
    }
}

TEST_P(SkinnedButtons, SelectedToolShowsItsHoverForeground) {
    SpecialNSButton rect(&art);
    makeTool(rect, "Rectangle");
    rect.setSelected(true);
    const QImage image = shot(rect, dpr());
    // The rectangle's left side runs down x 1..3 at mid height.
    EXPECT_TRUE(near(at(image, 2, 8), kAccent)) << at(image, 2, 8).name().toStdString();
    EXPECT_TRUE(near(at(image, 8, 8), kStrip));
}

TEST_P(SkinnedButtons, SwatchShowsTheRingBetweenFillAndPatchWhenHoveredOrSelected) {
    const QColor fill(24, 24, 24);
    const struct {
        const char* what;
        bool hover, selected, ring;
    } rows[] = {{"idle", false, false, false},
                {"hovered", true, false, true},
                {"selected", false, true, true},
                {"selected and hovered", true, true, true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        SpecialNSButton swatch(&art);
        swatch.resize(16, 16);
        swatch.setBkDrawColor(fill);
        swatch.setBkColor(Qt::red);
        swatch.setForImage("red", {0, 0, 12, 12}, {2, 2, 12, 12});
        swatch.setHoverAndPushImage("color_selected", "color_selected", {0, 0, 16, 16},
                                    {0, 0, 16, 16});
        swatch.setIsHover(row.hover);
        swatch.setSelected(row.selected);
        // Drawn over white, so that the fill shows where it is drawn.
        QImage image(swatch.size() * dpr(), QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(dpr());
        image.fill(Qt::white);
        QPainter painter(&image);
        swatch.render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
        painter.end();
        EXPECT_TRUE(near(at(image, 8, 8), Qt::red));  // the patch
        EXPECT_TRUE(near(at(image, 1.5, 8), fill));   // the gap between ring and patch
        EXPECT_TRUE(near(at(image, 15.5, 15.5), fill));
        const QColor edge = at(image, 0.5, 8);
        EXPECT_EQ(near(edge, Qt::white, 20), row.ring) << edge.name().toStdString();
        EXPECT_EQ(near(edge, fill), !row.ring) << edge.name().toStdString();
        EXPECT_EQ(swatch.getBkColor(), QColor(Qt::red));
    }
}

TEST_P(SkinnedButtons, ImagesLandInTheirDestinationRectangle) {
    // The small pen-size button: a 10 x 10 button, the 6 x 6 dot drawn at (2, 2).
    SpecialNSButton little(&art);
    little.resize(10, 10);
    little.setForImage("pointsmall", {0, 0, 6, 6}, {2, 2, 6, 6});
    const QImage image = shot(little, dpr());
    EXPECT_TRUE(near(at(image, 5, 5), kLight));
    for (auto [x, y] : {std::pair{1.5, 5.0}, {8.5, 5.0}, {5.0, 1.5}, {5.0, 8.5}}) {
        EXPECT_TRUE(near(at(image, x, y), kStrip)) << x << "," << y;
    }
    // A source rectangle picks part of the image: the dot's top-left quarter, enlarged.
    little.setForImage("pointsmall", {0, 0, 3, 3}, {0, 0, 10, 10});
    const QImage quarter = shot(little, dpr());
    EXPECT_TRUE(near(at(quarter, 0.5, 0.5), kStrip));
    EXPECT_TRUE(near(at(quarter, 9.5, 9.5), kLight));
}

TEST_P(SkinnedButtons, ButtonWithoutArtworkOrWithUnknownImagesDrawsNothingAndStillClicks) {
    for (const Artwork* artwork :
         {static_cast<const Artwork*>(nullptr), static_cast<const Artwork*>(&art)}) {
        SpecialNSButton b(artwork);
        makeTool(b, "NoSuchImage");
        b.setIsHover(true);
        const QImage image = shot(b, dpr());
        EXPECT_EQ(inkCount(image, kStrip), image.width() * image.height());
        int clicks = 0;
        QObject::connect(&b, &QAbstractButton::clicked, [&clicks] { ++clicks; });
        click(b);
        EXPECT_EQ(clicks, 1);
    }
}

INSTANTIATE_TEST_SUITE_P(PixelRatio, SkinnedButtons, ::testing::Values(1.0, 2.0));

TEST(SpecialNSButtonFlags, HoverFollowsEnterAndLeaveAndAClickChangesNoFlag) {
    Artwork art;
    SpecialNSButton b(&art);
    b.resize(16, 16);
    int clicks = 0;
    QObject::connect(&b, &QAbstractButton::clicked, [&clicks] { ++clicks; });
    enter(b);
    EXPECT_TRUE(b.isHover());
    click(b);
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(b.isHover());
    EXPECT_FALSE(b.isSelected());
    leave(b);
    EXPECT_FALSE(b.isHover());

    b.setSelected(true);
    click(b);
    EXPECT_TRUE(b.isSelected());
    EXPECT_FALSE(b.isHover());
}

TEST(SpecialNSButtonFlags, DisabledFlagKeepsTheButtonClickable) {
    SpecialNSButton undo;
    undo.resize(16, 16);
    undo.setDisabled(true);
    EXPECT_TRUE(undo.isDisabled());
    EXPECT_TRUE(undo.isEnabled());
    int clicks = 0;
    QObject::connect(&undo, &QAbstractButton::clicked, [&clicks] { ++clicks; });
    click(undo);
    EXPECT_EQ(clicks, 1);
}

TEST(SpecialNSButtonFlags, TooltipIsShownAsPlainText) {
    SpecialNSButton save;
    save.resize(16, 16);
    save.setToolTip("<b>Save</b> & keep");
    save.show();
    QHelpEvent help(QEvent::ToolTip, QPoint(4, 4), save.mapToGlobal(QPoint(4, 4)));
    QApplication::sendEvent(&save, &help);
    QTextDocument shown;
    shown.setHtml(QToolTip::text());
    EXPECT_EQ(shown.toPlainText(), "<b>Save</b> & keep");
    QToolTip::hideText();
}

class ColorWell : public ::testing::TestWithParam<double> {};

TEST_P(ColorWell, OutlineFollowsTheMouse) {
    NSColorButton well;
    well.resize(29, 29);
    well.setBkColor(QColor(17, 129, 254));
    const QColor idle(181, 199, 206), hovered(115, 174, 231);
    const struct {
        const char* what;
        void (*move)(QWidget&);
        QColor outline;
    } rows[] = {{"at creation", [](QWidget&) {}, idle},
                {"mouse entered", enter, hovered},
                {"mouse left", leave, idle}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        row.move(well);
        const QImage image = shot(well, GetParam());
        for (auto [x, y] : {std::pair{0.5, 14.0}, {28.5, 14.0}, {14.0, 0.5}, {14.0, 28.5}}) {
            EXPECT_TRUE(near(at(image, x, y), row.outline, 2))
                << x << "," << y << " " << at(image, x, y).name().toStdString();
        }
        EXPECT_TRUE(near(at(image, 1.5, 14), QColor(17, 129, 254), 2));
        EXPECT_TRUE(near(at(image, 14, 14), QColor(17, 129, 254), 2));
    }
    EXPECT_EQ(well.getBkColor(), QColor(17, 129, 254));
}

INSTANTIATE_TEST_SUITE_P(PixelRatio, ColorWell, ::testing::Values(1.0, 2.0));

class PopUp : public ::testing::TestWithParam<double> {};

const QStringList kFontSizes = {"12pt ", "12pt  ", "14pt", "16pt", "18pt",
                                "20pt",  "24pt",   "30pt", "36pt", "48pt"};

TEST_P(PopUp, CustomBoxIsDarkAndRoundedWithAWhiteTitleAndAChevron) {
    NSMyPopUpButton pop;
    pop.resize(54, 18);
    pop.setTitle("16pt");
    pop.setNeedCustomDraw(true);
    // Drawn over white so that the rounded corners show.
    QImage image(pop.size() * GetParam(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(GetParam());
    image.fill(Qt::white);
    QPainter painter(&image);
    pop.render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
    painter.end();
    // RGB 24 under RGB 80 at alpha 0.5.
    const QColor box(52, 52, 52);
    for (auto [x, y] : {std::pair{3.0, 9.0}, {36.0, 3.0}, {52.5, 9.0}, {30.0, 16.5}}) {
        EXPECT_TRUE(near(at(image, x, y), box, 2)) << x << "," << y;
    }
    EXPECT_FALSE(near(at(image, 0.2, 0.2), box, 2));  // corner rounded off
    // Chevron: drawn light grey around its apex (45, 12), and not above it.
    int apex = 0;
    for (double y = 11; y < 13.5; y += 0.5) apex = std::max(apex, at(image, 45, y).red());
    EXPECT_GT(apex, 120);
    EXPECT_TRUE(near(at(image, 45, 7), box, 2));
    // Title: white ink between x 7 and 35, none left of it.
    int white = 0;
    for (int x = int(7 * GetParam()); x < int(35 * GetParam()); ++x) {
        for (int y = 0; y < image.height(); ++y) white += image.pixelColor(x, y).red() > 200;
    }
    EXPECT_GT(white, 10);
    for (int y = 0; y < image.height(); ++y) {
        EXPECT_TRUE(near(image.pixelColor(int(5 * GetParam()), y), box, 2) || y < 2 * GetParam() ||
                    y >= image.height() - 2 * GetParam());
    }
}

TEST_P(PopUp, TitleIsPlainText) {
    NSMyPopUpButton pop;
    pop.resize(54, 18);
    pop.setNeedCustomDraw(true);
    const auto titleInk = [&pop](const QString& title, double dpr) {
        pop.setTitle(title);
        const QImage image = shot(pop, dpr);
        int ink = 0;  // light pixels right of a lone digit, left of the chevron
        for (int x = int(20 * dpr); x < int(38 * dpr); ++x) {
            for (int y = 0; y < image.height(); ++y) ink += image.pixelColor(x, y).red() > 150;
        }
        return ink;
    };
    EXPECT_EQ(titleInk("1", GetParam()), 0);
    EXPECT_GT(titleInk("<b>1</b>", GetParam()), 10);  // the tags are shown, not obeyed
    EXPECT_EQ(pop.title(), "<b>1</b>");
}

TEST_P(PopUp, WithoutCustomDrawingItLooksLikeThePlatformPullDown) {
    NSMyPopUpButton pop;
    QPushButton plain;
    QMenu menu;
    plain.setMenu(&menu);
    for (QPushButton* b : {static_cast<QPushButton*>(&pop), &plain}) b->resize(54, 18);
    pop.setTitle("16pt");
    plain.setText("16pt");
    for (const QString& t : kFontSizes) pop.addItemWithTitle(t);
    EXPECT_EQ(shot(pop, GetParam()), shot(plain, GetParam()));
}

INSTANTIATE_TEST_SUITE_P(PixelRatio, PopUp, ::testing::Values(1.0, 2.0));

TEST(PopUpItems, TitlesAreDistinctUpToTrailingBlanksAndEqualTitlesMoveToTheEnd) {
    const struct {
        const char* what;
        QStringList added;
        QStringList items;
    } rows[] = {
        {"the font sizes", kFontSizes, kFontSizes},
        {"trailing blanks make different titles",
         {"12pt ", "12pt  ", "12pt"},
         {"12pt ", "12pt  ", "12pt"}},
        {"an equal title replaces the earlier item", {"14pt", "16pt", "14pt"}, {"16pt", "14pt"}},
        {"case matters", {"a", "A"}, {"a", "A"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        NSMyPopUpButton pop;
        for (const QString& t : row.added) pop.addItemWithTitle(t);
        EXPECT_EQ(pop.itemTitles(), row.items);
    }
}

TEST(PopUpItems, MenuOffersItemsAfterTheTitleItemAndReportsTheChosenIndex) {
    NSMyPopUpButton pop;
    for (const QString& t : kFontSizes) pop.addItemWithTitle(t);
    pop.setTitle("16pt");
    pop.selectItemAtIndex(3);
    EXPECT_EQ(pop.indexOfSelectedItem(), 3);
    EXPECT_EQ(pop.titleOfSelectedItem(), "16pt");

    const QList<QAction*> actions = pop.itemMenu()->actions();
    ASSERT_EQ(actions.size(), kFontSizes.size() - 1);
    QList<int> chosen;
    QObject::connect(&pop, &NSMyPopUpButton::itemChosen, [&chosen](int i) { chosen << i; });
    const struct {
        int action;
        int index;
        const char* title;
    } rows[] = {{0, 1, "12pt  "}, {8, 9, "48pt"}, {2, 3, "16pt"}};
    for (const auto& row : rows) {
        actions[row.action]->trigger();
        EXPECT_EQ(chosen.last(), row.index);
        EXPECT_EQ(pop.indexOfSelectedItem(), row.index);
        EXPECT_EQ(pop.titleOfSelectedItem(), row.title);
        EXPECT_EQ(pop.title(), "16pt");  // the owner sets the title
        for (int i = 0; i < actions.size(); ++i)
            EXPECT_EQ(actions[i]->isChecked(), i == row.action);
    }
    // Out of range: ignored.
    pop.selectItemAtIndex(10);
    EXPECT_EQ(pop.indexOfSelectedItem(), 3);
}

}  // namespace
