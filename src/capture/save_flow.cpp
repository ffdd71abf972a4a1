#include "capture/save_flow.h"

#include <QDateTime>
#include <QImage>

#include "capture/save_name.h"
#include "capture/save_panel.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/log.h"
#include "platform/png_image.h"
#include "platform/whole_file_writer.h"
#include "platform/window_state.h"

SaveFlow::SaveFlow(QWidget* captureWindow, const PlatformServices& platform, const UiTexts& texts,
                   Hooks hooks)
    : m_window(captureWindow), m_platform(platform), m_texts(texts), m_hooks(std::move(hooks)) {}

void SaveFlow::prepare() {
    if (m_prepared) return;
    const bool inside = m_platform.windowState != nullptr &&
                        !m_platform.windowState->placesDialogsOverTheirWindow();
    m_prepared = new NSCostomSavePanel(m_window, inside);
    connect(m_prepared, &QDialog::finished, this, &SaveFlow::finished);
}

void SaveFlow::open(const Rect& screen, const QString& namePrefix) {
    if (m_open) return;
    prepare();
    m_open = m_prepared;
    m_open->setScreenRect(screen, m_platform.screens->windowPlacement());
    const QDateTime now =
        QDateTime::fromMSecsSinceEpoch(qint64(m_platform.clock->now().milliseconds()));
    m_open->openWith(m_texts.saveFolderPrompt, proposedSaveName(namePrefix, now));
}

void SaveFlow::abandon() {
    if (!m_open) return;
    NSCostomSavePanel* panel = m_open;
    m_open = nullptr;
    panel->hide();
}

void SaveFlow::finished(int result) {
    const QString chosen =
        m_open && result == QDialog::Accepted ? m_open->selectedFiles().value(0) : QString();
    m_open = nullptr;
    if (chosen.isEmpty()) {
        m_hooks.resumed();  // dismissed: the capture goes on where it was
        return;
    }
    saveTo(chosen);
}

void SaveFlow::saveTo(const QString& chosen) {
    QString problem;
    const QImage image = m_hooks.image(&problem);
    if (image.isNull()) {
        failed(problem);
        return;
    }
    // One encoding for the file and the clipboard.
    const QByteArray png = encodePng(image);
    if (png.isEmpty()) {
        failed(QStringLiteral("the image could not be encoded as PNG"));
        return;
    }
    const QString path = pngSavePath(chosen);
    if (const auto error = writeWholeFile(path, png)) {
        failed(*error);
        return;
    }
    m_hooks.saved(path, png);
}

void SaveFlow::failed(const QString& reason) {
    // Not "save failed:", which is the result file's line.
    m_platform.log->write(QStringLiteral("image file not written:") + reason);
    const bool english = m_texts.isEnglishUI;
    m_platform.dialogs->showWarning(english ? QStringLiteral("The image could not be saved.")
                                            : QStringLiteral("图片保存失败。"),
                                    reason);
    // The capture goes on: another folder, or finishing to the clipboard.
    m_hooks.resumed();
}
