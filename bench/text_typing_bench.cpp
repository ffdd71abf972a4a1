// One keystroke in the text tool's editor until its glyph is painted: the key event, the
// insertion, the editor growing and its frame following, and the repaint of what changed
// (the editor and the capture view under it) into the window's backing store. A whole capture
// window on the offscreen platform with fakes, 1440 x 900 points; not the X server's flush.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QKeyEvent>

#include "capture/capture_annotations.h"
#include "capture/capture_view.h"
#include "capture/capture_window.h"
#include "capture/text_view.h"
#include "support/fake_platform.h"
#include "support/widget_events.h"

namespace {

void BM_KeystrokeToPaintedGlyph(benchmark::State& state) {
    FakePlatform platform;
    UiTexts texts;
    CaptureWindow window(platform.services(), texts, 0);
    window.doCapture();
    sendDrag(window.view(), {200, 200}, {{600, 500}, {1000, 800}});
    window.annotations().onCommand(StripAction::onText);
    sendMouse(window.view(), QEvent::MouseButtonPress, {300, 300});
    sendMouse(window.view(), QEvent::MouseButtonRelease, {300, 300}, false);
    NSMyTextView& editor = *window.annotations().textView();
    QApplication::processEvents();
    const QString glyph = state.range(0) == 0 ? QStringLiteral("a") : QStringLiteral("截");
    const int perLine = 40;
    int typed = 0;
    for (auto _ : state) {
        QKeyEvent press(QEvent::KeyPress, state.range(0) == 0 ? Qt::Key_A : Qt::Key_unknown,
                        Qt::NoModifier, glyph);
        QApplication::sendEvent(&editor, &press);
        QApplication::processEvents();  // the paint of what the key changed
        if (++typed == perLine) {
            state.PauseTiming();
            editor.clear();
            QApplication::processEvents();
            typed = 0;
            state.ResumeTiming();
        }
    }
    state.counters["frame_width"] = editor.width();
}
BENCHMARK(BM_KeystrokeToPaintedGlyph)
    ->Arg(0)
    ->Arg(1)
    ->ArgNames({"chinese"})
    ->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
