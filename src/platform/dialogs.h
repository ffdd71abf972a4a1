#pragma once
// Modal alerts, a one-button warning, and the URL opener. Every text is shown as plain text.

#include <QString>

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
};
