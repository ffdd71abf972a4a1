#pragma once
// Alerts through QMessageBox, URLs through QDesktopServices.

#include "platform/dialogs.h"

class QtDialogs : public Dialogs {
public:
    bool runAlert(const AlertTexts& texts) override;
    void openUrl(const QString& url) override;
};
