#pragma once
// What the prepare panel asks the window system: whether a compositing manager runs (only then
// can a translucent background be seen), and whether a window has really left the screen,
// frame and all, so that a capture started next does not freeze it.

#include <cstdint>

class QWindow;

class WindowState {
public:
    virtual ~WindowState() = default;
    virtual bool compositingManagerRuns() = 0;
    // What holds the window `nativeId` on the screen: its window manager's frame, or the window
    // itself without one; 0 when not known.
    virtual uintptr_t screenTopLevel(uintptr_t nativeId) = 0;
    // True once `topLevel` is no longer on the screen. Each call is one exchange with the
    // window system, so what it reports came after everything asked before it.
    virtual bool isOffScreen(uintptr_t topLevel) = 0;
    // Called when the window system has activated `window` (which comes with the configuration
    // that shows a new window): whatever it waits for before it shows the window goes out now.
    virtual void confirmActivation(QWindow* window) { (void)window; }
    // Whether the window system places a dialog where its program asks, or over the window it
    // belongs to. Mutter places the toolkit's dialogs like any other window (Qt 6.4 cannot mark
    // them modal there): a dialog meant to be over the capture is then drawn inside it.
    virtual bool placesDialogsOverTheirWindow() { return true; }
};
