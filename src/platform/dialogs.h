#pragma once
// Modal alerts, a one-button warning, and the URL opener. Every text is shown as plain text.

#include <QString>
#include <functional>

struct AlertTexts {
    QString firstButton;
    QString secondButton;
    QString message;
    QString informativeText;
};

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Runs a modal two-button warning; returns true when the first button was chosen.
    virtual bool runAlert(const AlertTexts& texts) = 0;
    // Runs a modal one-button warning: `message` in bold, `informativeText` beneath it.
    virtual void showWarning(const QString& message, const QString& informativeText) = 0;
    virtual void openUrl(const QString& url) = 0;
    // Shows a small window with `message` and `informativeText` and, once it has the focus (or
    // after a short wait for it), runs `work` while the window stays up, then closes it. For a
    // question the desktop asks only of the program whose window has the focus.
    virtual void runWhileExplaining(const QString& message, const QString& informativeText,
                                    const std::function<void()>& work) = 0;
};
