// The repaint that one pointer move causes while a selection is dragged, at 1920 x 1080 and
// 3840 x 2160, next to one full-screen image copy (the floor any full repaint would pay).
#include <benchmark/benchmark.h>

#include <QApplication>

#include "capture/capture_view.h"
#include "capture/image_composition.h"

namespace {

QImage screenImage(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) line[x] = qRgb(x * 7, y * 3, (x ^ y) & 0xFF);
    }
    return image;
}

void BM_FullScreenCopy(benchmark::State& state) {
    const QImage image = screenImage(state.range(0), state.range(1));
    for (auto _ : state) {
        QImage copy = image.copy();
        benchmark::DoNotOptimize(copy.constBits());
    }
}

// One drag step grows a large selection by a few points and moves the magnifier along.
void BM_DragStepRepaint(benchmark::State& state) {
    const int w = state.range(0), h = state.range(1);
    CaptureModel model;
    model.reset({double(w), double(h)});
    CaptureView view(model);
    view.setScreenRect({0, 0, double(w), double(h)});
    view.originImage = view.currentImage = view.colorImage = screenImage(w, h);
    view.darkImage = darkenedScreen(view.originImage);  // made in the background after launch
    model.setCaptureState(CAPTURE_STATE_CHOOSE);
    view.show();
    QApplication::processEvents();
    double x = w * 0.6, y = h * 0.3;
    for (auto _ : state) {
        x += 3;
        y -= 2;
        if (x > w - 10) x = w * 0.6;
        if (y < 10) y = h * 0.3;
        model.setImagePaint(state.range(2) != 0, {x, y});
        model.setDrawImageRect({w * 0.1, y, x - w * 0.1, h * 0.8 - y});
        model.setDrawDragPoints(true);
        view.refresh();
        QApplication::processEvents();
    }
}

}  // namespace

BENCHMARK(BM_FullScreenCopy)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DragStepRepaint)
    ->Args({1920, 1080, 1})
    ->Args({3840, 2160, 1})
    ->Args({1920, 1080, 0})
    ->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
