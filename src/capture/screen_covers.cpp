#include "capture/screen_covers.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QWindow>

#include "capture/image_composition.h"
#include "capture/screen_geometry.h"
#include "platform/pixels_image.h"
#include "platform/screen_grabber.h"
#include "platform/screens.h"

namespace {

// One screen's frozen picture, darkened; it takes no input beyond the pointer's moves.
class Cover : public QWidget {
public:
    explicit Cover(QImage picture)
        : QWidget(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
          m_picture(std::move(picture)) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setAttribute(Qt::WA_ShowWithoutActivating);
        setMouseTracking(true);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.drawImage(rect(), m_picture);
        painter.fillRect(rect(), QColor(0, 0, 0, kDarkMaskAlpha));
    }

private:
    QImage m_picture;
};

}  // namespace

ScreenCovers::~ScreenCovers() = default;

void ScreenCovers::coverAllBut(const Rect& captured) {
    m_covers.clear();
    if (m_platform.screens->pointerSeenEverywhere()) return;
    const std::vector<ScreenInfo> screens = m_platform.screens->screens();
    const WindowPlacement placement = m_platform.screens->windowPlacement();
    for (const ScreenInfo& s : screens) {
        if (s.frame == captured) continue;
        const Point centre{s.frame.x + s.frame.width / 2, s.frame.y + s.frame.height / 2};
        const QImage picture = imageOf(m_platform.grabber->grab(
            grabRectForScreen(s.frame, getScreenHeightDiff(screens, centre))));
        if (picture.isNull()) continue;
        auto cover = std::make_unique<Cover>(picture);
        const Rect area = placement.desktopRect(s.frame);
        const QRect geometry(int(area.x), int(area.y), int(area.width), int(area.height));
        cover->setGeometry(geometry);
        cover->winId();  // the native window, whose screen is set next
        if (QScreen* screen = QGuiApplication::screenAt(geometry.center())) {
            cover->windowHandle()->setScreen(screen);
        }
        cover->showFullScreen();
        m_covers.push_back(std::move(cover));
    }
}

void ScreenCovers::hideAll() {
    m_covers.clear();
}
