#pragma once
// Alerts and warnings through QMessageBox, URLs through QDesktopServices.

#include "platform/dialogs.h"

class QtDialogs : public Dialogs {
public:
    bool runAlert(const AlertTexts& texts) override;
    void showWarning(const QString& message, const QString& informativeText) override;
    void openUrl(const QString& url) override;
    void runWhileExplaining(const QString& message, const QString& informativeText,
                            const std::function<void()>& work) override;
};
