#include "prepare/prepare_layout.h"

namespace prepare_layout {

Point clampedOrigin(Point origin, Size screen) {
    if (origin.x < 0) origin.x = 0;
    if (origin.y < 0) origin.y = 0;
    if (origin.x + kWidth > screen.width) origin.x = screen.width - kWidth;
    if (origin.y + kHeight > screen.height) origin.y = screen.height - kHeight;
    return origin;
}

QString shownTitle(const QString& prepareTitleText, const QString& windowTitleText) {
    return windowTitleText.isEmpty() ? prepareTitleText : windowTitleText;
}

}  // namespace prepare_layout
