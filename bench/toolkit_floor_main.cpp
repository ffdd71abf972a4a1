// What the widget toolkit alone costs an overlay: a minimal Qt Widgets program that shows one
// full-screen window painting a screen-sized image made in memory, and does nothing else. The
// launch benchmark measures it beside the tool, as the floor no Qt overlay can go under.
//   usage: quillet_toolkit_floor   (on $DISPLAY; ends when killed)
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QScreen>
#include <QWidget>

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
    window.setGeometry(screen->geometry());
    window.showFullScreen();
    return QApplication::exec();
}
