#pragma once

#include <QStringList>
#include <functional>
#include <vector>

#include "platform/dialogs.h"

class FakeDialogs : public Dialogs {
public:
    bool runAlert(const AlertTexts& texts) override {
        alerts.push_back(texts);
        return answerFirstButton;
    }
    void showWarning(const QString& message, const QString& informativeText) override {
        warnings.push_back({QString(), QString(), message, informativeText});
        if (onWarning) onWarning();
    }
    void openUrl(const QString& url) override { openedUrls.append(url); }
    void runWhileExplaining(const QString& message, const QString& informativeText,
                            const std::function<void()>& work) override {
        explanations.push_back({QString(), QString(), message, informativeText});
        work();
    }
    std::vector<AlertTexts> explanations;
    std::function<void()> onWarning;  // runs while the warning is "shown"
    std::vector<AlertTexts> warnings;
    bool answerFirstButton = true;
    std::vector<AlertTexts> alerts;
    QStringList openedUrls;
};
