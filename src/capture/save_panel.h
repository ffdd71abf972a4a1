#pragma once
// NSCostomSavePanel: a QFileDialog for choosing where to save the capture: Qt's own dialog (never
// the desktop's native one, which could open below the full-screen capture), in save mode, above
// the capture window and placed by the `center` rule on the captured screen. It opens without
// blocking and without being modal, so the capture below still sees the pointer move; the capture
// window learns the outcome from QDialog::finished. A name is confirmed only once replacing the
// file that will really be written (".png" added where missing) has been agreed to.

#include <QFileDialog>
#include <QLabel>
#include <functional>

#include "platform/geometry.h"
#include "platform/screens.h"

class NSCostomSavePanel : public QFileDialog {
    Q_OBJECT
public:
    // `inside`: drawn inside the capture window (a window system that would not put it over
    // the capture, see WindowState::placesDialogsOverTheirWindow), its title on a label above it.
    NSCostomSavePanel(QWidget* captureWindow, bool inside);

    // The captured screen in user-interface coordinates, and how they turn into the desktop's.
    void setScreenRect(const Rect& rect, const WindowPlacement& placement);
    // Centred horizontally on the screen, its top edge 30 points below the screen's top, with
    // the panel's current size.
    void center();
    // Proposes `name`, titles the panel with `message` (plain text) and opens it where `center`
    // places it, instead of centred on the capture window as Qt would.
    void openWith(const QString& message, const QString& name);
    // Asks before replacing the file the chosen name will be written to; "No" keeps the
    // dialog open.
    void accept() override;

    Rect screenRect;
    // Asks whether the existing file `fileName` may be replaced; the dialog's own question
    // unless a test puts its answer here.
    std::function<bool(const QString& fileName)> confirmReplace;

private:
    void hideEvent(QHideEvent* event) override;

    WindowPlacement m_placement;
    QLabel* m_title = nullptr;  // the title, where the panel is inside the capture window
};
