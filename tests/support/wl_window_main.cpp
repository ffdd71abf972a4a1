// quillet_wl_window: a window of one colour for the Wayland tests, titled with its name.
// Usage: quillet_wl_window <title> <colour, as #rrggbb> [<width> <height>]

#include <QApplication>
#include <QPainter>
#include <QWidget>
#include <cstdlib>

namespace {

class Plain : public QWidget {
public:
    explicit Plain(QColor colour) : m_colour(colour) {}

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), m_colour); }

private:
    QColor m_colour;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 3 && argc != 5) return 2;
    Plain window{QColor(QString::fromLocal8Bit(argv[2]))};
    window.setWindowTitle(QString::fromLocal8Bit(argv[1]));
    window.resize(argc == 5 ? std::atoi(argv[3]) : 400, argc == 5 ? std::atoi(argv[4]) : 300);
    window.show();
    return QApplication::exec();
}
