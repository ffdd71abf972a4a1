// The repaint that one pointer move causes while a selection is dragged or a shape is drawn,
// at 1920 x 1080 and 3840 x 2160, next to one full-screen image copy (the floor any full
// repaint would pay); and the first appearance of the toolbar.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cmath>

#include "annotate/shape_painter.h"
#include "capture/capture_view.h"
#include "capture/image_composition.h"
#include "controls/artwork.h"
#include "controls/tool_strips.h"

using enum CaptureState;

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
    CaptureCanvas canvas;
    CaptureView view(model, canvas);
    view.setScreenRect({0, 0, double(w), double(h)});
    canvas.freeze(screenImage(w, h));
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

// One drag step while a shape is drawn over a large selection: the pen changes, the view
// repaints what it touched. Range 2 is the tool: 0 rectangle, 1 brush, 2 mosaic.
void BM_ShapeDragStep(benchmark::State& state) {
    const int w = state.range(0), h = state.range(1);
    const ToolType tool = state.range(2) == 0   ? ToolType::ToolRect
                          : state.range(2) == 1 ? ToolType::ToolBrush
                                                : ToolType::ToolMosaic;
    CaptureModel model;
    model.reset({double(w), double(h)});
    CaptureCanvas canvas;
    CaptureView view(model, canvas);
    view.setScreenRect({0, 0, double(w), double(h)});
    canvas.freeze(screenImage(w, h));
    if (tool == ToolType::ToolMosaic) canvas.ensureMosaic();
    const Rect selection{w * 0.05, h * 0.05, w * 0.9, h * 0.9};
    model.setCaptureWindowRect(selection);
    model.setDrawImageRect(selection);
    model.setCaptureState(CAPTURE_STATE_RECT);
    view.show();
    QApplication::processEvents();
    const Point start{w * 0.1, h * 0.1};
    model.shapes().pressTool(tool, start);
    double x = start.x, y = start.y;
    for (auto _ : state) {
        x += 3;
        y += 2;
        if (x > w * 0.9 || y > h * 0.9) {
            // A long stroke: start another so that the path stays realistic in length.
            model.shapes().resetCurrPen();
            model.shapes().pressTool(tool, start);
            x = start.x;
            y = start.y;
        }
        model.shapes().dragTool(tool, start, {x, y + 20 * std::sin(x / 40)});
        view.refresh();
        QApplication::processEvents();
    }
}

// The first completed selection builds the strips and shows the toolbar; the artwork was
// drawn ahead of time.
void BM_ToolbarFirstShow(benchmark::State& state) {
    Artwork artwork;
    artwork.prepare(1);
    QWidget window;
    window.resize(1920, 1080);
    window.show();
    QApplication::processEvents();
    StripsState strips;
    strips.showToolbar({500, 300, 800, 500}, 1080, false, false);
    for (auto _ : state) {
        ToolStrips tools(&window, artwork);
        tools.build(255);
        tools.sync(strips, 1080, true, {});
        tools.toolGroundView()->repaint();
        state.PauseTiming();
        delete tools.toolGroundView();
        delete tools.colorGroundView();
        state.ResumeTiming();
    }
}

}  // namespace

BENCHMARK(BM_FullScreenCopy)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DragStepRepaint)
    ->Args({1920, 1080, 1})
    ->Args({3840, 2160, 1})
    ->Args({1920, 1080, 0})
    ->Unit(benchmark::kMicrosecond);

BENCHMARK(BM_ShapeDragStep)
    ->Args({1920, 1080, 0})
    ->Args({1920, 1080, 1})
    ->Args({1920, 1080, 2})
    ->Args({3840, 2160, 0})
    ->Args({3840, 2160, 1})
    ->Args({3840, 2160, 2})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ToolbarFirstShow)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
