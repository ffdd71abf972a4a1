#pragma once
// A capture that shows nothing: the screen under the pointer (or the rectangle the parameters
// give) goes to the clipboard and the outcome to the result file. It needs no window, so a
// process can run it before, or instead of, starting the widget toolkit.

#include <QJsonObject>
#include <cstdint>

#include "model/capture_param.h"
#include "model/launch_request.h"
#include "platform/geometry.h"
#include "platform/platform_services.h"

struct AutomaticOutcome {
    int32_t kind = 0;          // finished, or cancelled when there is no image
    Rect selection;            // view coordinates of the captured screen
    Rect screen;               // the captured screen's frame
    bool displayLost = false;  // no image because the display went away
};

// Grabs the screen, cuts the selection and hands it to the clipboard; logs why when it ends
// without an image.
AutomaticOutcome captureAutomatically(const PlatformServices& platform, const CaptureParam& param);

// Runs the whole capture that `command` describes and ends the process with its result, when
// that capture needs no window; returns false, having done nothing, when it does (a prepare
// panel, an interactive capture, a permission prompt, a command to do nothing).
bool runWithoutWindows(const LaunchRequest& request, const PlatformServices& platform);
