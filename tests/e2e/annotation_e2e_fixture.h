#pragma once
// A capture with a selection made by real input, and clicks on the strips placed as the tool
// places them: shared by the end-to-end tests of the annotation tools.

#include <QRegion>

#include "controls/strips_state.h"
#include "e2e/capture_e2e_fixture.h"

constexpr int kScreenHeight = 800;
// The selection every test makes, in root pixels, and the same in view coordinates.
inline const QRect kSelection(150, 120, 600, 400);
inline const Rect kSelectionView{150, kScreenHeight - 520.0, 600, 400};

class AnnotationE2E : public CaptureE2E {
protected:
    void select(const std::vector<std::string>& env = {}) {
        startInteractive({}, env);
        drag({kSelection.left(), kSelection.top()},
             {kSelection.left() + kSelection.width(), kSelection.top() + kSelection.height()},
             {{400, 300}});
    }
    void click(const Rect& strip, const std::vector<StripItem>& items, const QString& member) {
        clickControl(strip, items, member, kScreenHeight);
    }
    void clickTool(const QString& member) {
        click(placeStrips(kSelectionView, kScreenHeight, false, false).toolbar, toolbarItems(),
              member);
    }
    void clickColorbar(const QString& member, bool mosaic = false) {
        click(*placeStrips(kSelectionView, kScreenHeight, true, mosaic).colorbar, colorbarItems(),
              member);
    }
    // The pasted image and the screen under the selection as it was, both in RGB32.
    struct Result {
        QImage pasted;
        QImage screen;
    };
    Result finishWithImage() {
        input({"key", "Return"});
        return finishedImage();
    }
    // After whatever finished the capture: the exit, the result and the images.
    Result finishedImage() {
        finish(1);
        Result r{pastedImage().convertToFormat(QImage::Format_RGB32),
                 screenAsCaptured().copy(kSelection)};
        EXPECT_EQ(r.pasted.size(), kSelection.size());
        return r;
    }
    // A point of the root window in the pasted image.
    static QPoint inImage(int x, int y) { return {x - kSelection.left(), y - kSelection.top()}; }

    // Pixels of the pasted image that differ from the screen, in image coordinates.
    QRegion changedInImage(const Result& r) const {
        return test_images::changedPixels(r.pasted, r.screen) -
               unsettledPixels().translated(-kSelection.topLeft());
    }
};
