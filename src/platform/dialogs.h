#pragma once
// Modal alerts and the URL opener.

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
    virtual void openUrl(const QString& url) = 0;
};
