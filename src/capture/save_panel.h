#pragma once
// The save dialog of a capture: Qt's own file dialog (never the desktop's native one, which
// could open below the full-screen capture), in save mode, above the capture window and
// placed by the `center` rule on the captured screen. It opens without blocking; the capture
// window learns the outcome from QDialog::finished.

#include <QFileDialog>

#include "platform/geometry.h"

class NSCostomSavePanel : public QFileDialog {
    Q_OBJECT
public:
    explicit NSCostomSavePanel(QWidget* captureWindow);

    // The captured screen in user-interface coordinates, and the main screen's height that
    // turns them into Qt's desktop coordinates.
    void setScreenRect(const Rect& rect, double mainScreenHeight);
    // Centred horizontally on the screen, its top edge 30 points below the screen's top, with
    // the panel's current size.
    void center();
    // Proposes `name`, titles the panel with `message` (plain text) and opens it where `center`
    // places it, instead of centred on the capture window as Qt would.
    void openWith(const QString& message, const QString& name);

    Rect screenRect;

private:
    double m_mainScreenHeight = 0;
};
