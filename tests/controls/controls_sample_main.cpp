// Writes a sample of the skinned buttons on the dark strip, in every state, at 1x and 2x:
// /tmp/controls_1x.png and /tmp/controls_2x.png (or into the folder given as argument), for
// looking at the artwork. Not a test: it checks nothing.
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QWidget>

#include "controls/artwork.h"
#include "controls/color_button.h"
#include "controls/popup_button.h"
#include "controls/special_button.h"

namespace {

struct Tool {
    const char* fore;
    const char* hover;
};

const Tool kTools[] = {
    {"Rectangle", "Rectangle_h"}, {"Circle", "Circle_h"},   {"Arrow", "Arrow_h"},
    {"Brush", "Brush_h"},         {"glitter", "glitter_h"}, {"mosaic", "mosaic_h"},
    {"Text", "Text_h"},           {"Undo", "Undo_h"},       {"Save", "Save_h"},
    {"Exit", "Exit_h"},           {"Finish", "Finish_h"}};

const char* const kSwatches[] = {"red", "yellow", "blue", "green", "black", "gray", "white"};

enum class Look { Normal, Hover, Selected, Disabled };

// One strip: the eleven toolbar icons, then pen sizes, swatches and the logo, in one look.
QWidget* makeStrip(const Artwork& art, Look look) {
    auto* strip = new QWidget;
    strip->setFixedSize(780, 36);
    strip->setAutoFillBackground(true);
    QPalette pal = strip->palette();
    pal.setColor(QPalette::Window, QColor(24, 24, 24));
    strip->setPalette(pal);
    const auto state = [look](SpecialNSButton* b) {
        b->setIsHover(look == Look::Hover);
        b->setSelected(look == Look::Selected);
        b->setDisabled(look == Look::Disabled);
    };
    int x = 16;
    for (const Tool& t : kTools) {
        auto* b = new SpecialNSButton(&art, strip);
        b->setGeometry(x, 10, 16, 16);
        b->setForImage(t.fore, {0, 0, 16, 16}, {0, 0, 16, 16});
        b->setForeHoverImage(t.hover);
        if (QString(t.fore) == "Undo") b->setDisableImage("Undo_disable");
        state(b);
        x += 32;
        if (QString(t.fore) == "Text") {
            auto* split = new SpecialNSButton(&art, strip);
            split->setGeometry(x, 12, 1, 12);
            split->setForImage("split", {0, 0, 1, 12}, {0, 0, 1, 12});
            x += 17;
        }
    }
    const struct {
        const char* name;
        int size;
        int y;
        Rect src;
        Rect dst;
    } points[] = {{"pointsmall", 10, 13, {0, 0, 6, 6}, {2, 2, 6, 6}},
                  {"pointmiddle", 10, 13, {0, 0, 10, 10}, {0, 0, 10, 10}},
                  {"point_big", 14, 11, {0, 0, 14, 14}, {0, 0, 14, 14}}};
    for (const auto& p : points) {
        auto* b = new SpecialNSButton(&art, strip);
        b->setGeometry(x, p.y, p.size, p.size);
        b->setForImage(p.name, p.src, p.dst);
        b->setForeHoverImage(QString(p.name) + "_h");
        state(b);
        x += 20;
    }
    x += 8;
    for (const char* s : kSwatches) {
        auto* b = new SpecialNSButton(&art, strip);
        b->setGeometry(x, 10, 16, 16);
        b->setBkDrawColor(QColor(24, 24, 24));
        b->setForImage(s, {0, 0, 12, 12}, {2, 2, 12, 12});
        b->setHoverAndPushImage("color_selected", "color_selected", {0, 0, 16, 16}, {0, 0, 16, 16});
        state(b);
        x += 24;
    }
    auto* logo = new SpecialNSButton(&art, strip);
    logo->setGeometry(x, 6, 24, 24);
    logo->setForImage("logo", {0, 0, 24, 24}, {0, 0, 24, 24});
    x += 36;
    auto* pop = new NSMyPopUpButton(strip);
    pop->setGeometry(x, 9, 54, 18);
    pop->setNeedCustomDraw(true);
    pop->setTitle("16pt");
    x += 64;
    auto* well = new NSColorButton(strip);
    well->setGeometry(x, 5, 26, 26);
    well->setBkColor(Qt::red);
    return strip;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::tempPath();
    Artwork art;
    for (double dpr : {1.0, 2.0}) {
        const Look looks[] = {Look::Normal, Look::Hover, Look::Selected, Look::Disabled};
        QImage sheet(QSize(780, 36 * 4) * dpr, QImage::Format_ARGB32_Premultiplied);
        sheet.setDevicePixelRatio(dpr);
        sheet.fill(Qt::black);
        QPainter painter(&sheet);
        int row = 0;
        for (Look look : looks) {
            QWidget* strip = makeStrip(art, look);
            strip->render(&painter, QPoint(0, 36 * row++));
            delete strip;
        }
        painter.end();
        sheet.save(QStringLiteral("%1/controls_%2x.png").arg(folder).arg(int(dpr)));
    }
    return 0;
}
