#pragma once

#include <QStringList>
#include <vector>

#include "platform/dialogs.h"

class FakeDialogs : public Dialogs {
public:
    bool runAlert(const AlertTexts& texts) override {
        alerts.push_back(texts);
        return answerFirstButton;
    }
    void openUrl(const QString& url) override { openedUrls.append(url); }
    bool answerFirstButton = true;
    std::vector<AlertTexts> alerts;
    QStringList openedUrls;
};
