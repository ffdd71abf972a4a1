#include "controls/artwork.h"

#include <QFile>
#include <QMutexLocker>
#include <QPainter>
#include <QSvgRenderer>
#include <cmath>

#include "controls/tool_table.h"

const QStringList& Artwork::names() {
    static const QStringList kNames = [] {
        QStringList names;
        // Toolbar: the tools, the separator, undo, save, exit and finish.
        for (const ToolEntry& tool : kTools) {
            names << QString::fromLatin1(tool.artwork) << QString::fromLatin1(tool.artwork) + "_h";
        }
        names << "split"
              << "Undo"
              << "Undo_h"
              << "Undo_disable"
              << "Save"
              << "Save_h"
              << "Exit"
              << "Exit_h"
              << "Finish"
              << "Finish_h";
        // Colour and size bar: pen sizes, swatches, the swatch ring and the logo.
        names << "pointsmall"
              << "pointsmall_h"
              << "pointmiddle"
              << "pointmiddle_h"
              << "point_big"
              << "point_big_h"
              << "red"
              << "yellow"
              << "blue"
              << "green"
              << "black"
              << "gray"
              << "white"
              << "color_selected"
              << "logo";
        return names;
    }();
    return kNames;
}

void Artwork::prepare(double devicePixelRatio) {
    for (const QString& name : names()) {
        {
            QMutexLocker lock(&m_mutex);
            if (m_images.count({name, devicePixelRatio}) != 0) continue;
        }
        // Render outside the lock so that a paint on the GUI thread never waits for all of them.
        QImage made = render(name, devicePixelRatio);
        QMutexLocker lock(&m_mutex);
        m_images.emplace(std::make_pair(name, devicePixelRatio), std::move(made));
    }
}

QImage Artwork::image(const QString& name, double devicePixelRatio) const {
    const auto key = std::make_pair(name, devicePixelRatio);
    {
        QMutexLocker lock(&m_mutex);
        if (auto it = m_images.find(key); it != m_images.end()) return it->second;
    }
    QImage made = render(name, devicePixelRatio);
    QMutexLocker lock(&m_mutex);
    return m_images.emplace(key, std::move(made)).first->second;
}

QImage Artwork::render(const QString& name, double devicePixelRatio) {
    const QString path = QStringLiteral(":/toolbar/%1.svg").arg(name);
    if (!QFile::exists(path)) return {};
    QSvgRenderer renderer(path);
    if (!renderer.isValid()) return {};
    const QSize points = renderer.defaultSize();
    QImage image(QSize(std::ceil(points.width() * devicePixelRatio),
                       std::ceil(points.height() * devicePixelRatio)),
                 QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        renderer.render(&painter);
    }
    image.setDevicePixelRatio(devicePixelRatio);
    return image;
}
