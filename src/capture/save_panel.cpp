#include "capture/save_panel.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>

#include "capture/save_name.h"

namespace {

QString startFolder() {
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    return !pictures.isEmpty() && QDir(pictures).exists() ? pictures : QDir::homePath();
}

}  // namespace

NSCostomSavePanel::NSCostomSavePanel(QWidget* captureWindow, bool inside)
    : QFileDialog(captureWindow) {
    if (inside) {
        setWindowFlags(Qt::Widget);
        setAutoFillBackground(true);
        m_title = new QLabel(captureWindow);
        m_title->setTextFormat(Qt::PlainText);
        m_title->setAutoFillBackground(true);
        m_title->setContentsMargins(8, 4, 8, 4);
        m_title->hide();
    }
    setOption(QFileDialog::DontUseNativeDialog);
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    // Qt would ask about the name as typed, which is not always the file written: accept()
    // asks about that one instead.
    setOption(QFileDialog::DontConfirmOverwrite);
    confirmReplace = [this](const QString& fileName) {
        const QString question =
            QCoreApplication::translate("QFileDialog",
                                        "%1 already exists.\nDo you want to replace it?")
                .arg(fileName);
        return QMessageBox::warning(this, windowTitle(), question,
                                    QMessageBox::Yes | QMessageBox::No,
                                    QMessageBox::No) == QMessageBox::Yes;
    };
    if (!inside) setWindowFlag(Qt::WindowStaysOnTopHint);
    setDirectory(startFolder());
    // The layout and the style's work happen now, ahead of the first show.
    ensurePolished();
    adjustSize();
}

void NSCostomSavePanel::setScreenRect(const Rect& rect, const WindowPlacement& placement) {
    screenRect = rect;
    m_placement = placement;
}

void NSCostomSavePanel::center() {
    // The frame once the window manager has framed the panel; the panel alone before that.
    const QRect frame = frameGeometry();
    const Point origin =
        savePanelOrigin({double(frame.width()), double(frame.height())}, screenRect);
    const Rect placed = m_placement.desktopRect(
        {origin.x, origin.y, double(frame.width()), double(frame.height())});
    if (m_title) {
        // Inside the capture window, which covers the captured screen.
        const Rect window = m_placement.desktopRect(screenRect);
        const QPoint at(int(placed.x - window.x), int(placed.y - window.y));
        move(at);
        m_title->setFixedWidth(width());
        m_title->adjustSize();
        m_title->move(at.x(), at.y() - m_title->height());
        return;
    }
    // A hidden window's move() names its frame's corner; it also keeps Qt from centring the
    // dialog on the capture window when it is shown.
    move(int(placed.x), int(placed.y));
}

void NSCostomSavePanel::hideEvent(QHideEvent* event) {
    if (m_title) m_title->hide();
    QFileDialog::hideEvent(event);
}

void NSCostomSavePanel::openWith(const QString& message, const QString& name) {
    // A window title is never read as rich text.
    setWindowTitle(message);
    if (m_title) m_title->setText(message);
    selectFile(name);
    if (!isVisible()) {
        adjustSize();
        center();
    }
    show();
    raise();
    if (m_title) {
        m_title->show();
        m_title->raise();
        setFocus();
        return;
    }
    activateWindow();
}

void NSCostomSavePanel::accept() {
    const QString chosen = selectedFiles().value(0);
    // A folder is entered by QFileDialog::accept; an empty name is refused there.
    if (!chosen.isEmpty() && !QFileInfo(chosen).isDir()) {
        const QFileInfo target(pngSavePath(chosen));
        if (target.exists() && !confirmReplace(target.fileName())) return;
    }
    QFileDialog::accept();
}
