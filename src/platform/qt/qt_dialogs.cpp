#include "platform/qt/qt_dialogs.h"

#include <QDesktopServices>
#include <QDialog>
#include <QEventLoop>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTextDocument>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindow>

namespace {

// How long the explaining window waits for the focus before the work runs anyway.
constexpr int kFocusWaitMs = 2000;

void waitForFocus(QWidget& window) {
    QEventLoop loop;
    QObject::connect(window.windowHandle(), &QWindow::activeChanged, &loop, [&] {
        if (window.windowHandle()->isActive()) loop.quit();
    });
    QTimer::singleShot(kFocusWaitMs, &loop, &QEventLoop::quit);
    if (!window.windowHandle()->isActive()) loop.exec();
}

}  // namespace

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

void QtDialogs::runWhileExplaining(const QString& message, const QString& informativeText,
                                   const std::function<void()>& work) {
    QDialog window;
    window.setWindowTitle(message);
    window.setWindowFlag(Qt::WindowStaysOnTopHint);
    auto* layout = new QVBoxLayout(&window);
    auto* title = new QLabel(message, &window);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    auto* text = new QLabel(informativeText, &window);
    text->setWordWrap(true);
    // Texts come from the parameter file: never let Qt read them as rich text.
    title->setTextFormat(Qt::PlainText);
    text->setTextFormat(Qt::PlainText);
    layout->addWidget(title);
    layout->addWidget(text);
    window.setMinimumWidth(360);
    // A window of fixed size is a dialog to a tiling compositor: it floats, centred.
    window.adjustSize();
    window.setFixedSize(window.size());
    window.show();
    window.raise();
    window.activateWindow();
    waitForFocus(window);
    work();
    window.hide();
}
