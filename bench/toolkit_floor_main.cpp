// What the widget toolkit alone costs an overlay: a minimal Qt Widgets program that shows one
// full-screen window painting a screen-sized image made in memory, and does nothing else. The
// launch benchmark measures it beside the tool, as the floor no Qt overlay can go under.
// With --confirm (Wayland) it also confirms its window's activation by a commit, as
// the tool does (see WaylandWindowState::confirmActivation): the floor of a Qt overlay that
// does not wait for the compositor's patience.
//   usage: quillet_toolkit_floor [--confirm]   (on $DISPLAY or $WAYLAND_DISPLAY; ends when
//          killed)
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QScreen>
#include <QWidget>
#include <cstring>

#include "platform/wayland/wayland_window_state.h"

namespace {

class ImageWindow : public QWidget {
public:
    ImageWindow(QImage image, WindowState* confirming)
        : m_image(std::move(image)), m_confirming(confirming) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.drawImage(0, 0, m_image);
    }
    bool event(QEvent* event) override {
        if (m_confirming && event->type() == QEvent::WindowActivate) {
            m_confirming->confirmActivation(windowHandle());
        }
        return QWidget::event(event);
    }

private:
    QImage m_image;
    WindowState* m_confirming;  // none: Qt alone
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QScreen* screen = QGuiApplication::primaryScreen();
    const qreal ratio = screen->devicePixelRatio();
    QImage image(screen->geometry().size() * ratio, QImage::Format_RGB32);
    image.fill(QColor(40, 60, 90));
    image.setDevicePixelRatio(ratio);
    WaylandWindowState waylandState;
    const bool confirm = argc > 1 && std::strcmp(argv[1], "--confirm") == 0;
    ImageWindow window(image, confirm ? &waylandState : nullptr);
    window.setGeometry(screen->geometry());
    window.showFullScreen();
    return QApplication::exec();
}
