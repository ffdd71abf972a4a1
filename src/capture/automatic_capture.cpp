#include "capture/automatic_capture.h"

#include "capture/screen_geometry.h"
#include "capture/screen_recording_permission.h"
#include "capture/selection_cut.h"
#include "model/capture_result.h"
#include "platform/clipboard.h"
#include "platform/log.h"
#include "platform/process_exit.h"
#include "platform/screen_grabber.h"
#include "platform/screens.h"
#include "platform/termination.h"

AutomaticOutcome captureAutomatically(const PlatformServices& platform, const CaptureParam& param) {
    AutomaticOutcome outcome;
    outcome.kind = kResultCancelled;
    const auto endedFromOutside = [&platform] {
        return platform.termination && platform.termination->requested();
    };
    // Asking for the permission may have taken long (a portal waiting for the user).
    if (endedFromOutside()) {
        platform.log->write(QStringLiteral("no image: ended from outside (a signal)"));
        return outcome;
    }
    const std::vector<ScreenInfo> screens = platform.screens->screens();
    const Point pointer = platform.screens->pointerPosition();
    outcome.screen = getScreensRect(screens, true, pointer);
    // Reported as asked even when no image comes.
    outcome.selection = automaticCaptureRect(param, outcome.screen);
    const Pixels grab = platform.grabber->grab(
        grabRectForScreen(outcome.screen, getScreenHeightDiff(screens, pointer)));
    if (grab.isNull()) {
        platform.log->write(QStringLiteral("no image: the screen could not be grabbed: ") +
                            platform.grabber->lastError());
        outcome.displayLost = platform.grabber->displayLost();
        return outcome;
    }
    QString problem;
    const Pixels image = cutSelection(grab, outcome.selection, outcome.screen.height, &problem);
    if (image.isNull()) {
        platform.log->write(QStringLiteral("no image: ") + problem);
        return outcome;
    }
    // Once the clipboard has been handed over, the capture finishes whatever comes.
    if (endedFromOutside()) {
        platform.log->write(QStringLiteral("no image: ended from outside (a signal)"));
        return outcome;
    }
    if (!platform.clipboard->setImage(image)) {
        platform.log->write(QStringLiteral("no image: the clipboard could not be taken"));
        outcome.displayLost = platform.grabber->displayLost();
        return outcome;
    }
    outcome.kind = kResultFinished;
    return outcome;
}

bool runWithoutWindows(const LaunchRequest& request, const PlatformServices& platform) {
    if (request.cmdType == -1) return false;
    if (!isAutomaticCapture(request.autoCaptureFlag)) return false;
    // Without a permission to record, a prompt follows, and that needs windows; a request to
    // end that came while it was asked cancels here.
    const bool permitted = ScreenRecordingPermission(platform).ScreeningRecordPermissionCheck();
    if (!permitted && !(platform.termination && platform.termination->requested())) return false;

    const AutomaticOutcome outcome = captureAutomatically(platform, request.param);
    const CaptureResultInput input{outcome.kind, outcome.selection, outcome.screen, QString(),
                                   request.launchTimeMs};
    if (outcome.displayLost) {
        deliverLostDisplay(input, request.resultPath, *platform.log, *platform.processExit);
    } else {
        deliverCaptureResult(input, request.resultPath, *platform.log, *platform.processExit);
    }
    return true;
}
