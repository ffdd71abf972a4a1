#include "platform/qtxcb/qt_dialogs.h"

#include <QDesktopServices>
#include <QMessageBox>
#include <QPushButton>
#include <QTextDocument>
#include <QUrl>

bool QtDialogs::runAlert(const AlertTexts& texts) {
    QMessageBox box(QMessageBox::Warning, QString(), texts.message);
    // Texts come from the parameter file: never let Qt read them as rich text.
    box.setTextFormat(Qt::PlainText);
    box.setInformativeText(Qt::convertFromPlainText(texts.informativeText));
    QPushButton* first = box.addButton(texts.firstButton, QMessageBox::AcceptRole);
    box.addButton(texts.secondButton, QMessageBox::RejectRole);
    box.setDefaultButton(first);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
    return box.clickedButton() == first;
}

void QtDialogs::showWarning(const QString& message, const QString& informativeText) {
    QMessageBox box(QMessageBox::Warning, message, message, QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    box.setInformativeText(Qt::convertFromPlainText(informativeText));
    // Above a full-screen capture that stays on top.
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
}

void QtDialogs::openUrl(const QString& url) {
    QDesktopServices::openUrl(QUrl(url));
}
