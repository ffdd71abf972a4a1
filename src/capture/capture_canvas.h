#pragma once
// The pictures a capture works on, kept beside the capture model: the screen as frozen
// (originImage), the flattened history, that is the frozen screen with every finished shape
// painted in (currentImage), and the screen pixelated, which mosaic strokes show
// (mosaicImage), made the first time the mosaic tool is chosen. The view paints from them; the
// capture and its annotations change them. They share the one grab until something draws.

#include <QImage>

#include "annotate/shape_painter.h"

class CaptureCanvas {
public:
    // A new capture starts from `screen`; the shapes' pictures go.
    void freeze(const QImage& screen) {
        m_origin = m_current = screen;
        m_mosaic = QImage();
    }
    void clear() { freeze(QImage()); }

    const QImage& originImage() const { return m_origin; }
    const QImage& currentImage() const { return m_current; }
    // The bitmap the colour readout reads: the frozen screen.
    const QImage& colorImage() const { return m_origin; }
    const QImage& mosaicImage() const { return m_mosaic; }

    // Made from the frozen screen once per capture.
    void ensureMosaic() {
        if (m_mosaic.isNull()) m_mosaic = pixelatedScreen(m_origin);
    }
    // The flattened history, to paint a finished shape into or to replace as a whole.
    QImage& currentImageToDraw() { return m_current; }

private:
    QImage m_origin;
    QImage m_current;
    QImage m_mosaic;
};
