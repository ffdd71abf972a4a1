#pragma once
// What the save dialog proposes and where it stands, and the file name a confirmed save
// writes: plain rules, tested without a display.

#include <QDateTime>
#include <QString>

#include "platform/geometry.h"

// The prefix followed by the local date and time as "yyyyMMddHHmmss", with the calendar year
// (a week-based year would name 31 December 2029 as 2030).
QString proposedSaveName(const QString& prefix, const QDateTime& now);

// The chosen path with ".png" appended, unless it already ends in ".png" in any letter case.
QString pngSavePath(const QString& chosen);

// The `center` rule: a panel of `panel` size, centred horizontally on `screenRect` with its
// top edge 30 points below the screen's top. Both in user-interface coordinates (y up); the
// result is the panel's origin (its bottom-left corner).
Point savePanelOrigin(Size panel, const Rect& screenRect);
