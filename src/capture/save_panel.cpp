#include "capture/save_panel.h"

#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QStandardPaths>

#include "capture/save_name.h"
#include "platform/screen_coordinates.h"

namespace {

QString startFolder() {
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    return !pictures.isEmpty() && QDir(pictures).exists() ? pictures : QDir::homePath();
}

}  // namespace

NSCostomSavePanel::NSCostomSavePanel(QWidget* captureWindow) : QFileDialog(captureWindow) {
    setOption(QFileDialog::DontUseNativeDialog);
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setDirectory(startFolder());
    // The layout and the style's work happen now, ahead of the first show.
    ensurePolished();
    adjustSize();
}

void NSCostomSavePanel::setScreenRect(const Rect& rect, double mainScreenHeight) {
    screenRect = rect;
    m_mainScreenHeight = mainScreenHeight;
}

void NSCostomSavePanel::center() {
    // The frame once the window manager has framed the panel; the panel alone before that.
    const QRect frame = frameGeometry();
    const Point origin =
        savePanelOrigin({double(frame.width()), double(frame.height())}, screenRect);
    const Rect display = displayRectFromUi(
        {origin.x, origin.y, double(frame.width()), double(frame.height())}, m_mainScreenHeight);
    const QScreen* primary = QGuiApplication::primaryScreen();
    const QPoint corner = primary ? primary->geometry().topLeft() : QPoint();
    // A hidden window's move() names its frame's corner; it also keeps Qt from centring the
    // dialog on the capture window when it is shown.
    move(corner.x() + int(display.x), corner.y() + int(display.y));
}

void NSCostomSavePanel::openWith(const QString& message, const QString& name) {
    // A window title is never read as rich text.
    setWindowTitle(message);
    selectFile(name);
    if (!isVisible()) {
        adjustSize();
        center();
    }
    open();
}
