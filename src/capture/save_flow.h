#pragma once
// Saving a capture to a file: the save dialog, built ahead of its first use and opened with
// the proposed name; the confirmed name written as PNG (".png" added where missing), whole or
// not at all. A failed write tells the user why and the capture goes on; a written file is
// handed back to the capture, which then ends.

#include <QObject>
#include <functional>

#include "model/ui_texts.h"
#include "platform/geometry.h"
#include "platform/platform_services.h"

class NSCostomSavePanel;
class QImage;
class QWidget;

class SaveFlow : public QObject {
    Q_OBJECT
public:
    struct Hooks {
        // The finished image (a text being typed committed first), or a null one with why.
        std::function<QImage(QString* problem)> image;
        // The file is written: `png` is what it holds, for the clipboard.
        std::function<void(const QString& path, const QByteArray& png)> saved;
        // The dialog was dismissed or the file could not be written: back to the capture.
        std::function<void()> resumed;
    };

    SaveFlow(QWidget* captureWindow, const PlatformServices& platform, const UiTexts& texts,
             Hooks hooks);

    // Builds the dialog now: a file dialog costs tens of milliseconds.
    void prepare();
    bool prepared() const { return m_prepared != nullptr; }
    // Opens the dialog over `screen` (user-interface coordinates), proposing `namePrefix` and
    // the time.
    void open(const Rect& screen, const QString& namePrefix);
    bool isOpen() const { return m_open != nullptr; }
    NSCostomSavePanel* panel() const { return m_open; }
    // Closes an open dialog without an outcome, for a capture that ends anyway.
    void abandon();

private:
    void finished(int result);
    void saveTo(const QString& chosen);
    void failed(const QString& reason);

    QWidget* m_window;
    PlatformServices m_platform;
    const UiTexts& m_texts;
    Hooks m_hooks;
    NSCostomSavePanel* m_prepared = nullptr;  // a child of the capture window, reused
    NSCostomSavePanel* m_open = nullptr;      // the same while it is open
};
