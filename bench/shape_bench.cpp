// Annotation costs at 1920 x 1080 and 3840 x 2160: flattening a history of ten shapes (after
// every finished gesture and undo), pixelating the screen (once per capture, when the mosaic
// tool is first chosen), and painting the current pen (on every drag event).
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QPainter>
#include <cmath>

#include "annotate/shape_painter.h"
#include "screen_like_image.h"

namespace {

// The two screens are made once: a desktop picture takes a while to build.
const QImage& screen(int w, int h) {
    static const QImage small = screenLikeImage(1920, 1080);
    static const QImage large = screenLikeImage(3840, 2160);
    return w == 1920 && h == 1080 ? small : large;
}

// A wavy free-hand stroke of `count` points across most of a w x h screen.
std::vector<Point> wave(int w, int h, int count, double phase) {
    std::vector<Point> points;
    for (int i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / (count - 1);
        points.push_back({w * (0.1 + 0.8 * t), h * (0.5 + 0.3 * std::sin(t * 12 + phase))});
    }
    return points;
}

DrawShape shape(ToolType kind, int w, int h, double phase) {
    DrawShape s;
    s.m_eType = kind;
    s.m_penSize = PenSize::Big;
    s.m_penColor = {0.9, 0.1, 0.1, 1};
    s.m_rect = {w * (0.1 + 0.05 * phase), h * 0.15, w * 0.6, h * 0.7};
    s.m_startPoint = {w * 0.1, h * (0.2 + 0.05 * phase)};
    s.m_endPoint = {w * 0.8, h * 0.6};
    s.brushPoints = wave(w, h, 300, phase);
    s.brushCount = static_cast<int>(s.brushPoints.size());
    return s;
}

// Ten shapes, each spanning most of the screen: a heavy history.
std::vector<DrawShape> history(int w, int h) {
    const ToolType kinds[] = {ToolType::ToolRect,   ToolType::ToolEllipse, ToolType::ToolArrow,
                              ToolType::ToolBrush,  ToolType::ToolGlitter, ToolType::ToolMosaic,
                              ToolType::ToolRect,   ToolType::ToolArrow,   ToolType::ToolBrush,
                              ToolType::ToolGlitter};
    std::vector<DrawShape> shapes;
    for (int i = 0; i < 10; ++i) shapes.push_back(shape(kinds[i], w, h, i));
    return shapes;
}

void BM_FlattenTenShapes(benchmark::State& state) {
    const int w = state.range(0), h = state.range(1);
    const QImage& origin = screen(w, h);
    const QImage mosaic = pixelatedScreen(origin);
    const std::vector<DrawShape> shapes = history(w, h);
    const ShapePaintContext context{double(h), false, &mosaic, {}};
    for (auto _ : state) {
        QImage flat = flattenHistory(origin, shapes, context);
        benchmark::DoNotOptimize(flat.constBits());
    }
}

// After a gesture only the new shape is painted onto the history (here: the heaviest kind,
// a 300-point mosaic stroke across the screen).
void BM_AddMosaicToHistory(benchmark::State& state) {
    const int w = state.range(0), h = state.range(1);
    const QImage& origin = screen(w, h);
    const QImage mosaic = pixelatedScreen(origin);
    const ShapePaintContext context{double(h), false, &mosaic, {}};
    QImage flat = flattenHistory(origin, history(w, h), context);
    const DrawShape stroke = shape(ToolType::ToolMosaic, w, h, 3);
    for (auto _ : state) {
        addToFlattenedHistory(flat, stroke, context);
        benchmark::DoNotOptimize(flat.constBits());
    }
}

void BM_PixelatedScreen(benchmark::State& state) {
    const QImage& origin = screen(state.range(0), state.range(1));
    for (auto _ : state) {
        QImage mosaic = pixelatedScreen(origin);
        benchmark::DoNotOptimize(mosaic.constBits());
    }
}

// One drag event's pen, painted over the region it spans (the view clips to what changed).
void BM_PaintPen(benchmark::State& state) {
    const int w = state.range(0), h = state.range(1);
    const auto kind = static_cast<ToolType>(state.range(2));
    QImage target = screen(w, h).copy();
    const QImage mosaic = pixelatedScreen(target);
    const DrawShape pen = shape(kind, w, h, 0);
    const ShapePaintContext context{double(h), false, &mosaic, {}};
    for (auto _ : state) {
        QPainter painter(&target);
        paintShape(painter, pen, true, context);
        painter.end();
        benchmark::DoNotOptimize(target.constBits());
    }
    state.SetLabel(kind == ToolType::ToolBrush  ? "brush"
                   : kind == ToolType::ToolRect ? "rectangle"
                                                : "mosaic");
}

}  // namespace

BENCHMARK(BM_FlattenTenShapes)
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AddMosaicToHistory)
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PixelatedScreen)
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintPen)
    ->ArgsProduct({{1920}, {1080}, {4, 1, 6}})
    ->Args({3840, 2160, 4})
    ->Args({3840, 2160, 1})
    ->Args({3840, 2160, 6})
    ->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
