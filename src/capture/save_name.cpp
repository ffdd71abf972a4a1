#include "capture/save_name.h"

namespace {
constexpr double kPanelTopMargin = 30;
}

QString proposedSaveName(const QString& prefix, const QDateTime& now) {
    return prefix + now.toString(QStringLiteral("yyyyMMddHHmmss"));
}

QString pngSavePath(const QString& chosen) {
    if (chosen.endsWith(QLatin1String(".png"), Qt::CaseInsensitive)) return chosen;
    return chosen + QLatin1String(".png");
}

Point savePanelOrigin(Size panel, const Rect& screenRect) {
    return {screenRect.x + (screenRect.width - panel.width) * 0.5,
            screenRect.y + screenRect.height - panel.height - kPanelTopMargin};
}
