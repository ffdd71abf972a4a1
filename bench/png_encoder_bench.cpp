// Whole-screen PNG encoding for the clipboard at 1920x1080 and 3840x2160, on a desktop with a
// photograph-like wallpaper, on a flat desktop of gradient windows, on noise, and on PNG files
// named in QUILLET_PNG_BENCH_FILES (grabs of real screens): our banded encoder at its settings (and
// the alternatives it was chosen from), next to Qt's default writer and Qt at zlib level 1, and
// fpnge (the fastest known PNG encoder, one thread) when its sources are beside the project. Also
// the cost of handing 4K pixels to the clipboard helper through a memfd (what ClipboardKeeper does)
// and through a pipe.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <QBuffer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageWriter>
#include <map>
#include <thread>
#include <utility>

#include "platform/png_image.h"
#include "screen_like_image.h"

#ifdef QUILLET_BENCH_FPNGE
#include "fpnge.h"
#endif

namespace {

enum Content { Screen, Flat, Noise, FirstFile };

// Grabs of real screens to encode besides the generated pictures: PNG files, separated by ':'.
QStringList extraFiles() {
    return qEnvironmentVariable("QUILLET_PNG_BENCH_FILES").split(':', Qt::SkipEmptyParts);
}

// A file is encoded at its own size, whatever the height argument says.
const QImage& testImage(int height, int content) {
    static std::map<std::pair<int, int>, QImage> cache;
    QImage& image = cache[{height, content}];
    if (image.isNull()) {
        const int width = height * 16 / 9;
        switch (content) {
            case Screen:
                image = screenLikeImage(width, height);
                break;
            case Flat:
                image = flatDesktopImage(width, height);
                break;
            case Noise:
                image = noiseImage(width, height);
                break;
            default:
                image = QImage(extraFiles().value(content - FirstFile))
                            .convertToFormat(QImage::Format_RGB32);
        }
    }
    return image;
}

void describe(benchmark::State& state, const QImage& image, qsizetype pngBytes) {
    const int content = int(state.range(1));
    const char* names[] = {"screen", "flat", "noise"};
    state.SetLabel(
        content < FirstFile
            ? names[content]
            : QFileInfo(extraFiles().value(content - FirstFile)).fileName().toStdString());
    state.counters["png_MB"] = double(pngBytes) / 1e6;
    state.counters["raw_MB/s"] = benchmark::Counter(double(image.sizeInBytes()) * 1e-6,
                                                    benchmark::Counter::kIsIterationInvariantRate);
}

// Arguments: height, content, threads (0: all cores).
void BM_OurEncoder(benchmark::State& state) {
    const QImage& image = testImage(int(state.range(0)), int(state.range(1)));
    const PngOptions options{int(state.range(2))};
    qsizetype bytes = 0;
    for (auto _ : state) bytes = encodePng(image, options).size();
    describe(state, image, bytes);
}

// Arguments: height, content, QImageWriter quality (-1: Qt's default; 85: zlib level 1).
void BM_QtEncoder(benchmark::State& state) {
    const QImage& image = testImage(int(state.range(0)), int(state.range(1)));
    qsizetype bytes = 0;
    for (auto _ : state) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "png");
        writer.setQuality(int(state.range(2)));
        writer.write(image);
        bytes = png.size();
    }
    describe(state, image, bytes);
}

#ifdef QUILLET_BENCH_FPNGE
// fpnge at its default level on one thread, from packed B G R samples (made before the clock
// starts, as its own bench does): the same three channels our encoder writes for an opaque screen.
void BM_Fpnge(benchmark::State& state) {
    const QImage& image = testImage(int(state.range(0)), int(state.range(1)));
    const size_t width = size_t(image.width()), height = size_t(image.height());
    std::vector<unsigned char> bgr(width * height * 3);
    for (size_t y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(int(y)));
        for (size_t x = 0; x < width; ++x) {
            unsigned char* p = &bgr[(y * width + x) * 3];
            p[0] = uchar(qBlue(row[x]));
            p[1] = uchar(qGreen(row[x]));
            p[2] = uchar(qRed(row[x]));
        }
    }
    FPNGEOptions options;
    FPNGEFillOptions(&options, FPNGE_COMPRESS_LEVEL_DEFAULT, FPNGE_CICP_NONE);
    options.channel_order = FPNGE_ORDER_BGR;
    std::vector<unsigned char> out(FPNGEOutputAllocSize(1, 3, width, height));
    size_t bytes = 0;
    for (auto _ : state) {
        bytes = FPNGEEncode(1, 3, bgr.data(), width, width * 3, height, out.data(), &options);
    }
    describe(state, image, qsizetype(bytes));
}
#endif

void registerEncoders() {
    std::vector<std::pair<int, int>> inputs;  // height, content
    for (const int height : {1080, 2160}) {
        for (const int content : {Screen, Flat, Noise}) inputs.emplace_back(height, content);
    }
    for (int i = 0; i < extraFiles().size(); ++i) inputs.emplace_back(0, FirstFile + i);
    for (const auto& [height, content] : inputs) {
        auto* ours = benchmark::RegisterBenchmark("OurEncoder", BM_OurEncoder);
        ours->ArgNames({"height", "content", "threads"});
        ours->Args({height, content, 0})->Args({height, content, 1});
        ours->Unit(benchmark::kMillisecond)->UseRealTime();

        auto* qt = benchmark::RegisterBenchmark("QtEncoder", BM_QtEncoder);
        qt->ArgNames({"height", "content", "quality"});
        qt->Args({height, content, -1})->Args({height, content, 85});
        qt->Unit(benchmark::kMillisecond)->UseRealTime();
#ifdef QUILLET_BENCH_FPNGE
        auto* fpnge = benchmark::RegisterBenchmark("Fpnge", BM_Fpnge);
        fpnge->ArgNames({"height", "content"});
        fpnge->Args({height, content})->Unit(benchmark::kMillisecond)->UseRealTime();
#endif
    }
}

// The pixels of a 4K screen into a fresh memfd that the helper maps.
void BM_HandOverThroughMemfd(benchmark::State& state) {
    const QImage& image = testImage(2160, Screen);
    for (auto _ : state) {
        const int fd = memfd_create("bench", MFD_CLOEXEC);
        const uchar* data = image.constBits();
        qsizetype left = image.sizeInBytes();
        while (left > 0) {
            const ssize_t n = write(fd, data, size_t(left));
            if (n <= 0) break;
            data += n;
            left -= n;
        }
        close(fd);
    }
}
BENCHMARK(BM_HandOverThroughMemfd)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same pixels through a pipe (enlarged to 1 MiB) into a fresh buffer of the reader's.
void BM_HandOverThroughPipe(benchmark::State& state) {
    const QImage& image = testImage(2160, Screen);
    for (auto _ : state) {
        QByteArray received(image.sizeInBytes(), Qt::Uninitialized);  // the helper's own copy
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0) break;
        fcntl(fds[1], F_SETPIPE_SZ, 1 << 20);
        std::thread reader([&] {
            qsizetype at = 0;
            ssize_t n;
            while ((n = read(fds[0], received.data() + at, size_t(received.size() - at))) > 0)
                at += n;
        });
        const uchar* data = image.constBits();
        qsizetype left = image.sizeInBytes();
        while (left > 0) {
            const ssize_t n = write(fds[1], data, size_t(left));
            if (n <= 0) break;
            data += n;
            left -= n;
        }
        close(fds[1]);
        reader.join();
        close(fds[0]);
    }
}
BENCHMARK(BM_HandOverThroughPipe)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    // Fonts for the desktop picture's text; no display needed.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    registerEncoders();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
