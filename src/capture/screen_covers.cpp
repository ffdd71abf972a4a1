#include "capture/screen_covers.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <iterator>

#include "capture/image_composition.h"
#include "capture/screen_geometry.h"
#include "platform/pixels_image.h"
#include "platform/screen_grabber.h"
#include "platform/screens.h"

// One screen's frozen picture, darkened; it takes no input beyond the pointer's moves.
class ScreenCovers::Cover : public QWidget {
public:
    Cover(QImage picture, std::function<void()> painted)
        : QWidget(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
          m_picture(std::move(picture)),
          m_onPainted(std::move(painted)) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setAttribute(Qt::WA_ShowWithoutActivating);
        setMouseTracking(true);
        setFocusPolicy(Qt::NoFocus);
    }
    bool painted() const { return m_painted; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.drawImage(rect(), m_picture);
        painter.fillRect(rect(), QColor(0, 0, 0, kDarkMaskAlpha));
        m_painted = true;
        m_onPainted();
    }

private:
    QImage m_picture;
    std::function<void()> m_onPainted;
    bool m_painted = false;
};

ScreenCovers::ScreenCovers(const PlatformServices& platform) : m_platform(platform) {}

ScreenCovers::~ScreenCovers() = default;

void ScreenCovers::coverAllBut(const Rect& captured) {
    std::move(m_covers.begin(), m_covers.end(), std::back_inserter(m_leaving));
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
        auto cover = std::make_unique<Cover>(picture, [this] {
            if (m_waiting != nullptr && std::all_of(m_covers.begin(), m_covers.end(),
                                                    [](const auto& c) { return c->painted(); })) {
                m_waiting->quit();
            }
        });
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

void ScreenCovers::waitUntilPainted(int timeoutMs) {
    if (std::all_of(m_covers.begin(), m_covers.end(), [](const auto& c) { return c->painted(); })) {
        return;
    }
    QEventLoop loop;
    m_waiting = &loop;
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    m_waiting = nullptr;
}

void ScreenCovers::dropLeaving() {
    m_leaving.clear();
}

void ScreenCovers::hideAll() {
    m_covers.clear();
    m_leaving.clear();
}
