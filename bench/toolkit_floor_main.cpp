// What the widget toolkit alone costs an overlay: a minimal Qt Widgets program that shows one
// full-screen window painting a screen-sized image made in memory, and does nothing else. The
// launch benchmark measures it beside the tool, as the floor no Qt overlay can go under.
// With --confirm (Wayland) it also confirms its window's activation by a commit, as
// the tool does (see WaylandWindowState::confirmConfiguration): the floor of a Qt overlay that
// does not wait for the compositor's patience.
//   usage: quillet_toolkit_floor [--confirm]   (on $DISPLAY or $WAYLAND_DISPLAY; ends when
//          killed)
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QScreen>
#include <QWidget>
#include <cstring>

#include "capture/commit_after_configure.h"
#include "platform/wayland/wayland_window_state.h"

namespace {

class ImageWindow : public QWidget {
public:
    explicit ImageWindow(QImage image) : m_image(std::move(image)) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.drawImage(0, 0, m_image);
    }

private:
    QImage m_image;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QScreen* screen = QGuiApplication::primaryScreen();
    const qreal ratio = screen->devicePixelRatio();
    QImage image(screen->geometry().size() * ratio, QImage::Format_RGB32);
    image.fill(QColor(40, 60, 90));
    image.setDevicePixelRatio(ratio);
    ImageWindow window(image);
    WaylandWindowState waylandState;
    if (argc > 1 && std::strcmp(argv[1], "--confirm") == 0) {
        new CommitAfterConfigure(&window, &waylandState);
    }
    window.setGeometry(screen->geometry());
    window.showFullScreen();
    return QApplication::exec();
}
