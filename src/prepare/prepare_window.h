#pragma once
// PrepareWindow: the small floating panel of prepare mode. It asks the user to arrange the
// screen and press its start button; Start hides it and, once it has really left the screen
// (and at least 0.1 s later), calls the start action; the close button and releasing Escape
// hide it and call the cancel action. It can be dragged anywhere on the main screen.
// It knows nothing of the capture: the application passes both actions in.

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <functional>

#include "controls/artwork.h"
#include "controls/color_button.h"
#include "model/ui_texts.h"

class QLabel;
class WindowState;
class SpecialNSButton;

// Draws the title band, the line under it and the border over the window background.
class PrepareView : public QWidget {
    Q_OBJECT
public:
    explicit PrepareView(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// The start button: the colour well's look with a centred title.
class PrepareStartButton : public NSColorButton {
    Q_OBJECT
public:
    explicit PrepareStartButton(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

struct PrepareActions {
    // Just before Start hides the panel: the application is about to lose its only active
    // window until the capture shows its own.
    std::function<void()> startRequested;
    std::function<void()> doCapture;  // after Start, once the panel is off the screen
    std::function<void()> cancel;     // reports the cancel (kind 2); ends the process
};

class PrepareWindow : public QWidget {
    Q_OBJECT
public:
    // The texts are read when the window is made: the command has been applied by then.
    // `windowState` answers whether a compositing manager runs and when the panel has left
    // the screen; without one (offscreen tests) neither: opaque, and off the screen at once.
    PrepareWindow(const UiTexts& texts, PrepareActions actions, WindowState* windowState = nullptr,
                  QWidget* parent = nullptr);

    // Title, cleared hover, centred on the main screen, shown in front with the keyboard.
    void showPrepare();
    void onOK();
    void onCancel();

    // Whether the background is drawn translucent (a compositing manager ran at creation).
    bool translucent() const { return m_translucent; }
    QColor backgroundColor() const;

    QLabel* titleShow = nullptr;
    QLabel* infoShow = nullptr;
    QLabel* infoShow2 = nullptr;
    PrepareStartButton* okButton = nullptr;
    SpecialNSButton* cancelButton = nullptr;
    PrepareView* myView = nullptr;
    QRect rectScreen;  // the main screen, in Qt's global coordinates

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    // The window manager asked us to close the panel: a cancel.
    void closeEvent(QCloseEvent* event) override;

private:
    void centerOnScreen();
    void pollStart();

    const UiTexts& m_texts;
    PrepareActions m_actions;
    Artwork m_artwork;
    WindowState* m_windowState;
    bool m_translucent = false;
    QPoint startLocation;  // the press, in window coordinates
    bool m_dragging = false;
    QTimer m_startPoll;
    QElapsedTimer m_sinceHide;
    uintptr_t m_topLevel = 0;
    bool m_offScreen = false;
};
