#pragma once
// The strips' named images, drawn from our SVGs at ":/toolbar/<name>.svg" at a device pixel
// ratio and kept. A name without artwork gives a null image, which the buttons skip.
// Thread-safe: prepare() may run on a worker thread while the GUI thread asks for images.

#include <QImage>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <map>
#include <utility>

class Artwork {
public:
    // Every image name the strips use.
    static const QStringList& names();

    // Draws every named image at this ratio ahead of time, so the first paint only looks up:
    // call it on a worker thread or from a zero-timer, not in front of the first paint.
    void prepare(double devicePixelRatio);

    // The image at its own size in points (as its SVG states), devicePixelRatio() set to the
    // ratio; drawn on first request if prepare() has not drawn it yet.
    QImage image(const QString& name, double devicePixelRatio) const;

private:
    static QImage render(const QString& name, double devicePixelRatio);

    mutable QMutex m_mutex;
    mutable std::map<std::pair<QString, double>, QImage> m_images;
};
